// The comparison of two periods on real company databases: periods, matching by warehouse
// code, warehouses in one period only, totals recomputed from sums, empty periods; and the
// exact decimal arithmetic under it.

#include "report/Comparison.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <map>

#include "data/DB.h"
#include "data/DateText.h"
#include "db/CompanyDatabase.h"
#include "report/ComparisonText.h"
#include "report/ComparisonWorkbook.h"
#include "report/ScaledDecimal.h"
#include "tests/export/support/XlsxReader.h"

namespace fs = std::filesystem;

namespace {

using report::TCents;

TCents CentsOf(const std::string& text) {
  TBcd value;
  if (!TryTextToBcd(text, '.', value)) throw std::runtime_error("not a number: " + text);
  return report::BcdToCents(value);
}

std::string Text(const std::optional<TBcd>& value) {
  return value ? BcdToPlainText(*value, '.') : "(blank)";
}

std::string Text(TCents cents) { return BcdToPlainText(report::CentsToBcd(cents), '.'); }

TEST(ScaledDecimal, ConvertsAndDividesExactly) {
  const struct {
    const char* text;
    const char* cents;  // the value back in plain notation from hundredths
  } kConversions[] = {
      {"0", "0"},
      {"12500.00", "12500"},
      {"-0.05", "-0.05"},
      {"1.005", "1.01"},
      {"-1.005", "-1.01"},
      {"1.004", "1"},
      {"9999999999999.99", "9999999999999.99"},
  };
  for (const auto& c : kConversions) EXPECT_EQ(Text(CentsOf(c.text)), c.cents) << c.text;

  const struct {
    TCents numerator, denominator, quotient;
  } kDivisions[] = {{7, 2, 4}, {-7, 2, -4}, {7, -2, -4}, {5, 3, 2}, {4, 3, 1}, {0, 9, 0}};
  for (const auto& c : kDivisions) {
    EXPECT_EQ(Text(report::DivideRounded(c.numerator, c.denominator)), Text(c.quotient));
  }

  const struct {
    const char *now, *before, *percent;
  } kPercents[] = {
      {"110", "100", "10"}, {"90", "100", "-10"},   {"1", "3", "-66.67"},
      {"-5", "-10", "50"},  {"-20", "-10", "-100"}, {"100.01", "100", "0.01"},
  };
  for (const auto& c : kPercents) {
    EXPECT_EQ(Text(report::PercentChange(CentsOf(c.now), CentsOf(c.before))), c.percent)
        << c.now << " against " << c.before;
  }
}

TEST(ComparisonPeriods, PreviousYearAndGivenDates) {
  const struct {
    TDateTime from, to;
    report::TReferenceKind kind;
    TDateTime refFrom, refTo;
  } kCases[] = {
      // Previous: whole calendar months take as many whole months before, across a year's
      // end; other periods as many days, ending the day before.
      {EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31), report::TReferenceKind::Previous,
       EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28)},
      {EncodeDate(2022, 12, 1), EncodeDate(2022, 12, 31), report::TReferenceKind::Previous,
       EncodeDate(2022, 11, 1), EncodeDate(2022, 11, 30)},
      {EncodeDate(2023, 1, 1), EncodeDate(2023, 3, 31), report::TReferenceKind::Previous,
       EncodeDate(2022, 10, 1), EncodeDate(2022, 12, 31)},
      {EncodeDate(2024, 1, 1), EncodeDate(2024, 1, 1), report::TReferenceKind::Previous,
       EncodeDate(2023, 12, 31), EncodeDate(2023, 12, 31)},
      {EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 30), report::TReferenceKind::Previous,
       EncodeDate(2022, 1, 30), EncodeDate(2022, 2, 28)},
      {EncodeDate(2022, 3, 2), EncodeDate(2022, 3, 31), report::TReferenceKind::Previous,
       EncodeDate(2022, 1, 31), EncodeDate(2022, 3, 1)},
      // Year: the same dates a year earlier; 29 February becomes 28 February.
      {EncodeDate(2024, 2, 1), EncodeDate(2024, 2, 29), report::TReferenceKind::Year,
       EncodeDate(2023, 2, 1), EncodeDate(2023, 2, 28)},
      {EncodeDate(2023, 2, 1), EncodeDate(2023, 2, 28), report::TReferenceKind::Year,
       EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28)},
  };
  for (const auto& c : kCases) {
    const report::TComparisonPeriods periods = report::ComparisonPeriods(c.from, c.to, c.kind);
    EXPECT_EQ(periods.From, c.from);
    EXPECT_EQ(periods.To, c.to);
    EXPECT_EQ(DateToStr(periods.RefFrom), DateToStr(c.refFrom)) << DateToStr(c.from);
    EXPECT_EQ(DateToStr(periods.RefTo), DateToStr(c.refTo)) << DateToStr(c.from);
  }
  const report::TComparisonPeriods given = report::ComparisonPeriods(
      EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31), report::TReferenceKind::Dates,
      EncodeDate(2021, 7, 1), EncodeDate(2021, 7, 15));
  EXPECT_EQ(given.RefFrom, EncodeDate(2021, 7, 1));
  EXPECT_EQ(given.RefTo, EncodeDate(2021, 7, 15));
}

