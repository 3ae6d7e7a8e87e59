// The RTF writer.

#include <gtest/gtest.h>

#include "tests/export/support/FakeGrid.h"
#include "tests/export/support/Render.h"

namespace {

const char kHead[] =
    "{\\rtf0\\ansi\r\n"
    "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red240\\green240\\blue240;";

FakeGrid OneCell(const std::string& text) {
  FakeGrid grid;
  grid.AddColumn({.FieldName = "F", .Caption = "T", .Width = 36, .Color = platform::clSilver});
  grid.AddRow({{false, text}});
  grid.Titles = false;
  grid.Footers = 0;
  return grid;
}

TEST(RtfExport, DocumentWithTheNineLineRow) {
  FakeGrid grid = OneCell("01");
  EXPECT_EQ(Render(kRtf, grid, true),
            std::string(kHead) +
                "\\red192\\green192\\blue192;}\r\n"
                "{\\fonttbl\\f0\\fnil Arial Narrow;}\r\n"
                "\\trowd\\trgaph40\r\n"
                "\\clbrdrl\\brdrs\\brdrcf0\r\n"
                "\\clbrdrt\\brdrs\\brdrcf0\r\n"
                "\\clbrdrb\\brdrs\\brdrcf0\r\n"
                "\\clbrdrr\\brdrs\\brdrcf0\r\n"
                "\\clshdng10000\\clcfpat3\\cellx540\r\n"
                "{\\trrh0\r\n"
                "\\pard\\intbl{\\ql\\sb12\\sa12\\fs16\\f0\\cf0\\cb3 01\\cell}\r\n"
                "\\pard\\intbl\\row}\r\n"
                "}");
}

TEST(RtfExport, EscapesEmptyTextAndSpacing) {
  struct Case {
    std::string text;
    bool flat;
    std::string cell;
  } cases[] = {
      {"a\\{b}", true, "{\\ql\\sb12\\sa12\\fs16\\f0\\cf0\\cb3 a\\\\\\{b\\}\\cell}"},
      {"", true, "{\\ql\\sb12\\sa12\\fs16\\f0\\cf0\\cb3 \\cell}"},
      {"\xED", false, "{\\ql\\sb24\\sa24\\fs16\\f0\\cf0\\cb3 \xED\\cell}"},
  };
  for (const Case& c : cases) {
    FakeGrid grid = OneCell(c.text);
    grid.IsFlat = c.flat;
    EXPECT_NE(Render(kRtf, grid, true).find(c.cell), std::string::npos) << c.cell;
  }
}

TEST(RtfExport, ColourAndFontRegistries) {
  FakeGrid grid = TwoByTwo();
  grid.Columns[0].Width = 37;
  grid.Columns[0].Color = platform::clWhite;
  grid.Columns[1].Font = {"ARIAL NARROW", 10, platform::clRed, true, true, true, true};
  grid.Columns[1].Color = platform::clBlack;
  grid.Columns[1].Alignment = taCenter;
  grid.Footers = 0;
  grid.Rows.resize(1);
  const std::string rtf = Render(kRtf, grid, true);
  // Black, white and the button face come first; red is added by the styled font; the
  // upper-case font name shares the entry registered first.
  EXPECT_EQ(rtf.substr(0, rtf.find("\\trowd")),
            std::string(kHead) +
                "\\red255\\green0\\blue0;}\r\n"
                "{\\fonttbl\\f0\\fnil MS Sans Serif;\\f1\\fnil Arial Narrow;}\r\n");
  EXPECT_NE(rtf.find("\\clcfpat2\\cellx555\r\n"), std::string::npos);  // 37 px at 96 dpi
  EXPECT_NE(rtf.find("\\clcfpat2\\cellx1515\r\n"), std::string::npos);
  EXPECT_NE(rtf.find("{\\ql\\sb12\\sa12\\fs16\\f0\\cf0\\cb2 T1\\cell}"), std::string::npos);
  EXPECT_NE(rtf.find("\\clcfpat1\\cellx555\r\n"), std::string::npos);
  EXPECT_NE(rtf.find("\\clcfpat0\\cellx1515\r\n"), std::string::npos);
  EXPECT_NE(rtf.find("{\\qc\\sb12\\sa12\\fs20\\b\\i\\strike\\ul\\f1\\cf3\\cb0 b1\\cell}"),
            std::string::npos);
}

TEST(RtfExport, FailureLeavesTheOutputEmpty) {
  FakeGrid grid = TwoByTwo();
  grid.FailAtRecord = 1;
  TMemoryStream out;
  EXPECT_THROW(ExportGridToStream(kRtf, grid, out, true), platform::Exception);
  EXPECT_EQ(out.Size(), 0u);
}

}  // namespace

