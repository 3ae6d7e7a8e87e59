#pragma once

// The comparison laid out as a table, as its files show it: the warehouse's code and name,
// then for each compared column its value now, in the reference period, the difference and
// the change in percent; a totals row closes it. Texts are Windows-1252, values shown with
// the report's display formats and the operator's separators.

#include <optional>
#include <string>
#include <vector>

#include "report/Comparison.h"

namespace report {

struct TComparisonColumn {
  enum TPart { Code, Name, Now, Before, Difference, Percent };
  std::string Title;
  TPart Part = Code;
  int Measure = -1;    // the measure's index for the value parts
  std::string Format;  // the display format of the value parts
};

// The table's columns: "Bodega", "Nombre Bodega", then per measure "<title>",
// "<title> Ref.", "<title> Dif.", "<title> Var.%".
std::vector<TComparisonColumn> ComparisonColumns(const TComparison& comparison);

// The value of `column` in `row`; empty for the code and name columns and for blanks.
const std::optional<TBcd>& ComparisonValue(const TComparisonRow& row,
                                           const TComparisonColumn& column);

// The text `column` shows for `row`: code and name as they are, values in their display
// format, blanks empty.
std::string ComparisonCellText(const TComparisonRow& row, const TComparisonColumn& column);

// The display format of the change in percent.
inline constexpr char kPercentChangeFormat[] = "#,##0.00%";

}  // namespace report
