#pragma once

// Report-shaped rows for the export benchmarks: 2 text and 20 number columns, with their
// display texts and values prepared in advance, so that a measurement covers the walk and the
// writer only.

#include <cstdio>
#include <string>
#include <vector>

#include "export/DBGridEhImpExp.h"

namespace bench {

constexpr int kColumns = 22;

class ReportRows : public IExportGrid {
 public:
  explicit ReportRows(int rows) : rows_(rows) {
    for (int r = 0; r < rows; ++r) {
      std::vector<std::string> texts;
      std::vector<double> values;
      texts.push_back("B" + std::to_string(1000 + r % 9000));
      texts.push_back("Bodega de producci\xF3n " + std::to_string(r));
      values.push_back(0);
      values.push_back(0);
      for (int c = 2; c < kColumns; ++c) {
        const double value = ((r * 7919 + c * 104729) % 100000000) / 100.0;
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", value);
        texts.push_back(text);
        values.push_back(value);
      }
      texts_.push_back(std::move(texts));
      values_.push_back(std::move(values));
    }
  }
  std::string GridName() const override { return "DBGridEh2"; }
  bool ShowsTitles() const override { return true; }
  bool HasColLines() const override { return true; }
  bool HasRowLines() const override { return true; }
  bool Ctl3D() const override { return true; }
  bool Flat() const override { return true; }
  platform::TColor FixedColor() const override { return platform::clBtnFace; }
  int PixelsPerInch() const override { return 96; }
  int FooterRowCount() const override { return 1; }
  std::vector<int> VisibleColumns() const override {
    std::vector<int> list;
    for (int c = 0; c < kColumns; ++c) list.push_back(c);
    return list;
  }
  int CurrentColumn() const override { return 0; }
  bool ColumnVisible(int) const override { return true; }
  int ColumnWidth(int) const override { return 64; }
  platform::TColor ColumnColor(int) const override { return platform::clWindow; }
  std::string TitleCaption(int c) const override { return "Columna " + std::to_string(c); }
  platform::TFontSpec TitleFont(int) const override { return {"MS Sans Serif", 8}; }
  platform::TColor TitleColor(int) const override { return platform::clBtnFace; }
  TAlignment TitleAlignment(int) const override { return taLeftJustify; }
  TExportFooter Footer(int, int) const override {
    return {TExportFooterValueType::fvtNon, "", {"Arial Narrow", 8, platform::clWindowText, true},
            platform::clMoneyGreen, taLeftJustify};
  }
  std::string FooterText(int, int) const override { return {}; }
  void GetCellParams(int c, TExportCellParams& params) const override {
    params.Font = font_;
    params.Background = platform::clWindow;
    params.Alignment = c < 2 ? taLeftJustify : taRightJustify;
    params.Text = texts_[current_][c];
  }
  platform::TColor CellHookColor(int) const override { return platform::clWindow; }
  void GetFooterParams(int, int, platform::TFontSpec&, platform::TColor&, TAlignment&,
                       std::string&) const override {}
  TExportSelectionType SelectionType() const override { return TExportSelectionType::gstAll; }
  std::vector<TBookmark> SelectedRows() const override { return {}; }
  int RectLeftColumn() const override { return 0; }
  int RectRightColumn() const override { return 0; }
  TBookmark RectTopRow() const override { return {}; }
  TBookmark RectBottomRow() const override { return {}; }
  std::vector<int> SelectedColumns() const override { return {}; }
  void BeginWalk() override {}
  void EndWalk() override {}
  void First() override { current_ = 0; }
  void Next() override { ++current_; }
  bool Eof() const override { return current_ >= rows_; }
  TBookmark GetBookmark() const override { return std::to_string(current_); }
  void GotoBookmark(const TBookmark& b) override { current_ = std::stoi(b); }
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override {
    return std::stoi(a) - std::stoi(b);
  }
  int ColumnField(int c) const override { return c; }
  int FooterField(int, int) const override { return -1; }
  bool ColumnUsesPickList(int) const override { return false; }
  TFieldType FieldType(int f) const override { return f < 2 ? ftString : ftFMTBcd; }
  bool FieldIsNull(int) const override { return false; }
  int64_t FieldAsInteger(int) const override { return 0; }
  double FieldAsFloat(int f) const override { return values_[current_][f]; }
  std::string FormatFooterSum(int, int64_t) const override { return {}; }

 private:
  int rows_;
  int current_ = 0;
  platform::TFontSpec font_{"Arial Narrow", 8, platform::clWindowText};
  std::vector<std::vector<std::string>> texts_;
  std::vector<std::vector<double>> values_;
};

}  // namespace bench