// A company database in a temporary folder: three sample warehouses over January to March
// 2022, and two more warehouses holding only a cost in one month each ("Y8" in February,
// "Z9" in March).
class Comparison : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "comparison-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = new std::string(pattern);
    db::CreateCompanyDatabase(Path(), {.sample = db::SampleData{.warehouses = 3, .months = 3}});
    db::ExecuteScript(Path(),
                      "INSERT INTO BODEGAS VALUES (100, 'Y8', 'Bodega de febrero');"
                      "INSERT INTO BODEGAS VALUES (101, 'Z9', 'Bodega de marzo');"
                      "INSERT INTO COSTOSBODEGA VALUES (9000001, '2022-02-10', 100, 'MOD', 1500);"
                      "INSERT INTO COSTOSBODEGA VALUES (9000002, '2022-03-10', 101, 'CIF', 700);");
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(*folder_, ignored);
    delete folder_;
  }
  static std::string Path() { return *folder_ + "/galvora.fdb"; }

  static report::TComparison Run(TDateTime from, TDateTime to, TDateTime refFrom, TDateTime refTo) {
    return report::RunComparison(
        Path(), "SYSDBA", "masterkey",
        report::ComparisonPeriods(from, to, report::TReferenceKind::Dates, refFrom, refTo));
  }

  // The procedure's rows for a period as text, by warehouse code.
  static std::map<std::string, std::map<std::string, std::string>> Report(const char* from,
                                                                          const char* to) {
    const db::QueryResult result = db::QueryText(
        Path(), std::string("SELECT * FROM COSTOS_AVICOLA ('") + from + "', '" + to + "')");
    std::map<std::string, std::map<std::string, std::string>> rows;
    for (const auto& row : result.rows) {
      for (size_t c = 0; c < result.columns.size(); ++c) {
        rows[*row[0]][result.columns[c]] = row[c].value_or("");
      }
    }
    return rows;
  }

  static std::string* folder_;
};

std::string* Comparison::folder_ = nullptr;

const char* const kMeasures[] = {"EXFINAVE", "ENTHUEVO", "RENDHUEVO",
                                 "COSTOALM", "TOTCOSTO", "COSTOUNIT"};

