// The printed report's own PDF writer: pages drawn from spooled rows are the pages drawn
// through the data set's bookmarks, in any order of pages; each cell's text is one run of
// glyphs in the page's content; the embedded fonts hold the glyphs shown and the parts they
// are composed of; and a spool that cannot be made is said plainly.

#include <gtest/gtest.h>
#include <zlib.h>

#include <QFont>
#include <QPainterPath>
#include <QRawFont>
#include <QTemporaryDir>
#include <cstdlib>
#include <regex>
#include <string>

#include "export/Stream.h"
#include "platform/Errors.h"
#include "print/PdfFont.h"
#include "print/ReportOutput.h"
#include "print/ReportPages.h"
#include "tests/grid/support/ReportGrid.h"
#include "tests/print/support/PdfText.h"

namespace {

using gridtest::ReportGrid;

TReportPrintSpec Spec(bool chart = true) {
  TReportPrintSpec spec;
  spec.Heading = {"001", "/srv/galvora", "2024/01/01", "2024/01/31", "2024/02/01 08:30"};
  spec.KeyFields = {"CODBOD", "NOMBOD"};
  if (chart) {
    spec.ChartLabelField = "CODBOD";
    spec.UnitCostField = "TOTCOSTO";
    spec.PartFields = {"TOTCOSTO"};
  }
  return spec;
}

// The text of pages `first` to `last` of `pages`, written as a PDF in `dir`.
std::vector<std::string> PageTexts(TReportPages& pages, const QTemporaryDir& dir,
                                   const std::string& name, int first, int last) {
  const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
  SaveReportPdf(pages, path, first, last);
  return printtest::PdfPages(path);
}

TEST(PdfPages, SpooledRowsPrintTheSamePagesInAnyOrder) {
  QTemporaryDir dir;
  // Rows past the spool's marks (every 256 rows), so that a page far in is found again.
  ReportGrid kept(700, 600, 400), read(700, 600, 400);
  TReportPages byBookmarks(*kept.grid, Spec());
  TReportPages spooled(*read.grid, Spec(), TPrintRows::Spooled);
  ASSERT_EQ(spooled.PageCount(), byBookmarks.PageCount());
  ASSERT_EQ(spooled.RowCount(), 700);
  const int last = spooled.PageCount() - 1;
  ASSERT_GT(last, 12);
  const struct {
    int first, last;
  } ranges[] = {{12, 12}, {1, 2}, {0, last}, {last - 1, last - 1}, {7, 7}};
  for (const auto& range : ranges) {
    const std::string name = std::to_string(range.first) + "-" + std::to_string(range.last);
    const std::vector<std::string> expected =
        PageTexts(byBookmarks, dir, "b" + name + ".pdf", range.first, range.last);
    ASSERT_EQ(static_cast<int>(expected.size()), range.last - range.first + 1) << name;
    EXPECT_EQ(PageTexts(spooled, dir, "s" + name + ".pdf", range.first, range.last), expected)
        << name;
  }
}

// The inflated content of every deflated stream of `pdf`.
std::string InflatedStreams(std::string_view pdf) {
  std::string all;
  for (size_t at = pdf.find("stream"); at != std::string_view::npos;
       at = pdf.find("stream", at + 1)) {
    if (at >= 3 && pdf.substr(at - 3, 3) == "end") continue;
    const size_t dictionary = pdf.rfind("obj", at);
    if (dictionary == std::string_view::npos ||
        pdf.substr(dictionary, at - dictionary).find("FlateDecode") == std::string_view::npos) {
      continue;
    }
    size_t start = at + 6;
    if (pdf.substr(start, 1) == "\r") ++start;
    if (pdf.substr(start, 1) == "\n") ++start;
    const size_t end = pdf.find("endstream", start);
    z_stream z{};
    inflateInit(&z);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pdf.data() + start));
    z.avail_in = static_cast<uInt>(end - start);
    char buffer[65536];
    int status = Z_OK;
    while (status == Z_OK) {
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      status = inflate(&z, Z_NO_FLUSH);
      all.append(buffer, sizeof buffer - z.avail_out);
    }
    inflateEnd(&z);
  }
  return all;
}

TEST(PdfPages, EachCellIsOneRunOfGlyphs) {
  ReportGrid t(20, 600, 400);
  TReportPages pages(*t.grid, Spec(false));
  ASSERT_EQ(pages.PageCount(), 1);
  TMemoryStream out;
  WriteReportPdf(pages, out);
  const std::string content = InflatedStreams(out.Bytes());
  const std::regex textOperator("T[jJ]\\s");
  const auto runs = std::distance(
      std::sregex_iterator(content.begin(), content.end(), textOperator), std::sregex_iterator());
  // 20 rows of 3 cells, 3 titles, and the header's title, page number and four lines of text
  // (the empty part of the period line draws nothing).
  const int cells = 20 * 3;
  EXPECT_GE(runs, cells);
  EXPECT_LE(runs, cells + 3 + 7);
}

TEST(PdfPages, TheFontSubsetHoldsTheGlyphsShownAndTheirParts) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(100);
  const QRawFont raw = QRawFont::fromFont(font);
  ASSERT_TRUE(raw.isValid());
  const auto glyph = [&](char16_t c) {
    return raw.glyphIndexesForString(QString(QChar(c))).value(0);
  };
  const quint32 a = glyph(u'A'), acute = glyph(u'\u00C1'), b = glyph(u'B');
  ASSERT_NE(acute, 0u);
  std::vector<bool> keep(acute + 1 > b + 1 ? acute + 1 : b + 1, false);
  keep[acute] = true;
  const std::string subset = TrueTypeSubset(raw, keep);
  ASSERT_FALSE(subset.empty());
  EXPECT_LT(subset.size(), static_cast<size_t>(raw.fontTable("glyf").size()) / 4);
  const QRawFont read(QByteArray(subset.data(), static_cast<qsizetype>(subset.size())), 100);
  ASSERT_TRUE(read.isValid());
  const struct {
    const char* name;
    quint32 glyph;
    bool drawn;
  } cases[] = {
      {"the glyph shown", acute, true},
      // Á is drawn from A and the accent: A comes along with it.
      {"its part", a, true},
      {"a glyph not shown", b, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(!read.pathForGlyph(c.glyph).isEmpty(), c.drawn) << c.name;
    if (c.drawn) {
      EXPECT_EQ(read.pathForGlyph(c.glyph).boundingRect(), raw.pathForGlyph(c.glyph).boundingRect())
          << c.name;
    }
  }
}

TEST(PdfPages, ASpoolThatCannotBeMadeIsSaid) {
  const char* former = std::getenv("TMPDIR");
  const std::string saved = former ? former : "";
  ::setenv("TMPDIR", "/nonexistent/folder", 1);
  ReportGrid t(5);
  try {
    TReportPages pages(*t.grid, Spec(), TPrintRows::Spooled);
    ADD_FAILURE() << "no error";
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.Message(),
              "Cannot create the temporary file of the printed rows in /nonexistent/folder. No "
              "such file or directory.");
  }
  if (former) {
    ::setenv("TMPDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

}  // namespace
