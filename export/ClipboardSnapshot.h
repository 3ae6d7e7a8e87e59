#pragma once

// What a copy of the report grid covers, kept so that each clipboard format can be written
// when a program asks for it: the grid's columns, footers and selection as they were at the
// copy, and the rows through a result set of its own that shares the copied rows. Later
// selection changes, recalculations or the grid's end do not change what it writes.

#include <memory>
#include <string>
#include <vector>

#include "export/DBGridEhSource.h"
#include "export/ExportAsGRIDBIF.h"

class TDBGridEh;
class TClientDataSet;

class TGridClipboardSnapshot : public TDataSetExportSource, public IExportGridFieldValues {
 public:
  // The grid's copy as it stands, or nullptr when it cannot be kept this way: the data set is
  // not an open client result set holding all its rows, or a hook (cell, footer or a field's
  // text) would be read from the live grid. Such a copy is written at once instead.
  static std::unique_ptr<TGridClipboardSnapshot> Take(TDBGridEh& grid);
  ~TGridClipboardSnapshot() override;

  std::string GridName() const override { return gridName_; }
  bool ShowsTitles() const override { return titles_; }
  bool HasColLines() const override { return colLines_; }
  bool HasRowLines() const override { return rowLines_; }
  bool Ctl3D() const override { return ctl3D_; }
  bool Flat() const override { return flat_; }
  platform::TColor FixedColor() const override { return fixedColor_; }
  int PixelsPerInch() const override { return dpi_; }
  int FooterRowCount() const override { return footerRows_; }
  std::vector<int> VisibleColumns() const override { return visibleColumns_; }
  int CurrentColumn() const override { return currentColumn_; }
  bool ColumnVisible(int c) const override { return columns_[c].Visible; }
  int ColumnWidth(int c) const override { return columns_[c].Width; }
  platform::TColor ColumnColor(int c) const override { return columns_[c].Color; }
  std::string TitleCaption(int c) const override { return columns_[c].TitleCaption; }
  platform::TFontSpec TitleFont(int c) const override { return columns_[c].TitleFont; }
  platform::TColor TitleColor(int c) const override { return columns_[c].TitleColor; }
  TAlignment TitleAlignment(int c) const override { return columns_[c].TitleAlignment; }
  TExportFooter Footer(int c, int row) const override { return columns_[c].Footers[row]; }
  std::string FooterText(int c, int row) const override { return columns_[c].FooterTexts[row]; }
  void GetCellParams(int column, TExportCellParams& params) const override;
  bool HasCellHooks() const override { return false; }
  platform::TColor CellHookColor(int c) const override { return columns_[c].Color; }
  void GetFooterParams(int, int, platform::TFontSpec&, platform::TColor&, TAlignment&,
                       std::string&) const override {}
  int64_t RecordCount() const override;

  TExportSelectionType SelectionType() const override { return selectionType_; }
  std::vector<TBookmark> SelectedRows() const override { return selectedRows_; }
  int RectLeftColumn() const override { return rectLeft_; }
  int RectRightColumn() const override { return rectRight_; }
  TBookmark RectTopRow() const override { return rectTop_; }
  TBookmark RectBottomRow() const override { return rectBottom_; }
  std::vector<int> SelectedColumns() const override { return selectedColumns_; }

  // A walk starts at the record that was current at the copy.
  void BeginWalk() override;
  void EndWalk() override {}

  int ColumnField(int c) const override { return columns_[c].Field; }
  int FooterField(int c, int row) const override { return columns_[c].FooterFields[row]; }
  bool ColumnUsesPickList(int) const override { return false; }
  std::string FieldAsString(int field) const override;

 protected:
  TDataSet& Data() const override;

 private:
  struct Column {
    bool Visible = false;
    int Width = 0;
    platform::TColor Color = platform::clWindow;
    platform::TFontSpec Font;
    TAlignment Alignment = taLeftJustify;
    std::string DisplayFormat;
    int Field = -1;  // in rows_
    std::string TitleCaption;
    platform::TFontSpec TitleFont;
    platform::TColor TitleColor = platform::clBtnFace;
    TAlignment TitleAlignment = taLeftJustify;
    std::vector<TExportFooter> Footers;
    std::vector<std::string> FooterTexts;
    std::vector<int> FooterFields;
  };
  TGridClipboardSnapshot();

  std::string gridName_;
  bool titles_ = false, colLines_ = false, rowLines_ = false, ctl3D_ = false, flat_ = false;
  platform::TColor fixedColor_ = platform::clBtnFace;
  int dpi_ = 96;
  int footerRows_ = 0;
  std::vector<Column> columns_;
  std::vector<int> visibleColumns_;
  int currentColumn_ = -1;
  TExportSelectionType selectionType_ = TExportSelectionType::gstNon;
  std::vector<TBookmark> selectedRows_;
  int rectLeft_ = 0, rectRight_ = 0;
  TBookmark rectTop_, rectBottom_;
  std::vector<int> selectedColumns_;
  TBookmark current_;
  std::unique_ptr<TClientDataSet> rows_;
};
