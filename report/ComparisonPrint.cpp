#include "report/ComparisonPrint.h"

#include "data/DateText.h"
#include "platform/RegionalSettings.h"
#include "report/ReportPrint.h"

namespace report {

namespace {

std::string ValueText(const std::optional<TBcd>& value, const std::string& format) {
  if (!value) return "";
  return FormatBcd(format.empty() ? "#,##0.00" : format, *value, platform::FormatSettings());
}

}  // namespace

std::string PercentText(const std::optional<TBcd>& percent) {
  if (!percent) return "";
  return FormatBcd("#,##0.00", *percent, platform::FormatSettings()) + "%";
}

TComparisonPrintLines::TComparisonPrintLines(const TComparison& comparison)
    : comparison_(comparison) {
  for (size_t m = 0; m < comparison.Measures.size(); ++m) {
    if (comparison.Measures[m].FieldName == kChartedMeasure) chartMeasure_ = static_cast<int>(m);
  }
}

int TComparisonPrintLines::Count() const { return static_cast<int>(comparison_.Rows.size()); }

void TComparisonPrintLines::Read(int index, TComparisonLine& line) const {
  const TComparisonRow& row =
      index < Count() ? comparison_.Rows[static_cast<size_t>(index)] : comparison_.Totals;
  line.Code = index < Count() ? row.Code : "Totales";
  line.Name = index < Count() ? row.Name : "";
  line.Cells.clear();
  for (size_t m = 0; m < comparison_.Measures.size(); ++m) {
    const std::string& format = comparison_.Measures[m].DisplayFormat;
    const TComparedValue empty;
    const TComparedValue& value = m < row.Values.size() ? row.Values[m] : empty;
    line.Cells.push_back(ValueText(value.Now, format));
    line.Cells.push_back(ValueText(value.Before, format));
    line.Cells.push_back(ValueText(value.Difference, format));
    line.Cells.push_back(PercentText(value.Percent));
  }
  line.ChartChange = std::numeric_limits<double>::quiet_NaN();
  if (chartMeasure_ >= 0 && static_cast<size_t>(chartMeasure_) < row.Values.size()) {
    const std::optional<TBcd>& percent = row.Values[static_cast<size_t>(chartMeasure_)].Percent;
    if (percent) line.ChartChange = BcdToDouble(*percent);
  }
}

TComparisonPrintSpec ComparisonPrintSpec(const TComparison& comparison, const std::string& company,
                                         const std::string& server) {
  const TComparisonPeriods& periods = comparison.Periods;
  TComparisonPrintSpec spec;
  spec.Heading = ReportHeading(company, server, periods.From, periods.To);
  spec.RefFrom = DateToStr(periods.RefFrom);
  spec.RefTo = DateToStr(periods.RefTo);
  for (const TComparedMeasure& measure : comparison.Measures) {
    spec.Titles.push_back(measure.Title);
    if (measure.FieldName == kChartedMeasure) spec.ChartTitle = measure.Title;
  }
  return spec;
}

}  // namespace report
