#pragma once

// The comparison on paper: its lines with the figures in their display forms, the pages'
// heading, and the print preview the window opens on it.

#include <string>
#include <vector>

#include "print/ComparisonPages.h"
#include "report/Comparison.h"
#include "report/ComparisonTable.h"

namespace report {

// The comparison's warehouses and totals as printed lines, with the texts of the comparison's
// files (each value in its column's display format); the unit cost's change is charted.
class TComparisonPrintLines : public TComparisonLines {
 public:
  // Requires: `comparison` outlives the lines.
  explicit TComparisonPrintLines(const TComparison& comparison);
  int Count() const override;
  void Read(int index, TComparisonLine& line) const override;

 private:
  const TComparison& comparison_;
  std::vector<TComparisonColumn> columns_;  // the value columns, four per measure
  int chartMeasure_ = -1;  // the measure whose change is charted, -1 for none
};

// The field whose change in percent the comparison's chart shows.
inline constexpr const char kChartedMeasure[] = "COSTOUNIT";

// The pages' heading for the comparison of `company` on `server` (UTF-8), printed now.
TComparisonPrintSpec ComparisonPrintSpec(const TComparison& comparison, const std::string& company,
                                         const std::string& server);

}  // namespace report
