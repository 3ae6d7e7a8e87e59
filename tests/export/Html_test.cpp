// The HTML writer.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/Cp1252.h"
#include "tests/export/support/FakeGrid.h"
#include "tests/export/support/Render.h"

namespace {

const char kHead[] =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<html>\r\n<head>\r\n<title>\r\n"
    "DBGridEh2\r\n</title>\r\n</head>\r\n<body>\r\n"
    "<table BORDER=1 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#F0F0F0>\r\n\r\n";
const char kTail[] = "</table>\r\n</body>\r\n</html>\r\n";

TEST(HtmlExport, FooterCellOfTheReportGrid) {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "F1", .Caption = "T1", .Width = 36});
  grid.Titles = false;
  grid.Selection = TExportSelectionType::gstAll;
  EXPECT_EQ(Render(kHtml, grid),
            std::string(kHead) +
                "<TR>\r\n  <TD WIDTH=36 ALIGN=\"LEFT\" BGCOLOR=#C0DCC0><FONT STYLE=\"font-family: "
                "Arial Narrow; font-size: 8pt; color: #000000\"><B>&nbsp;</B></FONT></TD>\r\n"
                "</TR>\r\n" +
                kTail);
}

TEST(HtmlExport, CurrentCellAloneWithTitleAndDataCells) {
  FakeGrid grid = TwoByTwo();
  grid.Columns[1].Alignment = taRightJustify;
  grid.Columns[1].Color = platform::clSilver;
  grid.CurrentCol = 1;
  EXPECT_EQ(Render(kHtml, grid),
            std::string(kHead) +
                "<TR>\r\n  <TD WIDTH=64 ALIGN=\"RIGHT\" BGCOLOR=#C0C0C0><FONT STYLE=\"font-family: "
                "Arial Narrow; font-size: 8pt; color: #000000\">b1</FONT></TD>\r\n</TR>\r\n" +
                kTail);
  grid.Footers = 0;
  grid.Rows.resize(1);
  grid.Columns[0].TitleAlignment = taCenter;
  EXPECT_EQ(Render(kHtml, grid, true),
            std::string(kHead) +
                "<TR>\r\n"
                "  <TD WIDTH=64 ALIGN=\"CENTER\"><FONT STYLE=\"font-family: MS Sans Serif; "
                "font-size: 8pt; color: #000000\">T1</FONT></TD>\r\n"
                "  <TD WIDTH=64 ALIGN=\"LEFT\"><FONT STYLE=\"font-family: MS Sans Serif; "
                "font-size: 8pt; color: #000000\">T2</FONT></TD>\r\n</TR>\r\n"
                "<TR>\r\n"
                "  <TD WIDTH=64 ALIGN=\"LEFT\" BGCOLOR=#FFFFFF><FONT STYLE=\"font-family: "
                "Arial Narrow; font-size: 8pt; color: #000000\">a1</FONT></TD>\r\n"
                "  <TD WIDTH=64 ALIGN=\"RIGHT\" BGCOLOR=#C0C0C0><FONT STYLE=\"font-family: "
                "Arial Narrow; font-size: 8pt; color: #000000\">b1</FONT></TD>\r\n</TR>\r\n" +
                kTail);
}

TEST(HtmlExport, WrapInFontEscapesAndOrdersStyleTags) {
  platform::TFontSpec plain{"Arial", 10, platform::clRed};
  platform::TFontSpec styled{"Arial", 10, platform::clRed, true, true, true, true};
  const char kOpen[] = "<FONT STYLE=\"font-family: Arial; font-size: 10pt; color: #FF0000\">";
  EXPECT_EQ(TDBGridEhExportAsHTML::WrapInFont(plain, "A&B<>\"x\""),
            std::string(kOpen) + "A&amp;B&lt;&gt;&quot;x&quot;</FONT>");
  EXPECT_EQ(TDBGridEhExportAsHTML::WrapInFont(plain, "  "), std::string(kOpen) + "  </FONT>");
  EXPECT_EQ(TDBGridEhExportAsHTML::WrapInFont(styled, ""),
            std::string(kOpen) + "<B><I><U><STRIKE>&nbsp;</B></I></U></STRIKE></FONT>");
  EXPECT_EQ(TDBGridEhExportAsHTML::HtmlColor(platform::clNone), "000000");
  EXPECT_EQ(TDBGridEhExportAsHTML::HtmlColor(platform::MakeColor(0x12, 0xAB, 0x0F)), "12AB0F");
}

