// The batch exporter's PDF with --compare: the report's pages as without it, then the
// comparison's pages (both periods in the heading, every warehouse and the totals) and its
// chart last, read back with pdftotext; to standard output alike.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/print/support/PdfText.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;
using printtest::FindRow;
using printtest::PdfPages;

namespace {

class ComparisonPdf : public toolstest::FolderSuite {
 protected:
  static void SetUpTestSuite() {
    MakeFolder("comparison_pdf");
    const toolstest::RunResult demo =
        toolstest::Run({.program = "galvora-demo",
                        .args = {QString::fromStdString((*folder_ / "demo").string()),
                                 "--warehouses", "12", "--months", "13"}});
    ASSERT_EQ(demo.status, 0) << demo.err;
  }

  // January 2023 as a PDF into `file` with `more` options; returns the page texts.
  static std::vector<std::string> Export(const std::string& file, const QStringList& more) {
    const fs::path output = *folder_ / file;
    const toolstest::RunResult run = toolstest::Run(
        {.program = "repcostoav-export",
         .args = toolstest::ExportArgs(*folder_ / "demo", output, "001", "2023-01-01",
                                       "2023-01-31")
                 << more,
         .registry = *folder_ / "demo/registry.reg"});
    EXPECT_EQ(run.status, 0) << run.err;
    return PdfPages(output.string());
  }

  // `pages` without the time of printing, which differs between runs.
  static std::vector<std::string> WithoutTime(std::vector<std::string> pages) {
    for (std::string& page : pages) {
      const size_t at = page.find("Impreso: ");
      if (at != std::string::npos) page.erase(at, page.find('\n', at) - at);
    }
    return pages;
  }
};

TEST_F(ComparisonPdf, TheComparisonPagesAndChartFollowTheReportsPages) {
  const std::vector<std::string> report = Export("Costos.pdf", {"--format", "pdf"});
  const std::vector<std::string> both =
      Export("Comparado.pdf", {"--format", "pdf", "--compare", "year"});
  ASSERT_GE(report.size(), 2u);
  ASSERT_GE(both.size(), report.size() + 2) << "the comparison's rows, then its chart";
  const std::vector<std::string> first(both.begin(), both.begin() + report.size());
  EXPECT_EQ(WithoutTime(first), WithoutTime(report));

  const std::vector<std::string> compared(both.begin() + report.size(), both.end());
  std::string rows;
  for (size_t p = 0; p < compared.size(); ++p) {
    EXPECT_NE(compared[p].find("Reporte Costos Avícola - Comparativo"), std::string::npos) << p;
    EXPECT_NE(compared[p].find("Período: Desde 2023/01/01 Hasta 2023/01/31"), std::string::npos);
    EXPECT_NE(compared[p].find("Referencia: Desde 2022/01/01 Hasta 2022/01/31"),
              std::string::npos);
    if (p + 1 < compared.size()) rows += compared[p];
  }
  // Each warehouse has its line, and the totals close the table.
  for (int code = 1; code <= 12; ++code) {
    const std::string text = (code < 10 ? "0" : "") + std::to_string(code);
    EXPECT_GE(FindRow(rows, {text}), 0) << text;
  }
  EXPECT_GE(FindRow(rows, {"Totales"}), 0);
  EXPECT_NE(compared.back().find("% Var. de Costo Unit."), std::string::npos) << compared.back();
}

}  // namespace
