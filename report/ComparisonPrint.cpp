#include "report/ComparisonPrint.h"

#include "data/DateText.h"
#include "report/ComparisonTable.h"
#include "report/ReportPrint.h"

namespace report {

TComparisonPrintLines::TComparisonPrintLines(const TComparison& comparison)
    : comparison_(comparison) {
  // The printed cells are the files' value columns, in their order.
  for (const TComparisonColumn& column : ComparisonColumns(comparison)) {
    if (column.Measure >= 0) columns_.push_back(column);
  }
  for (size_t m = 0; m < comparison.Measures.size(); ++m) {
    if (comparison.Measures[m].FieldName == kChartedMeasure) chartMeasure_ = static_cast<int>(m);
  }
}

int TComparisonPrintLines::Count() const { return static_cast<int>(comparison_.Rows.size()); }

void TComparisonPrintLines::Read(int index, TComparisonLine& line) const {
  const bool totals = index >= Count();
  const TComparisonRow& row =
      totals ? comparison_.Totals : comparison_.Rows[static_cast<size_t>(index)];
  line.Code = totals ? "Totales" : row.Code;
  line.Name = totals ? "" : row.Name;
  line.Cells.clear();
  for (const TComparisonColumn& column : columns_) {
    line.Cells.push_back(ComparisonCellText(row, column));
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
