// The HTML writer.

#include <gtest/gtest.h>

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
                "Arial Narrow; font-size: 8pt; color: #000000\"><B>&nbsp</B></FONT></TD>\r\n"
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
            std::string(kOpen) + "A&ampB&lt&gt&quotx&quot</FONT>");
  EXPECT_EQ(TDBGridEhExportAsHTML::WrapInFont(plain, "  "), std::string(kOpen) + "  </FONT>");
  EXPECT_EQ(TDBGridEhExportAsHTML::WrapInFont(styled, ""),
            std::string(kOpen) + "<B><I><U><STRIKE>&nbsp</B></I></U></STRIKE></FONT>");
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

}  // namespace
