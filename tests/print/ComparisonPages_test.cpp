// The printed comparison: the heading with both periods, every warehouse's cells in order on
// its page, the totals last, code and name repeated on each band of split columns, the chart
// of the largest rises and falls, and a sequence of page sets in one PDF. Read back with
// pdftotext.

#include "print/ComparisonPages.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "platform/Cp1252.h"
#include "platform/Fonts.h"
#include "print/PageSet.h"
#include "print/ReportOutput.h"
#include "tests/print/support/PdfText.h"

namespace {

using printtest::FindRow;
using printtest::PdfPages;

const double kNone = std::numeric_limits<double>::quiet_NaN();

// Lines held in memory; the last one is the totals.
class TMemLines : public TComparisonLines {
 public:
  std::vector<TComparisonLine> Lines;
  int Count() const override { return static_cast<int>(Lines.size()) - 1; }
  void Read(int index, TComparisonLine& line) const override {
    line = Lines[static_cast<size_t>(index)];
  }
};

// `rows` warehouses of `measures` compared columns; warehouse i's unit cost changes by
// `change(i)` percent.
TMemLines MakeLines(int rows, int measures, double (*change)(int)) {
  TMemLines lines;
  for (int i = 0; i < rows; ++i) {
    TComparisonLine line;
    line.Code = "B" + std::to_string(100 + i);
    line.Name = "Galp\xf3n " + std::to_string(i);
    for (int m = 0; m < measures; ++m) {
      const std::string tag = std::to_string(i) + "." + std::to_string(m);
      line.Cells.insert(line.Cells.end(), {"1" + tag, "2" + tag, "3" + tag, "4" + tag + "%"});
    }
    line.ChartChange = change(i);
    lines.Lines.push_back(line);
  }
  TComparisonLine totals;
  totals.Code = "Totales";
  for (int m = 0; m < measures; ++m) {
    totals.Cells.insert(totals.Cells.end(), {"91", "92", "93", "94%"});
  }
  lines.Lines.push_back(totals);
  return lines;
}

TComparisonPrintSpec Spec(int measures) {
  TComparisonPrintSpec spec;
  spec.Heading = {"001", "/srv/galvora", "01/02/2025", "28/02/2025", "01/03/2025 08:30"};
  spec.RefFrom = "01/01/2025";
  spec.RefTo = "28/01/2025";
  for (int m = 0; m < measures; ++m) spec.Titles.push_back("Medida " + std::to_string(m));
  spec.ChartTitle = "Costo Unit.";
  return spec;
}

std::vector<std::string> Cells(const TComparisonLine& line, int first, int count) {
  std::vector<std::string> cells{line.Code, platform::Cp1252ToUtf8(line.Name)};
  for (int c = first; c < first + count; ++c) cells.push_back(line.Cells[static_cast<size_t>(c)]);
  return cells;
}

class ComparisonPagesTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::RegisterFontSubstitutions(); }
  // The pages as a PDF, read back page by page; `picture` renders its first page and its
  // last under build/artifacts/ to look at.
  std::vector<std::string> Print(TPageSet& pages, const std::string& picture = "") {
    const std::string path = dir_.filePath("comparison.pdf").toStdString();
    SaveReportPdf(pages, path);
    if (!picture.empty()) {
      printtest::RenderPage(path, 1, picture + "_first");
      printtest::RenderPage(path, pages.PageCount(), picture + "_last");
    }
    return PdfPages(path);
  }
  QTemporaryDir dir_;
};

TEST(ComparisonChart, PicksTheLargestRisesAndFallsLargerFirst) {
  struct Case {
    std::vector<double> changes;
    int limit;
    std::vector<int> rises, falls;
    long riseCount, fallCount;
  } cases[] = {
      {{5, -3, kNone, 0, 12, -8, 5}, 15, {4, 0, 6}, {5, 1}, 3, 2},
      {{5, -3, kNone, 0, 12, -8, 5}, 1, {4}, {5}, 3, 2},
      {{kNone, 0}, 15, {}, {}, 0, 0},
      {{-1, -2, -3}, 2, {}, {2, 1}, 0, 3},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<int, double>> changes;
    for (size_t i = 0; i < c.changes.size(); ++i) changes.emplace_back(i, c.changes[i]);
    const TComparisonChartData data = PickLargestChanges(changes, c.limit);
    std::vector<int> rises, falls;
    for (const auto& r : data.Rises) rises.push_back(r.first);
    for (const auto& f : data.Falls) falls.push_back(f.first);
    EXPECT_EQ(rises, c.rises);
    EXPECT_EQ(falls, c.falls);
    EXPECT_EQ(data.RiseCount, c.riseCount);
    EXPECT_EQ(data.FallCount, c.fallCount);
  }
}

