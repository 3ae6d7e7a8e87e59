#pragma once

// The printed comparison of the report with a reference period: pages of the warehouses with,
// per compared column, the value now, in the reference period, the difference and the change
// in percent, a totals row at the end, and a last page charting the warehouses whose unit
// cost rose and fell most. The code and name repeat on every band when the columns are split.

#include <QPageLayout>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "print/PageLayout.h"
#include "print/PageSet.h"
#include "print/ReportPages.h"

// One warehouse's line as printed. Texts are Windows-1252, figures in their display form.
struct TComparisonLine {
  std::string Code, Name;
  // Per compared column: now, reference, difference, change in percent ("" where missing).
  std::vector<std::string> Cells;
  // The charted column's change in percent; NaN where there is none.
  double ChartChange = std::numeric_limits<double>::quiet_NaN();
};

// Gives the lines as they are needed, so that many warehouses are not held twice as text.
class TComparisonLines {
 public:
  virtual ~TComparisonLines() = default;
  // The warehouses, without the totals.
  virtual int Count() const = 0;
  // Line `index` (from 0); `index` == Count() is the totals line.
  virtual void Read(int index, TComparisonLine& line) const = 0;
};

struct TComparisonPrintSpec {
  TReportHeading Heading;           // company, server, the report period, time of printing
  std::string RefFrom, RefTo;       // the reference period, short date form
  std::vector<std::string> Titles;  // the compared columns' titles (Windows-1252)
  std::string ChartTitle;           // the charted column's title
};

// The warehouses of largest rise and largest fall of the charted column, the larger first.
struct TComparisonChartData {
  std::vector<std::pair<int, double>> Rises, Falls;  // line index, change in percent
  long RiseCount = 0, FallCount = 0;                 // all of them, charted or not
};

// Picks at most `limit` rises and `limit` falls from (line index, change) pairs; NaN and zero
// changes are neither.
TComparisonChartData PickLargestChanges(const std::vector<std::pair<int, double>>& changes,
                                        int limit);

class TComparisonPages : public TPageSet {
 public:
  // The warehouses charted each way.
  static constexpr int kChartLimit = 15;

  // Reads every line once for the columns' widths and the chart. Requires: `lines` outlives
  // the pages and does not change while they are in use.
  TComparisonPages(const TComparisonLines& lines, TComparisonPrintSpec spec);

  void SetPageLayout(const QPageLayout& layout) override;
  const QPageLayout& PageLayout() const override { return pageLayout_; }
  int PageCount() const override { return layout_.PageCount; }
  void SetPrinted(std::string printed) override { spec_.Heading.Printed = std::move(printed); }
  void DrawPage(QPainter& painter, int page) override;

  const TPageLayoutResult& Layout() const { return layout_; }
  bool HasChartPage() const { return !chart_.Rises.empty() || !chart_.Falls.empty(); }
  const TComparisonChartData& Chart() const { return chart_; }

 private:
  void MeasureLines();
  void DrawHeader(QPainter& painter, int page) const;
  void DrawRows(QPainter& painter, int page) const;
  void DrawChart(QPainter& painter) const;
  // The left edges of the cells of a band's columns, and its right end, in dots.
  std::vector<double> CellEdges(const std::vector<int>& band) const;

  const TComparisonLines& lines_;
  TComparisonPrintSpec spec_;
  // Widths in points at full size: code, name, then the four cells of each compared column.
  std::vector<double> widths_;
  double titleWidth_ = 0;  // the widest measure title, so that a group is never narrower
  TComparisonChartData chart_;
  QPageLayout pageLayout_;
  TPageLayoutResult layout_;
};
