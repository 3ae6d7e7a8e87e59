#pragma once

// An in-memory column and row source for the writers' tests: columns with the grid's
// properties, records of typed values, a selection, and a record of the walk's side effects.

#include <cstdio>
#include <string>
#include <vector>

#include "export/ExportGrid.h"

struct FakeValue {
  bool Null = false;
  std::string Text;   // display text
  double Number = 0;  // value of numeric fields
};

struct FakeColumn {
  std::string FieldName;
  std::string Caption;
  int Width = 64;
  bool Visible = true;
  bool HasField = true;
  bool PickList = false;
  TFieldType Type = ftString;
  platform::TColor Color = platform::clWindow;
  TAlignment Alignment = taLeftJustify;
  platform::TFontSpec Font{"Arial Narrow", 8, platform::clWindowText};
  platform::TFontSpec TitleFont{"MS Sans Serif", 8, platform::clWindowText};
  platform::TColor TitleColor = platform::clBtnFace;
  TAlignment TitleAlignment = taLeftJustify;
  TExportFooter Footer{TExportFooterValueType::fvtNon, "",
                       {"Arial Narrow", 8, platform::clWindowText, true},
                       platform::clMoneyGreen, taLeftJustify};
  std::string FooterText;
  std::string DisplayFormat;  // of the column's field
};

class FakeGrid : public IExportGrid {
 public:
  std::string Name = "DBGridEh2";
  bool Titles = true;
  bool ColLines = true, RowLines = true, Is3D = true, IsFlat = true;
  platform::TColor Fixed = platform::clBtnFace;
  int Dpi = 96;
  int Footers = 1;
  std::vector<FakeColumn> Columns;
  std::vector<std::vector<FakeValue>> Rows;
  int Current = 0;        // current record
  int CurrentCol = 0;
  TExportSelectionType Selection = TExportSelectionType::gstNon;
  std::vector<int> SelRows;  // record indexes
  int RectLeft = 0, RectRight = 0, RectTop = 0, RectBottom = 0;
  std::vector<int> SelColumns;
  int FailAtRecord = -1;  // reading a cell of this record raises an error
  bool CountKnown = true;  // the record count is offered before the walk
  bool Hooks = false;      // the source says a cell hook may change cells
  // Side effects seen by tests.
  int Walks = 0;
  bool InWalk = false;
  int SavedCurrent = -1;

  // Adds a column and fills it into every record with `texts` (nullptr entries are null).
  void AddColumn(FakeColumn column) { Columns.push_back(std::move(column)); }
  void AddRow(std::vector<FakeValue> values) { Rows.push_back(std::move(values)); }

  std::string GridName() const override { return Name; }
  bool ShowsTitles() const override { return Titles; }
  bool HasColLines() const override { return ColLines; }
  bool HasRowLines() const override { return RowLines; }
  bool Ctl3D() const override { return Is3D; }
  bool Flat() const override { return IsFlat; }
  platform::TColor FixedColor() const override { return Fixed; }
  int PixelsPerInch() const override { return Dpi; }
  int FooterRowCount() const override { return Footers; }
  std::vector<int> VisibleColumns() const override;
  int CurrentColumn() const override { return CurrentCol; }
  bool ColumnVisible(int c) const override { return Columns[c].Visible; }
  int ColumnWidth(int c) const override { return Columns[c].Width; }
  platform::TColor ColumnColor(int c) const override { return Columns[c].Color; }
  std::string TitleCaption(int c) const override { return Columns[c].Caption; }
  platform::TFontSpec TitleFont(int c) const override { return Columns[c].TitleFont; }
  platform::TColor TitleColor(int c) const override { return Columns[c].TitleColor; }
  TAlignment TitleAlignment(int c) const override { return Columns[c].TitleAlignment; }
  TExportFooter Footer(int c, int) const override { return Columns[c].Footer; }
  std::string FooterText(int c, int) const override { return Columns[c].FooterText; }
  void GetCellParams(int c, TExportCellParams& params) const override;
  bool HasCellHooks() const override { return Hooks; }
  int64_t RecordCount() const override {
    return CountKnown ? static_cast<int64_t>(Rows.size()) : -1;
  }
  platform::TColor CellHookColor(int c) const override { return Columns[c].Color; }
  void GetFooterParams(int, int, platform::TFontSpec&, platform::TColor&, TAlignment&,
                       std::string&) const override {}
  TExportSelectionType SelectionType() const override { return Selection; }
  std::vector<TBookmark> SelectedRows() const override;
  int RectLeftColumn() const override { return RectLeft; }
  int RectRightColumn() const override { return RectRight; }
  TBookmark RectTopRow() const override { return Bookmark(RectTop); }
  TBookmark RectBottomRow() const override { return Bookmark(RectBottom); }
  std::vector<int> SelectedColumns() const override { return SelColumns; }
  void BeginWalk() override;
  void EndWalk() override;
  void First() override { Current = 0; }
  void Next() override;
  bool Eof() const override { return Current >= static_cast<int>(Rows.size()); }
  TBookmark GetBookmark() const override { return Bookmark(Current); }
  void GotoBookmark(const TBookmark& bookmark) override { Current = std::stoi(bookmark); }
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
  int ColumnField(int c) const override { return Columns[c].HasField ? c : -1; }
  int FooterField(int c, int r) const override;
  bool ColumnUsesPickList(int c) const override { return Columns[c].PickList; }
  TFieldType FieldType(int f) const override { return Columns[f].Type; }
  bool FieldIsNull(int f) const override { return Value(f).Null; }
  int64_t FieldAsInteger(int f) const override;
  double FieldAsFloat(int f) const override { return Value(f).Number; }
  std::string FieldDisplayFormat(int f) const override { return Columns[f].DisplayFormat; }
  std::string FormatFooterSum(int f, int64_t sum) const override;

