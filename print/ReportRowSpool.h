#pragma once

// The cells of a report's rows kept in a temporary file rather than in the data set: the
// batch exporter reads its rows once, forward only, and draws the pages (or writes the HTML
// and RTF rows) from this file, so that memory holds one block of rows whatever the report's
// size.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "export/ExportGrid.h"

class TReportRowSpool {
 public:
  // Creates the file, unnamed, in $TMPDIR (else /tmp); `contents` names what it holds in
  // messages ("the printed rows"). Raises platform::Exception when it cannot be created.
  explicit TReportRowSpool(std::string contents = "the printed rows");
  ~TReportRowSpool();
  TReportRowSpool(const TReportRowSpool&) = delete;
  TReportRowSpool& operator=(const TReportRowSpool&) = delete;

  // Appends a cell to the row being written; EndRow closes the row. Every row holds the same
  // number of cells. Raises EWriteError naming the file when the file does not take them.
  void AddCell(const TExportCellParams& cell);
  void EndRow();
  int RowCount() const { return rows_; }

  // Reads rows [first, end) back for Cell; the rows read last stay until another range is
  // asked for. Requires: the rows were all written. Raises EWriteError when the last rows
  // written cannot reach the file, platform::Exception when the file cannot be read.
  void ReadRows(int first, int end);
  // A cell of the rows read: `column` counts the cells of its row from 0.
  const TExportCellParams& Cell(int row, int column) const {
    return block_[static_cast<size_t>(row - first_) * columns_ + column];
  }

 private:
  static constexpr int kRowsPerMark = 256;

  uint32_t StyleOf(const TExportCellParams& cell);
  void Put(const void* data, size_t size);
  void Get(void* data, size_t size);
  void PutCount(uint32_t value);
  uint32_t GetCount();
  [[noreturn]] void FailWrite();
  [[noreturn]] void FailRead() const;

  std::string contents_;
  std::string folder_;
  std::FILE* file_ = nullptr;
  int writeError_ = 0;  // the error of the first write that failed
  int rows_ = 0;
  size_t columns_ = 0, cellsInRow_ = 0;
  bool reading_ = false;
  std::vector<TExportCellParams> styles_;  // alignment, background and font, without text
  std::vector<uint32_t> lastStyle_;        // per column, the style of its cell in the last row
  std::vector<long> marks_;                // file offset of every kRowsPerMark-th row
  std::vector<TExportCellParams> block_;
  std::string skipped_;
  int first_ = 0, end_ = 0;
};
