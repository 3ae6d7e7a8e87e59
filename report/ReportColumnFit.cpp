#include "report/ReportColumnFit.h"

#include <algorithm>
#include <numeric>

#include "data/DB.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "platform/Fonts.h"

namespace report {

namespace {

// The room a cell's text leaves: 2 pixels at each side, and one for rounding.
constexpr int kTextMargin = 5;

int Sum(const std::vector<int>& widths) { return std::accumulate(widths.begin(), widths.end(), 0); }

int TextWidth(const QFontMetrics& metrics, const std::string& text) {
  return metrics.horizontalAdvance(platform::ToQString(text)) + kTextMargin;
}

}  // namespace

std::vector<int> ShareColumnWidths(const std::vector<TColumnNeed>& needs, int avail,
                                   int giveWay, int giveWayMin) {
  std::vector<int> widths;
  for (const TColumnNeed& need : needs) widths.push_back(std::max(need.Text, need.Title));
  if (Sum(widths) <= avail) return widths;
  widths.clear();
  for (const TColumnNeed& need : needs) widths.push_back(need.Text);
  if (Sum(widths) <= avail || giveWay < 0 || giveWay >= static_cast<int>(widths.size())) {
    return widths;
  }
  const size_t at = static_cast<size_t>(giveWay);
  const int others = Sum(widths) - widths[at];
  widths[at] = std::min(widths[at], std::max(avail - others, giveWayMin));
  return widths;
}

TColumnNeedMeter::TColumnNeedMeter(TDBGridEh& grid) {
  const TColumnsEhList& columns = grid.VisibleColumns();
  const int count = columns.Count();
  needs_.resize(static_cast<size_t>(count));
  longest_.assign(static_cast<size_t>(count), 0);
  for (int i = 0; i < count; ++i) {
    const TColumnEh& column = *columns[i];
    TColumnNeed& need = needs_[static_cast<size_t>(i)];
    cellFonts_.emplace_back(platform::ToQFont(column.Font()));
    hasField_.push_back(column.Field() != nullptr);
    need.FieldName = column.FieldName();
    const QFontMetrics titleFont(platform::ToQFont(column.Title().Font()));
    need.Title = TextWidth(titleFont, column.Title().Caption());
    for (int row = 0; row < grid.FooterRowCount(); ++row) {
      const QFontMetrics footerFont(platform::ToQFont(column.GetFooter(row).Font()));
      need.Text = std::max(need.Text, TextWidth(footerFont, grid.FooterText(column, row)));
    }
  }
}

void TColumnNeedMeter::Add(size_t index, const std::string& text) {
  if (!hasField_[index]) return;
  // Only a text at least as long as the longest so far can be wider: figures share one digit
  // width, so the longest text is measured and the rest only counted.
  if (text.size() + 1 < longest_[index]) return;
  longest_[index] = std::max(longest_[index], text.size());
  needs_[index].Text = std::max(needs_[index].Text, TextWidth(cellFonts_[index], text));
}

std::vector<TColumnNeed> MeasureColumnNeeds(TDBGridEh& grid) {
  TColumnNeedMeter meter(grid);
  const TColumnsEhList& columns = grid.VisibleColumns();
  TDataSet& data = *grid.DataSet();
  const TBookmark current = data.GetBookmark();
  data.DisableControls();
  try {
    for (data.First(); !data.Eof(); data.Next()) {
      for (int i = 0; i < columns.Count(); ++i) {
        const TColumnEh& column = *columns[i];
        const TField* field = column.Field();
        if (field == nullptr) continue;
        meter.Add(static_cast<size_t>(i),
                  TDBGridEh::FieldDisplayText(*field, column.DisplayFormat()));
      }
    }
  } catch (...) {
    data.GotoBookmark(current);
    data.EnableControls();
    throw;
  }
  data.GotoBookmark(current);
  data.EnableControls();
  return meter.Needs();
}

void FitColumnsToNeeds(TDBGridEh& grid, const std::vector<TColumnNeed>& needs,
                       const std::string& giveWay, int giveWayChars) {
  const TColumnsEhList& columns = grid.VisibleColumns();
  if (needs.empty() || columns.Count() == 0) return;
  int avail = 0;
  int giveWayAt = -1;
  int giveWayMin = 0;
  std::vector<TColumnNeed> inOrder;
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnEh& column = *columns[i];
    avail += column.Width();
    const auto found = std::find_if(needs.begin(), needs.end(), [&](const TColumnNeed& need) {
      return need.FieldName == column.FieldName();
    });
    // A column that was not measured asks for what it has.
    inOrder.push_back(found != needs.end() ? *found
                                           : TColumnNeed{column.Width(), 0, column.FieldName()});
    if (column.FieldName() == giveWay) {
      giveWayAt = i;
      const QFontMetrics metrics(platform::ToQFont(column.Font()));
      giveWayMin = metrics.averageCharWidth() * giveWayChars + kTextMargin;
    }
  }
  const std::vector<int> widths = ShareColumnWidths(inOrder, avail, giveWayAt, giveWayMin);
  for (int i = 0; i < columns.Count(); ++i) {
    columns[i]->SetAutoFitRefWidth(std::max(widths[static_cast<size_t>(i)], 1));
  }
  grid.RunLayout();
}

}  // namespace report