 private:
  static TBookmark Bookmark(int record) { return std::to_string(record); }
  const FakeValue& Value(int column) const;
};


inline std::vector<int> FakeGrid::VisibleColumns() const {
  std::vector<int> list;
  for (size_t c = 0; c < Columns.size(); ++c) {
    if (Columns[c].Visible) list.push_back(static_cast<int>(c));
  }
  return list;
}

inline const FakeValue& FakeGrid::Value(int column) const {
  if (Current == FailAtRecord) throw platform::Exception("Cannot convert the value");
  if (Eof()) throw platform::Exception("Cannot read past the end");
  return Rows[Current][column];
}

inline void FakeGrid::GetCellParams(int c, TExportCellParams& params) const {
  const FakeColumn& column = Columns[c];
  params.Font = column.Font;
  params.Background = column.Color;
  params.Alignment = column.Alignment;
  params.Text = column.HasField && !Eof() ? Value(c).Text : std::string();
}

inline std::vector<TBookmark> FakeGrid::SelectedRows() const {
  std::vector<TBookmark> list;
  for (int record : SelRows) list.push_back(Bookmark(record));
  return list;
}

inline void FakeGrid::BeginWalk() {
  ++Walks;
  InWalk = true;
  SavedCurrent = Current;
}

inline void FakeGrid::EndWalk() {
  InWalk = false;
  Current = SavedCurrent;
}

inline void FakeGrid::Next() {
  if (Current < static_cast<int>(Rows.size())) ++Current;
}

inline int FakeGrid::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  const int x = std::stoi(a), y = std::stoi(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

inline int FakeGrid::FooterField(int c, int) const {
  const std::string& name =
      Columns[c].Footer.FieldName.empty() ? Columns[c].FieldName : Columns[c].Footer.FieldName;
  for (size_t i = 0; i < Columns.size(); ++i) {
    if (Columns[i].HasField && !name.empty() && Columns[i].FieldName == name)
      return static_cast<int>(i);
  }
  return -1;
}

inline int64_t FakeGrid::FieldAsInteger(int f) const {
  if (Columns[f].Type == ftBytes) {
    throw platform::Exception("Cannot access field '" + Columns[f].FieldName +
                              "' as type Integer");
  }
  return static_cast<int64_t>(Value(f).Number);
}

inline std::string FakeGrid::FormatFooterSum(int, int64_t sum) const {
  char text[64];
  std::snprintf(text, sizeof text, "%.4g", static_cast<double>(sum) / 10000.0);
  return text;
}

// A small grid: two text columns T1, T2 and the records (a1, b1), (a2, b2).
inline FakeGrid TwoByTwo() {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "F1", .Caption = "T1"});
  grid.AddColumn({.FieldName = "F2", .Caption = "T2"});
  grid.AddRow({{false, "a1"}, {false, "b1"}});
  grid.AddRow({{false, "a2"}, {false, "b2"}});
  return grid;
}