TEST(HtmlExport, BorderPartFollowsLinesAnd3D) {
  struct Case {
    bool lines, is3d, flat;
    const char* tag;
  } cases[] = {
      {false, true, true, "<table BORDER=0 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#F0F0F0>"},
      {true, true, false, "<table BORDER=1 CELLSPACING=0 CELLPADDING=2 BGCOLOR=#F0F0F0>"},
      {true, false, true, "<table BORDER=0 CELLSPACING=1 CELLPADDING=1 BGCOLOR=#F0F0F0>"},
  };
  for (const Case& c : cases) {
    FakeGrid grid = TwoByTwo();
    grid.ColLines = grid.RowLines = c.lines;
    grid.Is3D = c.is3d;
    grid.IsFlat = c.flat;
    EXPECT_NE(Render(kHtml, grid).find(std::string(c.tag) + "\r\n\r\n<TR>"), std::string::npos)
        << c.tag;
  }
}

// The cell texts as an HTML parser reads them back from the written page: a ";" after an
// entity, entity names as plain text, accented letters of the page's code page, blanks.
TEST(HtmlExport, HtmlParserReadsBackEveryCellText) {
  const std::vector<std::string> texts = {
      "He said \"hi\"; a<b",  "&amp; stays &amp;", "a&b;c", "x>y;", "\"\";",
      "Compa\xF1\xED" "a \x80 5", "&nbsp;", "1,234", "  ", ""};
  FakeGrid grid;
  grid.AddColumn({.FieldName = "F1", .Caption = "T;<1>"});
  grid.Footers = 0;
  for (const std::string& text : texts) grid.AddRow({{false, text}});
  grid.Selection = TExportSelectionType::gstAll;

  const std::filesystem::path page = std::filesystem::temp_directory_path() /
                                     ("galvora-html-" + std::to_string(getpid()) + ".htm");
  {
    std::ofstream file(page, std::ios::binary);
    file << Render(kHtml, grid);
  }
  // Prints the text of every table cell as its code points in hexadecimal, one cell a line.
  const std::string script =
      "import html.parser, sys\n"
      "class P(html.parser.HTMLParser):\n"
      "  def __init__(s):\n"
      "    super().__init__(convert_charrefs=True); s.cell=None; s.cells=[]\n"
      "  def handle_starttag(s, t, a):\n"
      "    if t == 'td': s.cell = ''\n"
      "  def handle_endtag(s, t):\n"
      "    if t == 'td': s.cells.append(s.cell); s.cell = None\n"
      "  def handle_data(s, d):\n"
      "    if s.cell is not None: s.cell += d\n"
      "p = P(); p.feed(open(sys.argv[1], encoding='cp1252').read()); p.close()\n"
      "for c in p.cells: print(' '.join('%x' % ord(ch) for ch in c))\n";
  const std::filesystem::path scriptFile = page.string() + ".py";
  {
    std::ofstream file(scriptFile, std::ios::binary);
    file << script;
  }
  FILE* pipe = popen(("python3 " + scriptFile.string() + " " + page.string()).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::vector<std::string> cells;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    cells.push_back(text);
  }
  EXPECT_EQ(pclose(pipe), 0);
  std::filesystem::remove(page);
  std::filesystem::remove(scriptFile);

  auto codePoints = [](const std::string& cp1252) {
    std::string out;
    for (char16_t unit : platform::Cp1252ToUtf16(cp1252)) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(unit));
      out += (out.empty() ? "" : " ") + std::string(hex);
    }
    return out;
  };
  ASSERT_EQ(cells.size(), texts.size() + 1);
  EXPECT_EQ(cells[0], codePoints("T;<1>"));
  for (size_t i = 0; i < texts.size(); ++i) {
    // An empty cell is written as a no-break space.
    const std::string expected = texts[i].empty() ? "a0" : codePoints(texts[i]);
    EXPECT_EQ(cells[i + 1], expected) << "cell " << i << ": " << texts[i];
  }
}

}  // namespace