TEST_F(ComparisonPagesTest, EveryWarehouseAndTheTotalsPrintInOrderUnderBothPeriods) {
  TMemLines lines = MakeLines(130, 2, [](int i) { return i % 3 == 0 ? kNone : i - 60.0; });
  TComparisonPages pages(lines, Spec(2));
  ASSERT_EQ(pages.Layout().Bands.size(), 1u);
  ASSERT_GT(pages.Layout().RowBlocks, 1);
  const std::vector<std::string> text = Print(pages);
  ASSERT_EQ(static_cast<int>(text.size()), pages.PageCount());
  int page = 0, line = 0;
  for (size_t i = 0; i < lines.Lines.size(); ++i) {
    const std::vector<std::string> cells = Cells(lines.Lines[i], 0, 8);
    int at = FindRow(text[page], cells, line);
    if (at < 0 && page + 1 < static_cast<int>(text.size())) {
      ++page;
      at = FindRow(text[page], cells, 0);
    }
    ASSERT_GE(at, 0) << "line " << i << " missing on page " << page + 1;
    line = at + 1;
  }
  for (int p = 0; p < pages.PageCount(); ++p) {
    EXPECT_NE(text[p].find("Comparativo"), std::string::npos) << p;
    EXPECT_NE(text[p].find("Desde 01/02/2025 Hasta 28/02/2025"), std::string::npos) << p;
    EXPECT_NE(text[p].find("Referencia: Desde 01/01/2025 Hasta 28/01/2025"), std::string::npos);
    if (p < pages.PageCount() - 1) {
      EXPECT_GE(FindRow(text[p], {"Medida 0", "Medida 1"}), 0) << p;
      EXPECT_GE(FindRow(text[p], {"Actual", "Ref.", "Dif.", "% Var.", "Actual"}), 0) << p;
    }
  }
}

TEST_F(ComparisonPagesTest, SplitColumnsRepeatCodeAndNameOnEveryBand) {
  TMemLines lines = MakeLines(5, 14, [](int i) { return i + 1.0; });
  TComparisonPages pages(lines, Spec(14));
  const auto& layout = pages.Layout();
  ASSERT_GT(layout.Bands.size(), 1u);
  const std::vector<std::string> text = Print(pages);
  for (size_t band = 0; band < layout.Bands.size(); ++band) {
    const std::vector<int>& columns = layout.Bands[band];
    const int firstMeasure = columns[2] - 2;
    const int measures = static_cast<int>(columns.size()) - 2;
    for (const TComparisonLine& line : lines.Lines) {
      EXPECT_GE(FindRow(text[band], Cells(line, 4 * firstMeasure, 4 * measures)), 0)
          << "band " << band << " " << line.Code;
    }
  }
}

TEST_F(ComparisonPagesTest, TheChartShowsTheLargestRisesAndFallsOnTheLastPage) {
  // Warehouse i changes by i - 20 percent: 19 rises of up to 19 %, 20 falls.
  TMemLines lines = MakeLines(40, 1, [](int i) { return i - 20.0; });
  TComparisonPages pages(lines, Spec(1));
  ASSERT_TRUE(pages.HasChartPage());
  const std::vector<std::string> text = Print(pages, "comparison_chart");
  const std::string& chart = text.back();
  EXPECT_NE(chart.find("Costo Unit."), std::string::npos);
  EXPECT_NE(chart.find("Alzas: 15 de 19"), std::string::npos) << chart;
  EXPECT_NE(chart.find("Bajas: 15 de 20"), std::string::npos) << chart;
  EXPECT_GE(FindRow(chart, {"B139", "+19.00 %"}), 0) << chart;  // the largest rise
  EXPECT_GE(FindRow(chart, {"B100", "-20.00 %"}), 0) << chart;  // the largest fall
  EXPECT_EQ(chart.find("B124 "), std::string::npos);           // the 5th rise is left out
}

TEST_F(ComparisonPagesTest, NoChangeToChartLeavesTheChartPageOut) {
  TMemLines lines = MakeLines(3, 1, [](int) { return kNone; });
  TComparisonPages pages(lines, Spec(1));
  EXPECT_FALSE(pages.HasChartPage());
  EXPECT_EQ(pages.PageCount(), 1);
  EXPECT_GE(FindRow(Print(pages)[0], {"Totales", "91", "92", "93", "94%"}), 0);
}

TEST_F(ComparisonPagesTest, ASequencePrintsItsSetsOneAfterTheOther) {
  TMemLines first = MakeLines(2, 1, [](int) { return kNone; });
  TMemLines second = MakeLines(40, 1, [](int i) { return i - 20.0; });
  TComparisonPrintSpec other = Spec(1);
  other.RefFrom = "01/02/2024";
  TComparisonPages a(first, Spec(1)), b(second, other);
  TPageSequence sequence({&a, &b});
  ASSERT_EQ(sequence.PageCount(), a.PageCount() + b.PageCount());
  sequence.SetPrinted("02/03/2025 09:15");
  const std::vector<std::string> text = Print(sequence);
  ASSERT_EQ(static_cast<int>(text.size()), sequence.PageCount());
  EXPECT_NE(text[0].find("Desde 01/01/2025"), std::string::npos);
  EXPECT_NE(text[1].find("Desde 01/02/2024"), std::string::npos);
  EXPECT_NE(text.back().find("Alzas"), std::string::npos);
  for (const std::string& page : text) EXPECT_NE(page.find("02/03/2025 09:15"), std::string::npos);
}

}  // namespace
