// The batch exporter's workbook format on demo databases: read back by zipfile and the sheet
// XML and by LibreOffice, against the grid's texts of the same report; and a report longer
// than the XLS format's rows.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/ReportFields.h"
#include "db/DemoInstallation.h"
#include "platform/Cp1252.h"
#include "tests/export/support/XlsxReader.h"

namespace fs = std::filesystem;

namespace {

struct Exported {
  int status = -1;
  std::string err;
  std::string out;
};

class XlsxBatchExport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ =
        new fs::path(fs::temp_directory_path() / ("xlsx_batch_" + std::to_string(::getpid())));
    fs::create_directories(*folder_);
    db::CreateDemoInstallation((*folder_ / "demo").string(),
                               {.sample = db::SampleData{.warehouses = 5}});
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
  }

  static Exported Export(const std::string& company, const fs::path& output,
                         const QStringList& more = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QOR_REGISTRY", QString::fromStdString((*folder_ / "demo/registry.reg").string()));
    env.insert("GALVORA_PASSWORD", "masterkey");
    process.setProcessEnvironment(env);
    process.start(
        QString::fromStdString(std::string(std::getenv("GALVORA_BINARY_DIR")) +
                               "/bin/repcostoav-export"),
        QStringList{"--server", QString::fromStdString((*folder_ / "demo").string()), "--user",
                    "SYSDBA", "--company", QString::fromStdString(company), "--from", "2022-01-01",
                    "--to", "2022-01-31", "--output", QString::fromStdString(output.string())}
            << more);
    EXPECT_TRUE(process.waitForFinished(600000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError().toStdString(),
            process.readAllStandardOutput().toStdString()};
  }

  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  static fs::path* folder_;
};

fs::path* XlsxBatchExport::folder_ = nullptr;

// The demo report as a workbook: a spreadsheet shows every title and cell as the grid's CSV
// export of the same report writes it, numbers are typed with their column's format, and the
// properties name the report, the company and the period.
TEST_F(XlsxBatchExport, DemoReportShowsTheGridsTexts) {
  const fs::path csv = *folder_ / "Costos.csv";
  const fs::path xlsx = *folder_ / "Costos.XLSX";
  Exported run = Export("001", csv);
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
    for (int c = 0; c < app::kReportFieldCount; ++c) {
      const std::string ref = std::string(1, static_cast<char>('A' + c)) + std::to_string(r);
      const app::TReportFieldSpec& field = app::kReportFields[c];
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

// 100,000 warehouses: the XLS writer stops at its 65,536 rows, the workbook takes them all.
TEST_F(XlsxBatchExport, HundredThousandRowsFitTheWorkbookNotTheXlsFile) {
  const std::string database = (*folder_ / "demo/datos/005/galvora.fdb").string();
  fs::create_directories(fs::path(database).parent_path());
  db::CreateCompanyDatabase(database, {.sample = db::SampleData{.warehouses = 100000}});

  const fs::path xls = *folder_ / "Grande.xls";
  Exported run = Export("005", xls);
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
