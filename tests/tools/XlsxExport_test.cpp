// The batch exporter's workbook format on demo databases: read back by zipfile and the sheet
// XML and by LibreOffice, against the grid's texts of the same report; and a report longer
// than the XLS format's rows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/CompanyDatabase.h"
#include "platform/Cp1252.h"
#include "report/ReportFields.h"
#include "tests/export/support/XlsxReader.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

using toolstest::ReadFile;
using toolstest::RunResult;

class XlsxBatchExport : public toolstest::FolderSuite {
 protected:
  static void SetUpTestSuite() { MakeFolderWithDemo("xlsx_batch", 5); }

  static RunResult Export(const std::string& company, const fs::path& output,
                          const QStringList& more = {}) {
    return toolstest::Run(
        {.program = "repcostoav-export",
         .args = toolstest::ExportArgs(*folder_ / "demo", output, company) << more,
         .registry = *folder_ / "demo/registry.reg",
         .timeoutMs = 600000});
  }
};

// The demo report as a workbook: a spreadsheet shows every title and cell as the grid's CSV
// export of the same report writes it, numbers are typed with their column's format, and the
// properties name the report, the company and the period.
TEST_F(XlsxBatchExport, DemoReportShowsTheGridsTexts) {
  const fs::path csv = *folder_ / "Costos.csv";
  const fs::path xlsx = *folder_ / "Costos.XLSX";
  RunResult run = Export("001", csv);
  ASSERT_EQ(run.status, 0) << run.err;
  run = Export("001", xlsx);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");

  const auto grid = xlsxtest::ParseSeparated(platform::Cp1252ToUtf8(ReadFile(csv)), ';');
  const auto shown = XlsxAsShown(xlsx.string());
  // The grid's footer row is empty: the workbook has no row for it.
  ASSERT_GE(grid.size(), 3u);
  ASSERT_EQ(shown.size(), grid.size() - 1);
  for (size_t r = 0; r < shown.size(); ++r) {
    EXPECT_EQ(shown[r], grid[r]) << "row " << r;
  }

  // Standard output carries the same workbook.
  run = Export("001", "-", {"--format", "xlsx"});
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path piped = *folder_ / "piped.xlsx";
  std::ofstream(piped, std::ios::binary) << run.out;
  EXPECT_EQ(XlsxAsShown(piped.string()), shown);

  const XlsxBook book = ReadXlsx(xlsx.string());
  EXPECT_EQ(book.Title, "Reporte Costos Av\u00EDcola");
  EXPECT_EQ(book.Company, "001");
  EXPECT_EQ(book.Subject, "2022/01/01 - 2022/01/31");
  EXPECT_EQ(book.Pane.at("state"), "frozen");
  EXPECT_EQ(book.AutoFilter, "A1:V" + std::to_string(shown.size()));
  for (size_t r = 2; r <= shown.size(); ++r) {
    for (int c = 0; c < report::kReportFieldCount; ++c) {
      const std::string ref = std::string(1, static_cast<char>('A' + c)) + std::to_string(r);
      const report::TReportFieldSpec& field = report::kReportFields[c];
      const auto found = book.Cells.find(ref);
      if (found == book.Cells.end()) {
        EXPECT_EQ(grid[r - 1][static_cast<size_t>(c)], "") << ref;
        continue;
      }
      const XlsxCell& cell = found->second;
      if (field.Size > 0) {
        EXPECT_EQ(cell.Type, "inlineStr") << ref;
        continue;
      }
      EXPECT_EQ(cell.Type, "n") << ref;
      const std::string picture = field.DisplayFormat;
      if (picture == "#,###") {
        EXPECT_TRUE(cell.Format == "#,##0" || cell.Format == "#,##0.0" || cell.Format == "#,##0.00")
            << ref << " " << cell.Format;
      } else {
        EXPECT_EQ(cell.Format, picture == "#,###.00" ? "#,##0.00"
                               : picture == "###.00" ? "0.00"
                                                     : "0.00\"%\"")
            << ref;
      }
    }
  }
}

// A company code outside ASCII (file-system bytes, UTF-8) is the workbook's Company as given.
TEST_F(XlsxBatchExport, CompanyOutsideAsciiKeepsItsLetters) {
  const std::string company = "\u00D101";
  const fs::path database = *folder_ / "demo/datos" / company / "galvora.fdb";
  fs::create_directories(database.parent_path());
  db::CreateCompanyDatabase(database.string(), {.sample = db::SampleData{.warehouses = 3}});
  const fs::path xlsx = *folder_ / "Compania.xlsx";
  const RunResult run = Export(company, xlsx);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadXlsx(xlsx.string()).Company, company);
}

// 100,000 warehouses: the XLS writer stops at its 65,536 rows, the workbook takes them all.
TEST_F(XlsxBatchExport, HundredThousandRowsFitTheWorkbookNotTheXlsFile) {
  const std::string database = (*folder_ / "demo/datos/005/galvora.fdb").string();
  fs::create_directories(fs::path(database).parent_path());
  db::CreateCompanyDatabase(database, {.sample = db::SampleData{.warehouses = 100000}});

  const fs::path xls = *folder_ / "Grande.xls";
  RunResult run = Export("005", xls);
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.err,
            "XLS row limit of 65536 rows exceeded. Save it as an Excel workbook (.xlsx) instead\n");
  EXPECT_FALSE(fs::exists(xls));

  const fs::path xlsx = *folder_ / "Grande.xlsx";
  run = Export("005", xlsx, {"--format", "xlsx"});
  ASSERT_EQ(run.status, 0) << run.err;
  const XlsxBook book = ReadXlsx(xlsx.string(), "1,100001");
  EXPECT_EQ(book.LastRow, 100001);
  EXPECT_EQ(book.Rows, 100001);
  EXPECT_EQ(book.Cells.at("B1").Value, "Nombre Bodega");
  EXPECT_EQ(book.Cells.at("V100001").Type, "n");
  EXPECT_EQ(book.Cells.at("V100001").Format, "#,##0.00");
  EXPECT_EQ(book.AutoFilter, "A1:V100001");
}

}  // namespace
