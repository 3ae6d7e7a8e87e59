// The batch exporter's --compare on a demo installation of thirteen months: the workbook's
// sheet "Comparativo" read back by an independent reader, the CSV and TXT comparison files
// against the report's own files of both periods, the empty reference period and the option's
// errors.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/Cp1252.h"
#include "tests/export/support/XlsxReader.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

using toolstest::ReadFile;
using toolstest::RunResult;

using Table = std::vector<std::vector<std::string>>;

class CompareExport : public toolstest::FolderSuite {
 protected:
  static void SetUpTestSuite() {
    MakeFolder("compare_export");
    const RunResult demo =
        toolstest::Run({.program = "galvora-demo",
                        .args = {QString::fromStdString((*folder_ / "demo").string()),
                                 "--warehouses", "3", "--months", "13"}});
    ASSERT_EQ(demo.status, 0) << demo.err;
  }

  // January 2023, with `more` options.
  static RunResult Export(const fs::path& output, const QStringList& more,
                          const std::string& from = "2023-01-01",
                          const std::string& to = "2023-01-31") {
    return toolstest::Run(
        {.program = "repcostoav-export",
         .args = toolstest::ExportArgs(*folder_ / "demo", output, "001", from, to) << more,
         .registry = *folder_ / "demo/registry.reg"});
  }

  static Table ReadTable(const fs::path& file, char separator) {
    return xlsxtest::ParseSeparated(platform::Cp1252ToUtf8(ReadFile(file)), separator);
  }
};

// The report file's row of each warehouse by code.
std::map<std::string, std::vector<std::string>> ByCode(const Table& report) {
  std::map<std::string, std::vector<std::string>> rows;
  for (size_t r = 1; r < report.size(); ++r) {
    if (!report[r].empty() && !report[r][0].empty()) rows[report[r][0]] = report[r];
  }
  return rows;
}

// The report's column of `title`.
size_t ColumnOf(const Table& report, const std::string& title) {
  for (size_t c = 0; c < report.at(0).size(); ++c) {
    if (report[0][c] == title) return c;
  }
  ADD_FAILURE() << "no column " << title;
  return 0;
}

