// The tab-separated, Unicode and CSV writers.

#include <gtest/gtest.h>

#include "tests/export/support/FakeGrid.h"
#include "tests/export/support/Render.h"

namespace {

TEST(TextExport, DocumentOfTitleRecordsAndEmptyFooter) {
  FakeGrid grid = TwoByTwo();
  EXPECT_EQ(Render(kText, grid, true), "T1\tT2\r\na1\tb1\r\na2\tb2\r\n\t");
  EXPECT_EQ(Render(kCsv, grid, true),
            "\"T1\";\"T2\"\r\n\"a1\";\"b1\"\r\n\"a2\";\"b2\"\r\n\"\";\"\"");
}

TEST(TextExport, EdgeCases) {
  struct Case {
    const char* name;
    void (*setup)(FakeGrid&);
    bool saveAll;
    std::string text, csv;
  } cases[] = {
      {"nothing selected: the current cell alone",
       [](FakeGrid& g) { g.Current = 1; g.CurrentCol = 1; }, false, "b2", "\"b2\""},
      {"no titles: starts with the first record",
       [](FakeGrid& g) { g.Titles = false; g.Footers = 0; }, true, "a1\tb1\r\na2\tb2",
       "\"a1\";\"b1\"\r\n\"a2\";\"b2\""},
      {"empty data set: title line and footer line",
       [](FakeGrid& g) { g.Rows.clear(); }, true, "T1\tT2\r\n\t", "\"T1\";\"T2\"\r\n\"\";\"\""},
      {"single column: no separators",
       [](FakeGrid& g) { g.Columns[1].Visible = false; }, true, "T1\r\na1\r\na2\r\n",
       "\"T1\"\r\n\"a1\"\r\n\"a2\"\r\n\"\""},
      {"tabs, quotes and line breaks stay as they are inside values",
       [](FakeGrid& g) { g.Rows = {{{false, "5\"X"}, {false, "x;\ty\r\n"}}}; g.Footers = 0; },
       true, "T1\tT2\r\n5\"X\tx;\ty\r\n", "\"T1\";\"T2\"\r\n\"5\"\"X\";\"x;\ty\r\n\""},
      {"selected records in list order",
       [](FakeGrid& g) {
         g.Selection = TExportSelectionType::gstRecordBookmarks;
         g.SelRows = {1};
       },
       false, "T1\tT2\r\na2\tb2\r\n\t", "\"T1\";\"T2\"\r\n\"a2\";\"b2\"\r\n\"\";\"\""},
  };
  for (const Case& c : cases) {
    FakeGrid grid = TwoByTwo();
    c.setup(grid);
    EXPECT_EQ(Render(kText, grid, c.saveAll), c.text) << c.name;
    EXPECT_EQ(Render(kCsv, grid, c.saveAll), c.csv) << c.name;
  }
}

TEST(TextExport, UnicodeWriterEncodesEachPieceAsUtf16LittleEndian) {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "F1", .Caption = "A\xED"});  // "Aí" in Windows-1252
  grid.AddColumn({.FieldName = "F2", .Caption = "\x80"});   // euro sign
  grid.AddRow({{false, "x"}, {false, ""}});
  const std::string expected("A\0\xED\0\t\0\xAC\x20\r\0\n\0x\0\t\0\r\0\n\0\t\0", 22);
  EXPECT_EQ(Render(kUnicode, grid, true), expected);
}

}  // namespace
