#pragma once

// The report grid as an export source whose rows were read once, forward only, and wait in a
// temporary file: the batch exporter measures every row before it writes the first, without
// keeping the rows in memory. Columns, titles and footers are the grid's as they are when the
// writer asks (so widths fitted after the read are the ones written).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "export/DBGridEhSource.h"

class TDBGridEh;
class TReportRowSpool;

class TSpooledExportSource : public IExportGrid {
 public:
  // Told each cell as it is read: its position among the visible columns, and its parameters.
  using TCellObserver = std::function<void(size_t position, const TExportCellParams& cell)>;

  // True when the rows of `grid` can be written from their cells alone: no cell or footer hook
  // reads the current record, and no footer adds up or shows the records' values.
  static bool Serves(TDBGridEh& grid);

  // Reads every row of the grid's data set from the first, forward only, keeping the cells of
  // its visible columns in an unnamed temporary file in $TMPDIR named `contents` in messages.
  // Requires: the grid outlives the source. Raises std::logic_error when !Serves(grid), and
  // EWriteError when the file does not take the cells.
  TSpooledExportSource(TDBGridEh& grid, const std::string& contents,
                       const TCellObserver& observe = {});
  ~TSpooledExportSource() override;

  std::string GridName() const override { return grid_.GridName(); }
  bool ShowsTitles() const override { return grid_.ShowsTitles(); }
  bool HasColLines() const override { return grid_.HasColLines(); }
  bool HasRowLines() const override { return grid_.HasRowLines(); }
  bool Ctl3D() const override { return grid_.Ctl3D(); }
  bool Flat() const override { return grid_.Flat(); }
  platform::TColor FixedColor() const override { return grid_.FixedColor(); }
  int PixelsPerInch() const override { return grid_.PixelsPerInch(); }
  int FooterRowCount() const override { return grid_.FooterRowCount(); }
  std::vector<int> VisibleColumns() const override { return columns_; }
  int CurrentColumn() const override { return grid_.CurrentColumn(); }
  bool ColumnVisible(int c) const override { return grid_.ColumnVisible(c); }
  int ColumnWidth(int c) const override { return grid_.ColumnWidth(c); }
  platform::TColor ColumnColor(int c) const override { return grid_.ColumnColor(c); }
  std::string TitleCaption(int c) const override { return grid_.TitleCaption(c); }
  platform::TFontSpec TitleFont(int c) const override { return grid_.TitleFont(c); }
  platform::TColor TitleColor(int c) const override { return grid_.TitleColor(c); }
  TAlignment TitleAlignment(int c) const override { return grid_.TitleAlignment(c); }
  TExportFooter Footer(int c, int row) const override { return grid_.Footer(c, row); }
  std::string FooterText(int c, int row) const override { return grid_.FooterText(c, row); }
  // The cell of the current row as it was read.
  void GetCellParams(int column, TExportCellParams& params) const override;
  platform::TColor CellHookColor(int c) const override { return grid_.ColumnColor(c); }
  void GetFooterParams(int, int, platform::TFontSpec&, platform::TColor&, TAlignment&,
                       std::string&) const override {}
  bool HasCellHooks() const override { return false; }
  int64_t RecordCount() const override { return rows_; }

  // All rows read, over the visible columns.
  TExportSelectionType SelectionType() const override { return TExportSelectionType::gstAll; }
  std::vector<TBookmark> SelectedRows() const override { return {}; }
  int RectLeftColumn() const override { return 0; }
  int RectRightColumn() const override { return -1; }
  TBookmark RectTopRow() const override { return {}; }
  TBookmark RectBottomRow() const override { return {}; }
  std::vector<int> SelectedColumns() const override { return columns_; }

  void BeginWalk() override { row_ = 0; }
  void EndWalk() override {}
  void First() override { row_ = 0; }
  void Next() override { ++row_; }
  bool Eof() const override { return row_ >= rows_; }
  TBookmark GetBookmark() const override { return std::to_string(row_); }
  void GotoBookmark(const TBookmark& bookmark) override { row_ = std::stoi(bookmark); }
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;

  // Fields: their kinds and formats are the grid's; the records' values are not kept.
  int ColumnField(int c) const override { return grid_.ColumnField(c); }
  int FooterField(int c, int row) const override { return grid_.FooterField(c, row); }
  bool ColumnUsesPickList(int c) const override { return grid_.ColumnUsesPickList(c); }
  TFieldType FieldType(int field) const override { return grid_.FieldType(field); }
  bool FieldIsNull(int field) const override;
  int64_t FieldAsInteger(int field) const override;
  double FieldAsFloat(int field) const override;
  std::string FieldDisplayFormat(int field) const override {
    return grid_.FieldDisplayFormat(field);
  }
  std::string FormatFooterSum(int field, int64_t sum) const override {
    return grid_.FormatFooterSum(field, sum);
  }

 private:
  static constexpr int kRowsPerBlock = 256;

  TDBGridEhExportSource grid_;
  std::unique_ptr<TReportRowSpool> spool_;
  std::vector<int> columns_;
  std::vector<int> positions_;  // per grid column, its position among columns_, or -1
  int rows_ = 0;
  int row_ = 0;
};