namespace {

// A stream that cannot take bytes back: the writer must keep the rows aside.
class ForwardOnlyStream : public TStream {
 public:
  void Write(const void* data, size_t size) override {
    bytes.append(static_cast<const char*>(data), size);
  }
  std::string bytes;
};

TEST(RtfExport, RowsWrittenStraightAreTheBytesOfTheBufferedDocument) {
  // Tables worked out ahead must give what the buffered document gives, also where the walk
  // meets less than was foreseen (no records, so the data colours never register).
  struct Case {
    const char* name;
    int rows;
    TExportSelectionType selection;
    bool saveAll;
  } cases[] = {
      {"all rows", 3, TExportSelectionType::gstNon, true},
      {"no rows", 0, TExportSelectionType::gstNon, true},
      {"current cell", 3, TExportSelectionType::gstNon, false},
      {"rectangle", 3, TExportSelectionType::gstRectangle, false},
      {"bookmarks", 3, TExportSelectionType::gstRecordBookmarks, false},
      {"columns", 3, TExportSelectionType::gstColumns, false},
  };
  for (const Case& c : cases) {
    FakeGrid grid;
    grid.AddColumn({.FieldName = "A", .Caption = "TA", .Color = platform::clSilver});
    grid.AddColumn({.FieldName = "B",
                    .Caption = "TB",
                    .Color = platform::clMoneyGreen,
                    .Font = {"Arial", 10, platform::clRed, true}});
    grid.AddColumn({.FieldName = "C", .Caption = "T{C}", .Color = 0x123456});
    for (int r = 0; r < c.rows; ++r) {
      grid.AddRow({{false, "a" + std::to_string(r)}, {r == 1, "b\\"}, {false, "{c}"}});
    }
    grid.Selection = c.selection;
    grid.Current = c.rows > 1 ? 1 : 0;
    grid.CurrentCol = 1;
    grid.RectLeft = 1, grid.RectRight = 2, grid.RectTop = 1, grid.RectBottom = 2;
    grid.SelRows = {2, 0};
    grid.SelColumns = {2, 0};

    grid.Hooks = true;
    const std::string buffered = Render(kRtf, grid, c.saveAll);
    grid.Hooks = false;
    EXPECT_EQ(Render(kRtf, grid, c.saveAll), buffered) << c.name;
    ForwardOnlyStream forward;
    ExportGridToStream(kRtf, grid, forward, c.saveAll);
    EXPECT_EQ(forward.bytes, buffered) << c.name;
    EXPECT_NE(buffered.find("\\fonttbl"), std::string::npos) << c.name;
  }
}

TEST(RtfExport, FailureWritesNothingToAnyStream) {
  // Straight to a memory stream after earlier bytes, through the kept-aside rows to a stream
  // that cannot take bytes back, and with hooks: only what was there before remains.
  for (const bool hooks : {false, true}) {
    FakeGrid grid = TwoByTwo();
    grid.Hooks = hooks;
    grid.FailAtRecord = 1;
    TMemoryStream memory;
    memory.Write("before");
    EXPECT_THROW(ExportGridToStream(kRtf, grid, memory, true), platform::Exception);
    EXPECT_EQ(memory.Bytes(), "before") << hooks;
    ForwardOnlyStream forward;
    EXPECT_THROW(ExportGridToStream(kRtf, grid, forward, true), platform::Exception);
    EXPECT_EQ(forward.bytes, "") << hooks;
  }
}

}  // namespace
