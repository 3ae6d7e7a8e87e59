#include "tests/export/support/FakeGrid.h"

#include <cstdio>
#include <stdexcept>

std::vector<int> FakeGrid::VisibleColumns() const {
  std::vector<int> list;
  for (size_t c = 0; c < Columns.size(); ++c) {
    if (Columns[c].Visible) list.push_back(static_cast<int>(c));
  }
  return list;
}

const FakeValue& FakeGrid::Value(int column) const {
  if (Current == FailAtRecord) throw platform::Exception("Cannot convert the value");
  if (Eof()) throw platform::Exception("Cannot read past the end");
  return Rows[Current][column];
}

void FakeGrid::GetCellParams(int c, TExportCellParams& params) const {
  const FakeColumn& column = Columns[c];
  params.Font = column.Font;
  params.Background = column.Color;
  params.Alignment = column.Alignment;
  params.Text = column.HasField && !Eof() ? Value(c).Text : std::string();
}

std::vector<TBookmark> FakeGrid::SelectedRows() const {
  std::vector<TBookmark> list;
  for (int record : SelRows) list.push_back(Bookmark(record));
  return list;
}

void FakeGrid::BeginWalk() {
  ++Walks;
  InWalk = true;
  SavedCurrent = Current;
}

void FakeGrid::EndWalk() {
  InWalk = false;
  Current = SavedCurrent;
}

void FakeGrid::Next() {
  if (Current < static_cast<int>(Rows.size())) ++Current;
}

int FakeGrid::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  const int x = std::stoi(a), y = std::stoi(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

int FakeGrid::FooterField(int c, int) const {
  const std::string& name =
      Columns[c].Footer.FieldName.empty() ? Columns[c].FieldName : Columns[c].Footer.FieldName;
  for (size_t i = 0; i < Columns.size(); ++i) {
    if (Columns[i].HasField && !name.empty() && Columns[i].FieldName == name)
      return static_cast<int>(i);
  }
  return -1;
}

int64_t FakeGrid::FieldAsInteger(int f) const {
  if (Columns[f].Type == ftBytes) {
    throw platform::Exception("Cannot access field '" + Columns[f].FieldName +
                              "' as type Integer");
  }
  return static_cast<int64_t>(Value(f).Number);
}

std::string FakeGrid::FormatFooterSum(int, int64_t sum) const {
  char text[64];
  std::snprintf(text, sizeof text, "%.4g", static_cast<double>(sum) / 10000.0);
  return text;
}

FakeGrid TwoByTwo() {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "F1", .Caption = "T1"});
  grid.AddColumn({.FieldName = "F2", .Caption = "T2"});
  grid.AddRow({{false, "a1"}, {false, "b1"}});
  grid.AddRow({{false, "a2"}, {false, "b2"}});
  return grid;
}
