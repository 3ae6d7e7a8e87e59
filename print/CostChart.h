#pragma once

// The figures and the drawing of the report's cost charts: unit cost per warehouse as bars,
// and each warehouse's total cost split into its parts as stacked bars with a legend. On a
// report of many warehouses only those of highest unit cost are charted.

#include <QRectF>
#include <string>
#include <vector>

class QPainter;

// One warehouse's figures. Texts are Windows-1252. A missing figure (NULL) is NaN: it draws
// no bar and no label, and a missing unit cost ranks below every other.
struct TCostChartEntry {
  std::string Label;
  double UnitCost = 0;
  std::vector<double> Parts;
  long Order = 0;  // its place in the report
};

class TCostChartData {
 public:
  // Keeps at most `limit` warehouses.
  explicit TCostChartData(int limit = 30) : limit_(limit) {}

  // Adds the next warehouse of the report; past the limit, the one of lowest unit cost goes
  // (of equal ones, the later in the report).
  void Add(std::string label, double unitCost, std::vector<double> parts);
  // False when a warehouse of `unitCost` would not be kept: then Skip counts it instead, and
  // its label and parts need not be read.
  bool Wants(double unitCost) const;
  void Skip() { ++total_; }

  // The warehouses to chart: all of them in the report's order, or, when there were more
  // than the limit, the kept ones from the highest unit cost down.
  std::vector<TCostChartEntry> Entries() const;
  long Total() const { return total_; }
  int Limit() const { return limit_; }
  bool Truncated() const { return total_ > limit_; }

 private:
  int limit_;
  long total_ = 0;
  std::vector<TCostChartEntry> heap_;  // min-heap on (unit cost, earlier first)
};

// The titles the charts carry. Texts are Windows-1252.
struct TCostChartTitles {
  std::string UnitCost;                // the unit cost column's title
  std::vector<std::string> Parts;      // the part columns' titles, as the legend
};

// Draws both charts one above the other in `area` (dots on a painter scaled by ScaleToDots),
// with the note on the warehouses left out when the figures were cut to the limit.
void DrawCostCharts(QPainter& painter, const QRectF& area, const TCostChartData& data,
                    const TCostChartTitles& titles);

// The steps of a value axis from `low` to `high` (low <= 0 <= high): a round step of 1, 2 or
// 5 times a power of ten giving at most `maxTicks` intervals. Returns the step; `first` and
// `last` receive the axis ends, multiples of the step that enclose low and high.
double AxisStep(double low, double high, int maxTicks, double& first, double& last);
