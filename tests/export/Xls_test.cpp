// The XLS writer.

#include <gtest/gtest.h>

#include "tests/export/support/FakeGrid.h"
#include "tests/export/support/Render.h"
#include "tests/export/support/XlsReader.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

const std::string kBof = Bytes({0x09, 0x08, 0x08, 0x00, 0x00, 0x00, 0x10, 0x00, 0, 0, 0, 0});
const std::string kEof = Bytes({0x0A, 0x00, 0x00, 0x00});

FakeGrid CostGrid() {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "CODBOD", .Caption = "Bodega"});
  grid.AddColumn({.FieldName = "AVES", .Caption = "N", .Type = ftInteger});
  grid.AddColumn({.FieldName = "TOTAL", .Caption = "V", .Type = ftFMTBcd});
  grid.AddRow({{false, "x"}, {false, "7", 7}, {false, "1,234.50", 1234.5}});
  grid.AddRow({{false, ""}, {true}, {false, "1,234", 1234}});
  return grid;
}

TEST(XlsExport, RecordsOfTheByteExamples) {
  FakeGrid grid = CostGrid();
  const std::string bytes = Render(kXls, grid, true);
  const std::string expected =
      kBof +
      Bytes({0x04, 0x02, 0x0E, 0x00, 0, 0, 0, 0, 0, 0, 0x06, 0x00, 0x42, 0x6F, 0x64, 0x65, 0x67,
             0x61}) +
      Bytes({0x04, 0x02, 0x09, 0x00, 0, 0, 1, 0, 0, 0, 1, 0, 'N'}) +
      Bytes({0x04, 0x02, 0x09, 0x00, 0, 0, 2, 0, 0, 0, 1, 0, 'V'}) +
      Bytes({0x04, 0x02, 0x09, 0x00, 1, 0, 0, 0, 0, 0, 1, 0, 'x'}) +
      Bytes({0x7E, 0x02, 0x0A, 0x00, 0x01, 0x00, 0x01, 0x00, 0, 0, 0x1E, 0x00, 0x00, 0x00}) +
      Bytes({0x03, 0x02, 0x0E, 0x00, 0x01, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0, 0x4A, 0x93,
             0x40}) +
      Bytes({0x04, 0x02, 0x08, 0x00, 2, 0, 0, 0, 0, 0, 0, 0}) +
      Bytes({0x01, 0x02, 0x06, 0x00, 0x02, 0x00, 0x01, 0x00, 0x17, 0x00}) +
      Bytes({0x03, 0x02, 0x0E, 0x00, 2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0x48, 0x93, 0x40}) +
      Bytes({0x04, 0x02, 0x08, 0x00, 3, 0, 0, 0, 0, 0, 0, 0}) +
      Bytes({0x04, 0x02, 0x08, 0x00, 3, 0, 1, 0, 0, 0, 0, 0}) +
      Bytes({0x04, 0x02, 0x08, 0x00, 3, 0, 2, 0, 0, 0, 0, 0}) + kEof;
  EXPECT_EQ(bytes, expected);
}

TEST(XlsExport, CellRules) {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "I", .Caption = "I", .Type = ftInteger,
                  .Footer = {TExportFooterValueType::fvtCount}});
  grid.AddColumn({.FieldName = "S", .Caption = "S", .Type = ftFMTBcd,
                  .Footer = {TExportFooterValueType::fvtSum}});
  grid.AddColumn({.FieldName = "P", .Caption = "P", .PickList = true, .Type = ftInteger});
  grid.AddColumn({.FieldName = "", .Caption = "none", .HasField = false});
  grid.AddColumn({.FieldName = "T", .Caption = "T"});
  const std::string longText(300, 'z');
  grid.AddRow({{false, "", 536870911}, {true}, {false, "uno", 1}, {}, {false, longText}});
  grid.AddRow({{false, "", 536870912}, {true}, {false, "dos", 2}, {}, {false, ""}});
  grid.AddRow({{false, "", -536870913}, {true}, {true, "", 0}, {}, {false, ""}});
  const auto cells = XlsCells(Render(kXls, grid, true));
  auto at = [&](unsigned row, unsigned col) { return cells.at({row, col}); };
  // Integers inside the RK range are RK records, outside it NUMBER records.
  const auto rk = XlsRecords(Render(kXls, grid, true));
  EXPECT_EQ(rk[6].Number, 0x027Eu);
  EXPECT_EQ(rk[11].Number, 0x0203u);
  EXPECT_EQ(at(1, 0).Value, 536870911);
  EXPECT_EQ(at(2, 0).Value, 536870912);
  EXPECT_EQ(at(3, 0).Value, -536870913);
  // A null number is BLANK with style 23; a pick-list column writes its display text.
  EXPECT_EQ(at(1, 1).Type, XlsCell::Blank);
  EXPECT_EQ(at(1, 1).Style, 23u);
  EXPECT_EQ(at(1, 2).Text, "uno");
  EXPECT_EQ(at(3, 2).Type, XlsCell::Label);
  // No field: BLANK. A text longer than 255 bytes keeps its full length.
  EXPECT_EQ(at(1, 3).Type, XlsCell::Blank);
  EXPECT_EQ(at(1, 4).Text, longText);
  // Footers: count 3, sum over nulls 0, fvtNon an empty label.
  EXPECT_EQ(at(4, 0).Type, XlsCell::Number);
  EXPECT_EQ(at(4, 0).Value, 3);
  EXPECT_EQ(at(4, 1).Type, XlsCell::Number);
  EXPECT_EQ(at(4, 1).Value, 0);
  EXPECT_EQ(at(4, 4).Type, XlsCell::Label);
  EXPECT_EQ(at(4, 4).Text, "");
}

