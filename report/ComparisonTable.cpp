#include "report/ComparisonTable.h"

#include "platform/RegionalSettings.h"

namespace report {

std::vector<TComparisonColumn> ComparisonColumns(const TComparison& comparison) {
  std::vector<TComparisonColumn> columns = {{"Bodega", TComparisonColumn::Code, -1, ""},
                                            {"Nombre Bodega", TComparisonColumn::Name, -1, ""}};
  for (size_t m = 0; m < comparison.Measures.size(); ++m) {
    const TComparedMeasure& measure = comparison.Measures[m];
    const int index = static_cast<int>(m);
    columns.push_back({measure.Title, TComparisonColumn::Now, index, measure.DisplayFormat});
    columns.push_back(
        {measure.Title + " Ref.", TComparisonColumn::Before, index, measure.DisplayFormat});
    columns.push_back(
        {measure.Title + " Dif.", TComparisonColumn::Difference, index, measure.DisplayFormat});
    columns.push_back(
        {measure.Title + " Var.%", TComparisonColumn::Percent, index, kPercentChangeFormat});
  }
  return columns;
}

const std::optional<TBcd>& ComparisonValue(const TComparisonRow& row,
                                           const TComparisonColumn& column) {
  static const std::optional<TBcd> kBlank;
  if (column.Measure < 0 || static_cast<size_t>(column.Measure) >= row.Values.size()) {
    return kBlank;
  }
  const TComparedValue& value = row.Values[static_cast<size_t>(column.Measure)];
  switch (column.Part) {
    case TComparisonColumn::Now:
      return value.Now;
    case TComparisonColumn::Before:
      return value.Before;
    case TComparisonColumn::Difference:
      return value.Difference;
    case TComparisonColumn::Percent:
      return value.Percent;
    default:
      return kBlank;
  }
}

std::string ComparisonCellText(const TComparisonRow& row, const TComparisonColumn& column) {
  if (column.Part == TComparisonColumn::Code) return row.Code;
  if (column.Part == TComparisonColumn::Name) return row.Name;
  const std::optional<TBcd>& value = ComparisonValue(row, column);
  if (!value) return {};
  const platform::TFormatSettings& settings = platform::FormatSettings();
  if (column.Format.empty()) return BcdToPlainText(*value, settings.DecimalSeparator);
  return FormatBcd(column.Format, *value, settings);
}

}  // namespace report
