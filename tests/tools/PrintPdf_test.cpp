// The batch exporter's PDF: the demo report's printed pages read back with pdftotext (every
// title and cell in row order on the page the layout gives it, the header on every page, the
// chart page last), columns split across a narrow paper with code and name repeated, the
// page options, and no file for a period without rows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/CompanyDatabase.h"
#include "platform/Cp1252.h"
#include "tests/print/support/PdfText.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;
using printtest::FindRow;
using printtest::PdfPages;

namespace {

class BatchPdf : public toolstest::FolderSuite {
 protected:
  static void SetUpTestSuite() {
    MakeFolderWithDemo("batch_pdf", 130);
    if (HasFatalFailure()) return;
    fs::create_directories(*folder_ / "demo/datos/002");
    db::CreateCompanyDatabase((*folder_ / "demo/datos/002/galvora.fdb").string());
  }

  // Runs the exporter for January 2022 of `company` into out/`file` with `extra` options;
  // returns the exit status.
  int Export(const std::string& file, const QStringList& extra = {},
             const char* company = "001") {
    return toolstest::Run(
               {.program = "repcostoav-export",
                .args = toolstest::ExportArgs(*folder_ / "demo", *folder_ / "out" / file, company)
                        << extra,
                .registry = *folder_ / "demo/registry.reg"})
        .status;
  }
  static QString Out(const std::string& file) {
    return QString::fromStdString((*folder_ / "out" / file).string());
  }

  // The title line and the rows of the same report as text (UTF-8 cells).
  std::vector<std::vector<std::string>> TextRows() {
    EXPECT_EQ(Export("Costos.txt"), 0);
    std::ifstream in(*folder_ / "out/Costos.txt", std::ios::binary);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      rows.push_back(printtest::SplitTabs(platform::Cp1252ToUtf8(line)));
    }
    if (!rows.empty()) rows.pop_back();  // the empty footer row
    return rows;
  }

  void SetUp() override {
    fs::remove_all(*folder_ / "out");
    fs::create_directories(*folder_ / "out");
  }
};

TEST_F(BatchPdf, EveryTitleAndCellInRowOrderOnItsPage) {
  const std::vector<std::vector<std::string>> text = TextRows();
  ASSERT_EQ(text.size(), 131u);  // titles and 130 warehouses
  const std::vector<std::string>& titles = text[0];
  ASSERT_EQ(titles.size(), 22u);

  ASSERT_EQ(Export("Costos.pdf"), 0);
  const std::string pdf = Out("Costos.pdf").toStdString();
  const std::vector<std::string> pages = PdfPages(pdf);
  ASSERT_GE(pages.size(), 3u);

  // The rows of the first page fix the rows per page; the rest follow the rule.
  int perPage = 0;
  for (int line = 0; perPage < 130; ++perPage, ++line) {
    line = FindRow(pages[0], text[1 + perPage], line);
    if (line < 0) break;
  }
  ASSERT_GT(perPage, 20);
  const int rowPages = (130 + perPage - 1) / perPage;
  EXPECT_EQ(static_cast<int>(pages.size()), rowPages + 1);  // and the chart page
  for (int p = 0; p < rowPages; ++p) {
    int line = FindRow(pages[p], titles);
    EXPECT_GE(line, 0) << "titles on page " << p + 1;
    for (int row = p * perPage; row < std::min(130, (p + 1) * perPage); ++row) {
      line = FindRow(pages[p], text[1 + row], line + 1);
      EXPECT_GE(line, 0) << "row " << row + 1 << " on page " << p + 1;
    }
  }
  const std::string count = " de " + std::to_string(pages.size());
  for (size_t p = 0; p < pages.size(); ++p) {
    EXPECT_NE(pages[p].find("Página " + std::to_string(p + 1) + count), std::string::npos);
    EXPECT_NE(pages[p].find("Período: Desde 2022/01/01 Hasta 2022/01/31"), std::string::npos);
    EXPECT_TRUE(printtest::HasCellsInOrder(pages[p], {"Compañía: 001", "Servidor:"}));
  }
  EXPECT_NE(pages.back().find("Costo Unit. por bodega"), std::string::npos);
  EXPECT_NE(pages.back().find("Se muestran las 30 bodegas de mayor costo unitario de 130."),
            std::string::npos);
  EXPECT_TRUE(printtest::HasCellsInOrder(pages.back(), {"Costo Alim.", "Vacunas", "Otros Ins.",
                                                        "Amortiza", "Mano Obra", "M.Ob.Indir.",
                                                        "Indirectos"}));
  EXPECT_FALSE(printtest::RenderPage(pdf, 1, "print_pdf_page1").empty());
  EXPECT_FALSE(
      printtest::RenderPage(pdf, static_cast<int>(pages.size()), "print_pdf_charts").empty());
}