// CSV and TXT: the comparison file beside FILE holds, for each warehouse, the values the
// report's own file of each period shows, in the same text conventions.
TEST_F(CompareExport, TextFilesHoldBothPeriodsAsTheReportShowsThem) {
  const struct {
    const char* format;
    char separator;
  } kFormats[] = {{"csv", ';'}, {"txt", '\t'}};
  const char* const kTitles[] = {"Inv.Fin Aves", "Ent.Huevos",  "%Rend.Hvos",
                                 "Costo Alim.",  "Total Costo", "Costo Unit."};
  for (const auto& format : kFormats) {
    SCOPED_TRACE(format.format);
    const fs::path now = *folder_ / (std::string("Costos.") + format.format);
    const fs::path before = *folder_ / (std::string("Anterior.") + format.format);
    const fs::path comparison = *folder_ / (std::string("Costos-comparativo.") + format.format);
    RunResult run = Export(before, {}, "2022-12-01", "2022-12-31");
    ASSERT_EQ(run.status, 0) << run.err;
    run = Export(now, {"--compare", "previous"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string bytes = ReadFile(comparison);
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1);
    EXPECT_NE(bytes.substr(bytes.size() - 2), "\r\n");

    const Table reportNow = ReadTable(now, format.separator);
    const Table reportBefore = ReadTable(before, format.separator);
    const Table compared = ReadTable(comparison, format.separator);
    ASSERT_EQ(compared.size(), 1u + 3u + 1u);
    ASSERT_EQ(compared[0].size(), 2u + 6u * 4u);
    EXPECT_EQ(compared[0][0], "Bodega");
    EXPECT_EQ(compared[0][1], "Nombre Bodega");
    const auto nowRows = ByCode(reportNow);
    const auto beforeRows = ByCode(reportBefore);
    for (size_t m = 0; m < 6; ++m) {
      const std::string title = kTitles[m];
      EXPECT_EQ(compared[0][2 + 4 * m], title);
      EXPECT_EQ(compared[0][3 + 4 * m], title + " Ref.");
      EXPECT_EQ(compared[0][4 + 4 * m], title + " Dif.");
      EXPECT_EQ(compared[0][5 + 4 * m], title + " Var.%");
      for (size_t r = 1; r <= 3; ++r) {
        const std::string& code = compared[r][0];
        EXPECT_EQ(compared[r][1], nowRows.at(code)[1]);
        EXPECT_EQ(compared[r][2 + 4 * m], nowRows.at(code)[ColumnOf(reportNow, title)])
            << code << " " << title;
        EXPECT_EQ(compared[r][3 + 4 * m], beforeRows.at(code)[ColumnOf(reportBefore, title)])
            << code << " " << title;
      }
    }
    EXPECT_EQ(compared[4][0], "");
    EXPECT_EQ(compared[4][1], "Total");
  }
}

// XLSX: the workbook keeps its sheet "Costos" and gets "Comparativo" with the workbook
// conventions: bold titles in a frozen row, a filter over the warehouses, typed numbers in the
// report's formats, the totals row in bold below the filter, rises and falls coloured by
// whether they are good.
TEST_F(CompareExport, WorkbookGetsTheComparisonSheet) {
  const fs::path plain = *folder_ / "Plain.xlsx";
  const fs::path xlsx = *folder_ / "Costos.xlsx";
  RunResult run = Export(plain, {});
  ASSERT_EQ(run.status, 0) << run.err;
  run = Export(xlsx, {"--compare", "year"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(fs::exists(*folder_ / "Costos-comparativo.xlsx"));

  // The report's sheet is the one written without a comparison.
  const XlsxBook costs = ReadXlsx(xlsx.string());
  const XlsxBook alone = ReadXlsx(plain.string());
  EXPECT_EQ(alone.Sheets, std::vector<std::string>{"Costos"});
  EXPECT_EQ(costs.Sheets, (std::vector<std::string>{"Costos", "Comparativo"}));
  EXPECT_EQ(costs.Rows, alone.Rows);
  for (const auto& [ref, cell] : alone.Cells) {
    EXPECT_EQ(costs.Cells.at(ref).Value, cell.Value) << ref;
    EXPECT_EQ(costs.Cells.at(ref).Format, cell.Format) << ref;
  }

  const XlsxBook sheet = ReadXlsx(xlsx.string(), "", "Comparativo");
  EXPECT_EQ(sheet.Pane.at("state"), "frozen");
  EXPECT_EQ(sheet.Pane.at("ySplit"), "1");
  EXPECT_EQ(sheet.AutoFilter, "A1:Z4");
  EXPECT_EQ(sheet.Rows, 5);
  EXPECT_EQ(sheet.Columns.size(), 26u);
  EXPECT_EQ(sheet.Cells.at("A1").Value, "Bodega");
  EXPECT_TRUE(sheet.Cells.at("A1").Bold);
  EXPECT_EQ(sheet.Cells.at("W1").Value, "Costo Unit.");
  EXPECT_EQ(sheet.Cells.at("Z1").Value, "Costo Unit. Var.%");
  EXPECT_EQ(sheet.Cells.at("B5").Value, "Total");
  EXPECT_TRUE(sheet.Cells.at("W5").Bold);

  // Each warehouse's values now are the report sheet's numbers; the difference is typed and
  // exact; the percentage is shown with its sign.
  for (int r = 2; r <= 4; ++r) {
    const std::string row = std::to_string(r);
    const std::string code = sheet.Cells.at("A" + row).Value;
    std::string costRow;
    for (int c = 2; c <= 4; ++c) {
      if (costs.Cells.at("A" + std::to_string(c)).Value == code) costRow = std::to_string(c);
    }
    ASSERT_FALSE(costRow.empty()) << code;
    // Ent.Huevos is the report's column H, Total Costo U and Costo Unit. V.
    EXPECT_EQ(sheet.Cells.at("G" + row).Value, costs.Cells.at("H" + costRow).Value);
    EXPECT_EQ(sheet.Cells.at("S" + row).Value, costs.Cells.at("U" + costRow).Value);
    EXPECT_EQ(sheet.Cells.at("W" + row).Value, costs.Cells.at("V" + costRow).Value);
    EXPECT_EQ(sheet.Cells.at("W" + row).Format, costs.Cells.at("V" + costRow).Format);
    const XlsxCell& difference = sheet.Cells.at("U" + row);
    EXPECT_EQ(difference.Type, "n");
    const long long now = std::llround(std::stod(sheet.Cells.at("S" + row).Value) * 100);
    const long long before = std::llround(std::stod(sheet.Cells.at("T" + row).Value) * 100);
    EXPECT_EQ(std::llround(std::stod(difference.Value) * 100), now - before);
    EXPECT_EQ(sheet.Cells.at("V" + row).Format, "#,##0.00\"%\"");
  }

  // A rise in eggs is good (green), in cost bad (red): 2 rules on each of the 12 difference
  // and change columns, over the warehouses and the totals.
  ASSERT_EQ(sheet.Conditional.size(), 24u);
  const struct {
    const char* range;
    const char* op;
    const char* font;
  } kRules[] = {{"I2:I5", "greaterThan", "FF006100"},
                {"I2:I5", "lessThan", "FF9C0006"},
                {"U2:U5", "greaterThan", "FF9C0006"},
                {"U2:U5", "lessThan", "FF006100"}};
  for (const auto& rule : kRules) {
    bool found = false;
    for (const auto& conditional : sheet.Conditional) {
      found = found ||
              (conditional.at("range") == rule.range && conditional.at("operator") == rule.op &&
               conditional.at("font") == rule.font && conditional.at("value") == "0");
    }
    EXPECT_TRUE(found) << rule.range << " " << rule.op;
  }
}

// A reference period without rows is said with its dates; the files are written with blanks.
TEST_F(CompareExport, EmptyReferencePeriodIsSaid) {
  const fs::path csv = *folder_ / "Vacio.csv";
  const RunResult run = Export(csv, {"--compare", "2020-01-01:2020-01-31"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "No hay datos en el per\u00EDodo de referencia (2020/01/01 - 2020/01/31) para "
            "comparar.\n");
  const Table compared = ReadTable(*folder_ / "Vacio-comparativo.csv", ';');
  ASSERT_EQ(compared.size(), 5u);
  EXPECT_NE(compared[1][2], "");
  EXPECT_EQ(compared[1][3], "");
  EXPECT_EQ(compared[1][4], "");
}

// Bad --compare values and formats that take no comparison are usage errors (status 2) that
// say what is wrong; nothing is written.
TEST_F(CompareExport, OptionErrors) {
  const struct {
    const char* output;
    QStringList more;
    const char* message;
  } kCases[] = {
      {"E.csv", {"--compare", "lastweek"}, "--compare: previous, year or FROM:TO"},
      {"E.csv", {"--compare", "2022-01-01"}, "--compare: previous, year or FROM:TO"},
      {"E.csv",
       {"--compare", "2022-03-01:2022-02-01"},
       "--compare: 2022-03-01 is after 2022-02-01"},
      {"E.csv", {"--compare", "2022-02-30:2022-03-01"}, "--compare: not a date of the form"},
      {"E.csv", {"--compare", "2022/01/01:2022/01/31"}, "--compare: not a date of the form"},
      {"E.htm", {"--compare", "year"}, "--compare: not available for htm"},
      {"-", {"--format", "csv", "--compare", "year"}, "give --output FILE"},
      {"E.csv", {"--compare", "year", "--compare", "previous"}, "--compare: given twice"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.message);
    const fs::path output = std::string(c.output) == "-" ? fs::path("-") : *folder_ / c.output;
    const RunResult run = Export(output, c.more);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(*folder_ / c.output));
  }
}

}  // namespace
