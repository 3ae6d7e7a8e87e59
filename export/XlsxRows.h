#pragma once

// The rows of a workbook sheet written straight into the library's row file (its
// constant-memory mode), in the XML the library itself writes, with each number in the
// shortest decimal form that reads back as the same value (99417727.6, not 99417727.59999999)
// and without the C library's locale-dependent printing.

#include <cstdint>
#include <string>
#include <string_view>

struct lxw_worksheet;
struct lxw_format;

class TXlsxRows {
 public:
  // Requires: `sheet` was made in constant-memory mode and no cell was written through the
  // library. `tmpFolder` names the folder of the row file, for messages.
  TXlsxRows(lxw_worksheet* sheet, std::string tmpFolder);

  // Starts sheet row `row` (0-based); rows come in increasing order.
  void StartRow(uint32_t row);
  // Cells of the started row, in increasing column order (0-based). `format` may be null.
  void Number(uint16_t column, double value, lxw_format* format);
  void Text(uint16_t column, std::string_view utf8, lxw_format* format);
  // Writes the started row to the row file. Raises EWriteError naming the row file's folder
  // and the reason when the write fails.
  void EndRow();

 private:
  void CellStart(uint16_t column, lxw_format* format);

  lxw_worksheet* sheet_;
  std::string tmpFolder_;
  std::string row_;
  uint32_t rowIndex_ = 0;
  std::string rowNumber_;  // the started row's number as text (1-based)
  bool rowHasCells_ = false;
};

// The shortest decimal text that reads back as `value` ("0.1", "1e+20", "-2.5").
std::string ShortestNumberText(double value);