TEST(XlsExport, CurrentCellAloneAndBytesFieldError) {
  FakeGrid grid = CostGrid();
  grid.CurrentCol = 2;
  grid.Current = 1;
  EXPECT_EQ(Render(kXls, grid),
            kBof + Bytes({0x03, 0x02, 0x0E, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x48, 0x93,
                          0x40}) +
                kEof);

  grid.Columns[1].Type = ftBytes;
  try {
    Render(kXls, grid, true);
    FAIL() << "a bytes field was read as an integer";
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.Message(), "Cannot access field 'AVES' as type Integer");
  }
  EXPECT_EQ(grid.Current, 1);
}

}  // namespace

namespace {

TEST(XlsExport, LimitsOfTheRecordFormat) {
  // A text past the 16-bit record length is cut to 65,527 bytes, keeping the stream readable.
  FakeGrid grid;
  grid.AddColumn({.FieldName = "T", .Caption = "T"});
  grid.AddRow({{false, std::string(70000, 'x')}});
  grid.Titles = false;
  grid.Footers = 0;
  EXPECT_EQ(XlsCells(Render(kXls, grid, true)).at({0u, 0u}).Text, std::string(65527, 'x'));

  // 65,536 sheet rows fit (title + 65,535 records); one more record fails instead of
  // wrapping to row 0.
  grid.Titles = true;
  grid.Rows.assign(65535, {{false, "r"}});
  const auto cells = XlsCells(Render(kXls, grid, true));
  EXPECT_EQ(cells.at({65535u, 0u}).Text, "r");
  grid.Rows.push_back({{false, "r"}});
  EXPECT_THROW(Render(kXls, grid, true), platform::Exception);
}

TEST(XlsExport, TooManyRowsFailBeforeTheFirstByte) {
  // Where the rows are counted ahead (all rows, a row selection) the export stops before it
  // writes; where they are not, it stops at the first row past the limit.
  FakeGrid grid;
  grid.AddColumn({.FieldName = "T", .Caption = "T"});
  grid.Rows.assign(65535, {{false, "r"}});  // + title + footer = 65,537 sheet rows
  struct Case {
    TExportSelectionType selection;
    bool saveAll;
    bool counted;
    bool writesFirst;
  } cases[] = {
      {TExportSelectionType::gstNon, true, true, false},
      {TExportSelectionType::gstColumns, false, true, false},
      {TExportSelectionType::gstRecordBookmarks, false, true, false},
      {TExportSelectionType::gstNon, true, false, true},
  };
  for (const Case& c : cases) {
    grid.Selection = c.selection;
    grid.SelColumns = {0};
    grid.SelRows.clear();
    for (int r = 0; r < 65535; ++r) grid.SelRows.push_back(r);
    grid.CountKnown = c.counted;
    TMemoryStream out;
    try {
      ExportGridToStream(kXls, grid, out, c.saveAll);
      ADD_FAILURE() << "no error";
    } catch (const platform::Exception& e) {
      const std::string message = e.Message();
      EXPECT_EQ(message.rfind("XLS row limit of 65536 rows exceeded", 0), 0u) << message;
      EXPECT_NE(message.find("(.xlsx)"), std::string::npos) << message;
      if (!c.writesFirst) {
        EXPECT_NE(message.find("65537 rows"), std::string::npos) << message;
      }
    }
    EXPECT_EQ(out.Size() == 0, !c.writesFirst);
  }
  // Exactly at the limit the sheet is written.
  grid.Footers = 0;
  grid.CountKnown = true;
  grid.Selection = TExportSelectionType::gstNon;
  EXPECT_NO_THROW(Render(kXls, grid, true));
}

}  // namespace
