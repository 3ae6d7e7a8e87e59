#pragma once

// The workbook writer: the grid's selection as an Office Open XML workbook (.xlsx) with one
// sheet, written by libxlsxwriter in its constant-memory mode (the rows by TXlsxRows). Numbers
// stay numbers, with a number format that shows them as the grid does; texts are converted to
// Unicode. Each column is wide enough for its title and its widest value as shown.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "export/DBGridEhImpExp.h"
#include "export/XlsxRows.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

class TDBGridEhExportAsXLSX : public TDBGridEhExport {
 public:
  // Rows of a sheet, the title and footer rows included, and columns of a sheet.
  static constexpr uint32_t kMaxRows = 1048576;
  static constexpr size_t kMaxColumns = 16384;
  // Characters a cell can hold; longer texts are cut to this.
  static constexpr size_t kMaxCellText = 32767;

  TDBGridEhExportAsXLSX();
  ~TDBGridEhExportAsXLSX() override;

  // Called once the report's sheet is complete, before the workbook closes, to add further
  // sheets to it (made in constant-memory mode, their temporary files in `tmpFolder`).
  std::function<void(lxw_workbook* workbook, const std::string& tmpFolder)> MoreSheets;

  // Writes the workbook into a new file that replaces `fileName` only when complete: a failed
  // export leaves the former file as it was and nothing beside it.
  void RenderToFile(const std::string& fileName, bool saveAll) override;
  // Writes the workbook into a temporary file, then copies its bytes into `stream`.
  void RenderToStream(TStream& stream, bool saveAll) override;

 protected:
  void OpenDocument() override;
  void CloseDocument() override;
  void EmitTitleRow(const std::vector<int>& columns) override;
  void EmitDataRow(const std::vector<int>& columns) override;
  void EmitDataCell(int column, const TExportCellParams& params) override;
  void EmitFooterRow(const std::vector<int>& columns, int footerRow) override;
  void EmitFooterCell(int position, int footerRow, int column, const platform::TFontSpec& font,
                      platform::TColor background, TAlignment alignment,
                      const std::string& text) override;

 private:
  // Walks the grid into a workbook at `path` (a name libxlsxwriter can open for writing).
  void RenderToPath(const std::string& path, bool saveAll);
  void StartRow();
  void EndRow();
  void SetFilter();
  void SetColumnWidths();
  void WriteText(std::string_view cp1252, lxw_format* format);
  void WriteNumber(double value, lxw_format* format, size_t shownLength);
  // The format of a cell of `field` in the current column holding `value`: its number
  // format (cached per column and decimal count), bold for footers.
  lxw_format* NumberFormatOf(int field, double value, bool bold);
  lxw_format* Format(const std::string& numberFormat, bool bold);
  // The workbook's temporary files, for messages.
  std::string TemporaryFiles() const;
  void Check(int error, int systemError = 0) const;
  void FreeWorkbook();

  std::string path_;
  std::string shownName_;  // the file named in messages; empty when writing to a stream
  std::string tmpFolder_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* titleFormat_ = nullptr;
  std::unique_ptr<TXlsxRows> rows_;
  std::map<std::pair<std::string, bool>, lxw_format*> formats_;
  // Per exported column and bold or not: the format of each decimal count met so far.
  std::vector<std::vector<lxw_format*>> numberFormats_[2];
  // Per exported column: the grid's width in pixels and the longest text shown in it.
  std::vector<int> gridPixels_;
  std::vector<size_t> longestText_;
  std::vector<size_t> longestNumber_;
  // The next sheet row and the column within it (a position in the exported columns).
  uint32_t row_ = 0;
  uint16_t col_ = 0;
  bool titled_ = false;
  bool filtered_ = false;
  uint32_t lastDataRow_ = 0;
};

// The spreadsheet number format that shows a value with `decimals` significant decimal
// places (trailing zeros dropped) as the grid's display format `picture` shows it; an empty
// picture is the plain notation. See ExportAsXLSX.cpp for the mapping.
std::string XlsxNumberFormat(std::string_view picture, int decimals);

// Gives `workbook` the exported document's title, company and period (Windows-1252) as its
// title, company and subject properties; returns the library's status (0 when set).
int SetXlsxDocumentProperties(lxw_workbook* workbook, const TExportDocumentInfo& info);