TEST_F(BatchPdf, NarrowPaperSplitsTheColumnsAndRepeatsCodeAndName) {
  const std::vector<std::vector<std::string>> text = TextRows();
  ASSERT_EQ(Export("Costos.pdf", {"--paper", "A5", "--orientation", "portrait"}), 0);
  const std::string pdf = Out("Costos.pdf").toStdString();
  const std::vector<std::string> pages = PdfPages(pdf);
  ASSERT_FALSE(pages.empty());
  const size_t part = pages[0].find("Columnas: parte 1 de ");
  ASSERT_NE(part, std::string::npos);
  const int bands = std::stoi(pages[0].substr(part + 21));
  ASSERT_GE(bands, 2);
  // The first row block on `bands` pages: each starts with code and name, and the other
  // titles follow one another across them in the grid's order.
  std::vector<std::string> rest;
  for (int p = 0; p < bands; ++p) {
    EXPECT_NE(pages[p].find("Columnas: parte " + std::to_string(p + 1) + " de " +
                            std::to_string(bands)),
              std::string::npos);
    const std::vector<std::string> lines = printtest::Lines(pages[p]);
    const int titleLine = FindRow(pages[p], {"Bodega", "Nombre Bodega"});
    ASSERT_GE(titleLine, 0) << p;
    std::vector<std::string> band = {"Bodega", "Nombre Bodega"};
    for (size_t t = 2; t < 22; ++t) {
      if (printtest::HasCellsInOrder(lines[titleLine], {"Nombre Bodega", text[0][t]})) {
        band.push_back(text[0][t]);
        rest.push_back(text[0][t]);
      }
    }
    EXPECT_GE(FindRow(pages[p], band), 0) << p;
    // The first warehouse's cells of this band, code and name first.
    std::vector<std::string> cells = {text[1][0], text[1][1]};
    for (size_t t = 2; t < 22; ++t) {
      if (std::find(band.begin(), band.end(), text[0][t]) != band.end()) {
        cells.push_back(text[1][t]);
      }
    }
    EXPECT_GE(FindRow(pages[p], cells, titleLine + 1), 0) << p;
  }
  EXPECT_EQ(rest, std::vector<std::string>(text[0].begin() + 2, text[0].end()));
  EXPECT_FALSE(printtest::RenderPage(pdf, 2, "print_pdf_a5_band2").empty());
}

TEST_F(BatchPdf, PageOptionsAndEmptyPeriod) {
  // No rows: status 1 and no file, as for the other formats.
  EXPECT_EQ(Export("Vacio.pdf", {}, "002"), 1);
  EXPECT_FALSE(fs::exists(*folder_ / "out/Vacio.pdf"));
  // Page options are for PDF only and must name a known paper and orientation.
  const QStringList usage[] = {
      {"--paper", "a4"},
      {"--format", "pdf", "--paper", "b7"},
      {"--format", "pdf", "--orientation", "sideways"},
  };
  for (const QStringList& extra : usage) {
    EXPECT_EQ(Export(extra.contains("pdf") ? "Costos.pdf" : "Costos.csv", extra), 2)
        << extra.join(' ').toStdString();
  }
  EXPECT_FALSE(fs::exists(*folder_ / "out/Costos.pdf"));
  // --format pdf writes a PDF whatever the extension; paper and orientation accepted in any
  // case alike.
  ASSERT_EQ(Export("report.data",
                   {"--format", "PDF", "--paper", "Letter", "--orientation", "Portrait"}),
            0);
  std::ifstream in(*folder_ / "out/report.data", std::ios::binary);
  std::string head(5, '\0');
  in.read(head.data(), 5);
  EXPECT_EQ(head, "%PDF-");
}

TEST_F(BatchPdf, APdfThatCannotBeWrittenFailsWithTheReason) {
  // Standard output on a full device: status 3 and the reason, not a PDF reported written.
  const toolstest::RunResult full = toolstest::Run(
      {.program = "repcostoav-export",
       .args = toolstest::ExportArgs(*folder_ / "demo", "-") << "--format" << "pdf",
       .registry = *folder_ / "demo/registry.reg",
       .standardOutput = "/dev/full"});
  EXPECT_EQ(full.status, 3);
  EXPECT_EQ(full.err, "Cannot write standard output. No space left on device.\n");

  // The pages' rows wait in a temporary file: one that cannot be made is said, and FILE stays.
  const fs::path file = *folder_ / "out/Costos.pdf";
  { std::ofstream(file) << "former report"; }
  const toolstest::RunResult noTemporary = toolstest::Run(
      {.program = "repcostoav-export",
       .args = toolstest::ExportArgs(*folder_ / "demo", file),
       .registry = *folder_ / "demo/registry.reg",
       .env = {{"TMPDIR", QString::fromStdString((*folder_ / "no such folder").string())}}});
  EXPECT_EQ(noTemporary.status, 3);
  EXPECT_EQ(noTemporary.err, "Cannot create the temporary file of the printed rows in " +
                                 (*folder_ / "no such folder").string() +
                                 ". No such file or directory.\n");
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "former report");
}

}  // namespace