// March against February (31 days against 28): each warehouse's values are the procedure's
// of each period, with their difference and change; a warehouse in one period only has blanks
// for the other and no difference.
TEST_F(Comparison, MatchesWarehousesByCodeAcrossPeriodsOfDifferentLength) {
  const report::TComparison comparison = Run(EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31),
                                             EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28));
  EXPECT_EQ(report::ComparisonEmptyMessage(comparison), "");
  ASSERT_EQ(comparison.Measures.size(), 6u);
  const char* const kTitles[] = {"Inv.Fin Aves", "Ent.Huevos",  "%Rend.Hvos",
                                 "Costo Alim.",  "Total Costo", "Costo Unit."};
  for (size_t m = 0; m < 6; ++m) {
    EXPECT_EQ(comparison.Measures[m].FieldName, kMeasures[m]);
    EXPECT_EQ(comparison.Measures[m].Title, kTitles[m]);
  }

  const auto march = Report("2022-03-01", "2022-03-31");
  const auto february = Report("2022-02-01", "2022-02-28");
  const struct {
    const char* code;
    bool inNow, inBefore;
  } kRows[] = {{"01", true, true},
               {"02", true, true},
               {"03", true, true},
               {"Y8", false, true},
               {"Z9", true, false}};
  ASSERT_EQ(comparison.Rows.size(), std::size(kRows));
  for (size_t r = 0; r < std::size(kRows); ++r) {
    const report::TComparisonRow& row = comparison.Rows[r];
    SCOPED_TRACE(kRows[r].code);
    EXPECT_EQ(row.Code, kRows[r].code);
    EXPECT_EQ(row.Name, march.at(kRows[r].code).at("NOMBOD"));
    EXPECT_EQ(row.InNow, kRows[r].inNow);
    EXPECT_EQ(row.InBefore, kRows[r].inBefore);
    ASSERT_EQ(row.Values.size(), 6u);
    for (size_t m = 0; m < 6; ++m) {
      SCOPED_TRACE(kMeasures[m]);
      const report::TComparedValue& value = row.Values[m];
      const TCents now = CentsOf(march.at(row.Code).at(kMeasures[m]));
      const TCents before = CentsOf(february.at(row.Code).at(kMeasures[m]));
      EXPECT_EQ(Text(value.Now), row.InNow ? Text(now) : "(blank)");
      EXPECT_EQ(Text(value.Before), row.InBefore ? Text(before) : "(blank)");
      const bool both = row.InNow && row.InBefore;
      EXPECT_EQ(Text(value.Difference), both ? Text(now - before) : "(blank)");
      if (both && before != 0) {
        const double percent = std::round(static_cast<double>(now - before) /
                                          std::fabs(static_cast<double>(before)) * 10000);
        EXPECT_EQ(Text(value.Percent), Text(static_cast<TCents>(percent)));
      } else {
        EXPECT_EQ(Text(value.Percent), "(blank)");
      }
    }
  }
}

// The totals row sums stock, eggs and costs, and recomputes the yield and the unit cost from
// those sums as the procedure computes a warehouse's: never an average of the rows' ratios.
TEST_F(Comparison, TotalsRecomputeRatiosFromSums) {
  const report::TComparison comparison = Run(EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31),
                                             EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28));
  const struct {
    const char *from, *to;
    int days;
    bool now;
  } kPeriods[] = {{"2022-03-01", "2022-03-31", 31, true}, {"2022-02-01", "2022-02-28", 28, false}};
  for (const auto& period : kPeriods) {
    SCOPED_TRACE(period.from);
    std::map<std::string, TCents> sums;
    TCents sumOfYields = 0;
    int rows = 0;
    for (const auto& [code, row] : Report(period.from, period.to)) {
      for (const char* field : {"EXINIAVE", "EXFINAVE", "ENTHUEVO", "COSTOALM", "TOTCOSTO"}) {
        sums[field] += CentsOf(row.at(field));
      }
      sumOfYields += CentsOf(row.at("RENDHUEVO"));
      ++rows;
    }
    const auto total = [&](size_t m) {
      const report::TComparedValue& value = comparison.Totals.Values.at(m);
      return Text(period.now ? value.Now : value.Before);
    };
    EXPECT_EQ(total(0), Text(sums["EXFINAVE"]));
    EXPECT_EQ(total(1), Text(sums["ENTHUEVO"]));
    EXPECT_EQ(total(3), Text(sums["COSTOALM"]));
    EXPECT_EQ(total(4), Text(sums["TOTCOSTO"]));
    const long double birdDays =
        static_cast<long double>(sums["EXINIAVE"] + sums["EXFINAVE"]) / 2 * period.days;
    const auto yield = static_cast<TCents>(
        std::llround(static_cast<long double>(sums["ENTHUEVO"]) * 100 / birdDays * 100));
    EXPECT_EQ(total(2), Text(yield));
    EXPECT_NE(total(2), Text(sumOfYields / rows));
    const auto unitCost =
        static_cast<TCents>(std::llround(static_cast<long double>(sums["TOTCOSTO"]) /
                                         static_cast<long double>(sums["ENTHUEVO"]) * 100));
    EXPECT_EQ(total(5), Text(unitCost));
  }
  const report::TComparedValue& cost = comparison.Totals.Values.at(4);
  ASSERT_TRUE(cost.Now && cost.Before && cost.Difference && cost.Percent);
  EXPECT_EQ(Text(cost.Difference),
            Text(report::BcdToCents(*cost.Now) - report::BcdToCents(*cost.Before)));
}

