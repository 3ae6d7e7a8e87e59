// The writers over the real report grid and a client result set of a real Firebird database:
// selection, position restore, field values and footers as the grid holds them.

#include <gtest/gtest.h>

#include "export/DBGridEhSource.h"
#include "tests/export/support/GridDatabaseTest.h"
#include "tests/export/support/Render.h"
#include "tests/export/support/XlsReader.h"

namespace {

class GridSource : public GridDatabaseTest {
 protected:
  void SetUp() override {
    MakeDatabase("grid_source",
                 "CREATE TABLE T (CODE VARCHAR(10), N INTEGER, V NUMERIC(15,2));"
                 "INSERT INTO T VALUES ('A\xF1o', 7, 1234.5);"
                 "INSERT INTO T VALUES ('B', NULL, NULL);"
                 "INSERT INTO T VALUES ('C', 536870912, -0.25);");
    query_.SetSQL("select * from T order by CODE");
    grid_.resize(400, 200);
    client_.Open();
  }
};

TEST_F(GridSource, SelectAllWritesEveryRecordAndKeepsThePosition) {
  client_.Next();
  const TBookmark before = client_.GetBookmark();
  const int row = client_.ActiveRecord();
  grid_.Selection().SelectEverything();
  TMemoryStream out;
  ExportGridToStream(kText, grid_, out, false);
  EXPECT_EQ(out.Bytes().substr(0, out.Bytes().find("\r\n")), "CODE\tN\tV");
  EXPECT_NE(out.Bytes().find("A\xF1o\t7\t"), std::string::npos) << out.Bytes();
  EXPECT_NE(out.Bytes().find("\r\nB\t\t\r\n"), std::string::npos) << out.Bytes();
  EXPECT_EQ(client_.CompareBookmarks(client_.GetBookmark(), before), 0);
  EXPECT_EQ(client_.ActiveRecord(), row);
  EXPECT_FALSE(client_.ControlsDisabled());
  EXPECT_EQ(grid_.Selection().SelectionType(), gstAll);
}

TEST_F(GridSource, NothingSelectedWritesTheCurrentCell) {
  client_.Last();
  grid_.SetSelectedIndex(0);
  EXPECT_EQ(Render(kCsv, *std::make_unique<TDBGridEhExportSource>(grid_)), "\"C\"");
}

TEST_F(GridSource, XlsTakesTheFieldValuesAndFootersSumAndCount) {
  grid_.SetFooterRowCount(1);
  grid_.Columns()[1]->Footer().ValueType = fvtCount;
  grid_.Columns()[2]->Footer().ValueType = fvtSum;
  grid_.Columns()[0]->Footer().ValueType = fvtStaticText;
  grid_.Columns()[0]->Footer().Value = "Total";
  TMemoryStream out;
  ExportGridToStream(kXls, grid_, out, true);
  const auto cells = XlsCells(std::string(out.Bytes()));
  EXPECT_EQ(cells.at({1u, 0u}).Text, "A\xF1o");
  EXPECT_EQ(cells.at({1u, 1u}).Value, 7);
  EXPECT_EQ(cells.at({1u, 2u}).Value, 1234.5);
  EXPECT_EQ(cells.at({2u, 1u}).Type, XlsCell::Blank);
  EXPECT_EQ(cells.at({2u, 2u}).Style, 23u);
  EXPECT_EQ(cells.at({3u, 1u}).Value, 536870912);
  EXPECT_EQ(cells.at({4u, 0u}).Text, "Total");
  EXPECT_EQ(cells.at({4u, 1u}).Value, 3);
  EXPECT_EQ(cells.at({4u, 2u}).Value, 1234.25);

  TMemoryStream text;
  ExportGridToStream(kText, grid_, text, true);
  const std::string bytes(text.Bytes());
  EXPECT_EQ(bytes.substr(bytes.rfind("\r\n") + 2), "Total\t3\t1234.25");
}

TEST_F(GridSource, HtmlCarriesTheGridNameAndFieldAlignment) {
  const std::string html = Render(kHtml, *std::make_unique<TDBGridEhExportSource>(grid_), true);
  EXPECT_NE(html.find("<title>\r\nDBGridEh2\r\n</title>"), std::string::npos);
  EXPECT_NE(html.find("ALIGN=\"RIGHT\" BGCOLOR=#FFFFFF><FONT"), std::string::npos) << html;
}

}  // namespace
