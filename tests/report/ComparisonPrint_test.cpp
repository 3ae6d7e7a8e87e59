// The comparison's printed lines: each value in its column's display format, blanks where a
// warehouse is missing from a period, the totals last, and the unit cost's change charted.

#include "report/ComparisonPrint.h"

#include <gtest/gtest.h>

#include <cmath>

#include "data/DateText.h"
#include "platform/RegionalSettings.h"

namespace {

std::optional<TBcd> Bcd(const char* text) {
  if (text == nullptr) return std::nullopt;
  TBcd value;
  EXPECT_TRUE(TryTextToBcd(text, '.', value)) << text;
  return value;
}

report::TComparedValue Value(const char* now, const char* before, const char* difference,
                             const char* percent) {
  return {Bcd(now), Bcd(before), Bcd(difference), Bcd(percent)};
}

class ComparisonPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    former_ = platform::FormatSettings();
    platform::TFormatSettings settings;
    settings.DecimalSeparator = ',';
    settings.ThousandSeparator = '.';
    settings.DateSeparator = '/';
    settings.ShortDateFormat = "dd/mm/yyyy";
    platform::SetFormatSettings(settings);
  }
  void TearDown() override { platform::SetFormatSettings(former_); }
  platform::TFormatSettings former_;
};

TEST_F(ComparisonPrintTest, LinesShowTheValuesInTheirFormatsAndBlanksWhereMissing) {
  report::TComparison comparison;
  comparison.Periods = {EncodeDate(2025, 2, 1), EncodeDate(2025, 2, 28), EncodeDate(2025, 1, 1),
                        EncodeDate(2025, 1, 28)};
  comparison.Measures = {{"TOTCOSTO", "Total Costo", "#,###"},
                         {"COSTOUNIT", "Costo Unit.", "#,###.00"}};
  comparison.Rows.push_back({"01", "Galp\xf3n 1", true, true,
                             {Value("1234567", "1000000", "234567", "23.4567"),
                              Value("12.5", "10", "2.5", "25")}});
  comparison.Rows.push_back({"02", "Nuevo", true, false,
                             {Value("5000", nullptr, nullptr, nullptr),
                              Value("3.25", nullptr, nullptr, nullptr)}});
  comparison.Rows.push_back({"03", "Cero antes", true, true,
                             {Value("100", "0", "100", nullptr), Value("-1.5", "0", "-1.5", nullptr)}});
  comparison.Totals = {"", "", true, true,
                       {Value("1239667", "1000000", "239667", "23.9667"),
                        Value("11.9", "10", "1.9", "19")}};

  const report::TComparisonPrintLines lines(comparison);
  ASSERT_EQ(lines.Count(), 3);
  const struct {
    int index;
    const char* code;
    std::vector<std::string> cells;
    double change;  // NaN: none
  } cases[] = {
      {0, "01", {"1.234.567", "1.000.000", "234.567", "23,46%", "12,50", "10,00", "2,50", "25,00%"}, 25},
      {1, "02", {"5.000", "", "", "", "3,25", "", "", ""}, NAN},
      {2, "03", {"100", "0", "100", "", "-1,50", "0,00", "-1,50", ""}, NAN},
      {3, "Totales", {"1.239.667", "1.000.000", "239.667", "23,97%", "11,90", "10,00", "1,90", "19,00%"}, 19},
  };
  TComparisonLine line;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    lines.Read(c.index, line);
    EXPECT_EQ(line.Code, c.code);
    EXPECT_EQ(line.Cells, c.cells);
    if (std::isnan(c.change)) {
      EXPECT_TRUE(std::isnan(line.ChartChange));
    } else {
      EXPECT_DOUBLE_EQ(line.ChartChange, c.change);
    }
  }

  const TComparisonPrintSpec spec = report::ComparisonPrintSpec(comparison, "001", "/srv");
  EXPECT_EQ(spec.Heading.From, "01/02/2025");
  EXPECT_EQ(spec.Heading.To, "28/02/2025");
  EXPECT_EQ(spec.RefFrom, "01/01/2025");
  EXPECT_EQ(spec.RefTo, "28/01/2025");
  EXPECT_EQ(spec.Titles, (std::vector<std::string>{"Total Costo", "Costo Unit."}));
  EXPECT_EQ(spec.ChartTitle, "Costo Unit.");
}

}  // namespace