// With one warehouse the totals row recomputes exactly the procedure's own ratios.
TEST_F(Comparison, TotalsOfOneWarehouseAreItsRow) {
  const std::string single = *folder_ + "/single.fdb";
  db::CreateCompanyDatabase(single, {.sample = db::SampleData{.warehouses = 1, .months = 2}});
  const report::TComparison one = report::RunComparison(
      single, "SYSDBA", "masterkey",
      report::ComparisonPeriods(EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28),
                                report::TReferenceKind::Previous));
  ASSERT_EQ(one.Rows.size(), 1u);
  for (size_t m = 0; m < 6; ++m) {
    SCOPED_TRACE(kMeasures[m]);
    EXPECT_EQ(Text(one.Totals.Values[m].Now), Text(one.Rows[0].Values[m].Now));
    EXPECT_EQ(Text(one.Totals.Values[m].Before), Text(one.Rows[0].Values[m].Before));
  }
}

// A reference period without rows gives a message naming its dates; a report period without
// rows gives the report's own message.
TEST_F(Comparison, EmptyPeriodsGiveClearMessages) {
  const report::TComparison noReference = Run(EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31),
                                              EncodeDate(2020, 3, 1), EncodeDate(2020, 3, 31));
  EXPECT_EQ(report::ComparisonEmptyMessage(noReference),
            "No hay datos en el per\xEDodo de referencia (" + DateToStr(EncodeDate(2020, 3, 1)) +
                " - " + DateToStr(EncodeDate(2020, 3, 31)) + ") para comparar.");
  for (const report::TComparisonRow& row : noReference.Rows) {
    EXPECT_TRUE(row.InNow);
    EXPECT_FALSE(row.InBefore);
  }
  EXPECT_FALSE(noReference.Totals.Values[4].Before.has_value());

  const report::TComparison noReport = Run(EncodeDate(2020, 3, 1), EncodeDate(2020, 3, 31),
                                           EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31));
  EXPECT_EQ(report::ComparisonEmptyMessage(noReport), "No hay datos para el reporte.");
}

// A database that cannot be opened gives the database's error.
TEST_F(Comparison, MissingDatabaseThrowsTheDatabaseError) {
  EXPECT_THROW(report::RunComparison(
                   *folder_ + "/none.fdb", "SYSDBA", "masterkey",
                   report::ComparisonPeriods(EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31),
                                             report::TReferenceKind::Year)),
               EDatabaseError);
}

// The comparison alone as a workbook, for the window's save: the sheet "Comparativo" only,
// the document's properties; a target that cannot be written fails with the file's name and
// leaves the former file as it was.
TEST_F(Comparison, SavesTheComparisonAloneAsAWorkbook) {
  const report::TComparison comparison = Run(EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31),
                                             EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28));
  const std::string path = *folder_ + "/Comparativo.xlsx";
  report::SaveComparisonWorkbook(comparison, path,
                                 {"Reporte Costos Av\xED"
                                  "cola",
                                  "001", "marzo"});
  const XlsxBook book = ReadXlsx(path, "", "Comparativo");
  EXPECT_EQ(book.Sheets, std::vector<std::string>{"Comparativo"});
  EXPECT_EQ(book.Title, "Reporte Costos Av\u00EDcola");
  EXPECT_EQ(book.Subject, "marzo");
  EXPECT_EQ(book.Rows, 1 + 5 + 1);
  EXPECT_EQ(book.AutoFilter, "A1:Z6");
  EXPECT_EQ(book.Cells.at("A6").Value, "Z9");
  EXPECT_EQ(book.Cells.count("D6"), 0u);  // Z9 has no February: blank
  EXPECT_EQ(book.Cells.at("A5").Value, "Y8");
  EXPECT_EQ(book.Cells.count("C5"), 0u);  // Y8 has no March: blank

  const std::string folderTarget = *folder_ + "/a-folder.xlsx";
  fs::create_directory(folderTarget);
  EXPECT_THROW(report::SaveComparisonWorkbook(comparison, folderTarget, {}),
               platform::EFCreateError);
  EXPECT_THROW(report::SaveComparisonText(comparison, folderTarget, true), platform::EFCreateError);
  EXPECT_TRUE(fs::is_directory(folderTarget));
}

// Warehouses sharing a code are paired in the procedure's order: the first "01" of one period
// with the first of the other. A second "01" with a cost in March only is in March alone.
TEST_F(Comparison, WarehousesSharingACodeArePairedInOrder) {
  const std::string path = *folder_ + "/shared-code.fdb";
  db::CreateCompanyDatabase(path, {.sample = db::SampleData{.warehouses = 1, .months = 3}});
  db::ExecuteScript(path,
                    "INSERT INTO BODEGAS VALUES (102, '01', 'Otra bodega 01');"
                    "INSERT INTO COSTOSBODEGA VALUES (9000003, '2022-03-15', 102, 'MOI', 250);");
  const report::TComparison comparison = report::RunComparison(
      path, "SYSDBA", "masterkey",
      report::ComparisonPeriods(EncodeDate(2022, 3, 1), EncodeDate(2022, 3, 31),
                                report::TReferenceKind::Dates, EncodeDate(2022, 2, 1),
                                EncodeDate(2022, 2, 28)));
  ASSERT_EQ(comparison.Rows.size(), 2u);
  EXPECT_EQ(comparison.Rows[0].Code, "01");
  EXPECT_TRUE(comparison.Rows[0].InNow && comparison.Rows[0].InBefore);
  EXPECT_NE(comparison.Rows[0].Name, "Otra bodega 01");
  EXPECT_EQ(comparison.Rows[1].Code, "01");
  EXPECT_EQ(comparison.Rows[1].Name, "Otra bodega 01");
  EXPECT_TRUE(comparison.Rows[1].InNow);
  EXPECT_FALSE(comparison.Rows[1].InBefore);
  EXPECT_EQ(Text(comparison.Rows[1].Values[4].Now), "250");
  EXPECT_EQ(Text(comparison.Rows[1].Values[4].Difference), "(blank)");
}

// The comparison file's name beside the report's.
TEST(ComparisonFileName, TakesTheStemAndExtension) {
  const struct {
    const char *report, *comparison;
  } kCases[] = {{"/srv/Costos.csv", "/srv/Costos-comparativo.csv"},
                {"Costos.TXT", "Costos-comparativo.TXT"},
                {"/srv/v1.2/Costos", "/srv/v1.2/Costos-comparativo"},
                {"/srv/.csv", "/srv/.csv-comparativo"}};
  for (const auto& c : kCases) EXPECT_EQ(report::ComparisonFileName(c.report), c.comparison);
}

}  // namespace
