// The copy command over the real report grid, a client result set of a real Firebird database
// and the real clipboard of the off-screen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "export/ClipboardCopy.h"
#include "export/ClipboardUtf8Stream.h"
#include "export/DBGridEhSource.h"
#include "export/ExportAsGRIDBIF.h"
#include "platform/Clipboard.h"
#include "platform/Cp1252.h"
#include "tests/export/support/GridDatabaseTest.h"

namespace {

using platform::CF_TEXT;
using platform::CF_UNICODETEXT;
using platform::ReadClipboardFormat;

// The bytes of a literal, embedded zero bytes included (the closing zero excluded).
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

class ClipboardCopy : public GridDatabaseTest {
 protected:
  void SetUp() override {
    std::string script =
        "CREATE TABLE T (CODE VARCHAR(10), V NUMERIC(15));"
        "INSERT INTO T VALUES ('A\xF1o', 1234.5);"
        "INSERT INTO T VALUES ('B', NULL);";
    for (int i = 10; i < 50; ++i) {
      script +=
          "INSERT INTO T VALUES ('R" + std::to_string(i) + "', " + std::to_string(i) + ".25);";
    }
    MakeDatabase("clipboard_copy", script);
    grid_.SetFooterRowCount(1);
    grid_.SetEditActions(geaCopyEh | geaSelectAllEh);
    grid_.resize(300, 160);
    InstallClipboardCopy(grid_);
  }

  void Open(const std::string& sql) {
    query_.SetSQL(sql);
    client_.Open();
  }
  // Something else on the clipboard before the copy.
  static void PutForeignContents() {
    auto* data = new QMimeData;
    data->setHtml("<b>earlier</b>");
    data->setData("application/x-other", "earlier");
    QApplication::clipboard()->setMimeData(data);
  }
  static std::string Rtf(TDBGridEh& grid) {
    TMemoryStream out;
    ExportGridToStream(&CreateExporter<TDBGridEhExportAsRTF>, grid, out, false);
    return std::string(out.Bytes());
  }
};

TEST_F(ClipboardCopy, NothingSelectedPutsTheCurrentCellInFiveFormatsAndNothingElse) {
  Open("select * from T order by CODE");
  PutForeignContents();
  const std::string rtf = Rtf(grid_);
  QTest::keyClick(&grid_, Qt::Key_C, Qt::ControlModifier);

  const TGridClipboardFormats& formats = GridClipboardFormats();
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), Bytes("A\xF1o\0"));
  EXPECT_EQ(ReadClipboardFormat(CF_UNICODETEXT), Bytes("A\0\xF1\0o\0\0\0"));
  EXPECT_EQ(ReadClipboardFormat(formats.Csv), Bytes("\"A\xF1o\"\0"));
  EXPECT_EQ(ReadClipboardFormat(formats.RichTextFormat), rtf + std::string(1, '\0'));
  EXPECT_EQ(ReadClipboardFormat(formats.GRIDBIF),
            Bytes("GRIDBIF\x01\x01\0\0\0"  // header, one column
                  "\x01\0"                 // visible, empty name
                  "\x05\x03\0\0\0A\xF1o"   // text of 3 bytes
                  "\0"));
  // A plain-text paste target sees the Unicode text; the earlier contents are gone.
  EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("A\xC3\xB1o"));
  const QStringList expected = {"text/plain;charset=windows-1252",
                                "text/plain;charset=utf-16le",
                                "text/plain",
                                "text/csv",
                                "text/rtf",
                                "application/x-gridbif"};
  QStringList present = QApplication::clipboard()->mimeData()->formats();
  present.sort();
  QStringList sortedExpected = expected;
  sortedExpected.sort();
  EXPECT_EQ(present, sortedExpected);
}

TEST_F(ClipboardCopy, SelectAllCopiesTitleRecordsAndFooterLine) {
  Open("select * from T order by CODE");
  QTest::keyClick(&grid_, Qt::Key_A, Qt::ControlModifier);
  ASSERT_EQ(grid_.Selection().SelectionType(), gstAll);
  QTest::keyClick(&grid_, Qt::Key_Insert, Qt::ControlModifier | Qt::ShiftModifier);

  // Expected from the fields' own display texts, record by record.
  std::string text = "CODE\tV";
  for (client_.First(); !client_.Eof(); client_.Next()) {
    text += "\r\n" + client_.FieldByName("CODE").DisplayText() + "\t" +
            client_.FieldByName("V").DisplayText();
  }
  text += "\r\n\t";
  ASSERT_NE(text.find("\r\nB\t\r\n"), std::string::npos);
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), text + std::string(1, '\0'));

  std::string unicode;
  for (unsigned char c : text) {
    const char16_t unit = c == 0xF1 ? u'\u00F1' : static_cast<char16_t>(c);
    unicode += static_cast<char>(unit & 0xFF);
    unicode += static_cast<char>(unit >> 8);
  }
  EXPECT_EQ(ReadClipboardFormat(CF_UNICODETEXT), unicode + std::string(2, '\0'));
  EXPECT_EQ(QApplication::clipboard()->text(), platform::ToQString(text));
}

TEST_F(ClipboardCopy, GridbifOfTextAndNull) {
  Open("select * from T where CODE = 'B'");
  CopyGridToClipboard(grid_, true);
  EXPECT_EQ(ReadClipboardFormat(GridClipboardFormats().GRIDBIF),
            Bytes("GRIDBIF\x01\x02\0\0\0"  // header, two columns
                  "\x01\0\x01\0"           // both visible, names empty
                  "\x05\x01\0\0\0B"        // text "B"
                  "\x02"                   // null
                  "\0"));
}

TEST_F(ClipboardCopy, GridbifValuesByFieldType) {
  Open(
      "select CODE, 7 as N, cast(2.5 as double precision) as D, "
      "cast('2024-01-02' as date) as DT from T where CODE = 'A\xF1o'");
  const std::string gridbif = [&] {
    TMemoryStream out;
    TDBGridEhValueSource source(grid_);
    ExportGridToStream(&CreateExporter<TDBGridEhExportAsGRIDBIF>, source, out, true);
    return std::string(out.Bytes());
  }();
  auto doubleBytes = [](double value) {
    std::string bytes(8, '\0');
    std::memcpy(bytes.data(), &value, 8);  // little-endian host
    return bytes;
  };
  const std::string expected = Bytes("GRIDBIF\x01\x04\0\0\0\x01\0\x01\0\x01\0\x01\0") +
                               Bytes("\x05\x03\0\0\0A\xF1o") + Bytes("\x03\x07\0\0\0") + "\x04" +
                               doubleBytes(2.5) + "\x04" + doubleBytes(45293.0) +
                               std::string(1, '\0');
  EXPECT_EQ(gridbif, expected);
}

TEST_F(ClipboardCopy, CopyKeepsSelectionCurrentRecordAndScrollPosition) {
  Open("select * from T order by CODE");
  grid_.show();
  client_.MoveBy(30);
  client_.MoveBy(-3);
  grid_.Selection().Rows().CurrentRowSelected();
  grid_.Selection().Rows().SetCurrentRowSelected(true);
  client_.Next();
  grid_.Selection().Rows().SetCurrentRowSelected(true);
  const TBookmark current = client_.GetBookmark();
  const int row = client_.ActiveRecord();
  const std::vector<TBookmark> selected(grid_.Selection().Rows().begin(),
                                        grid_.Selection().Rows().end());
  ASSERT_EQ(grid_.Selection().SelectionType(), gstRecordBookmarks);

  CopyGridToClipboard(grid_, false);

  EXPECT_EQ(client_.CompareBookmarks(client_.GetBookmark(), current), 0);
  EXPECT_EQ(client_.ActiveRecord(), row);
  EXPECT_FALSE(client_.ControlsDisabled());
  EXPECT_EQ(grid_.Selection().SelectionType(), gstRecordBookmarks);
  EXPECT_EQ(
      std::vector<TBookmark>(grid_.Selection().Rows().begin(), grid_.Selection().Rows().end()),
      selected);
  const std::string text = ReadClipboardFormat(CF_TEXT);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;  // title, 2 rows, footer
}

TEST_F(ClipboardCopy, EmptyDataSetCopiesTheEmptyCurrentCell) {
  Open("select * from T where CODE = 'none'");
  QTest::keyClick(&grid_, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), Bytes("\0"));
  EXPECT_EQ(ReadClipboardFormat(GridClipboardFormats().GRIDBIF).substr(0, 8), "GRIDBIF\x01");
}

TEST_F(ClipboardCopy, ClipboardInUseLeavesEverythingAsItWas) {
  Open("select * from T order by CODE");
  PutForeignContents();
  {
    platform::ClipboardSession other;
    try {
      CopyGridToClipboard(grid_, false);
      FAIL() << "copy ran while the clipboard was open";
    } catch (const platform::EClipboardException& error) {
      EXPECT_EQ(error.Message(), "Cannot open clipboard");
    }
  }
  EXPECT_FALSE(client_.ControlsDisabled());
  EXPECT_EQ(QApplication::clipboard()->mimeData()->data("application/x-other"), "earlier");
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), "");
}

TEST_F(ClipboardCopy, ErrorMidwayKeepsEarlierFormatsAndReleasesEverything) {
  Open("select * from T order by CODE");
  PutForeignContents();
  // The code's text cannot be produced once the Unicode block is on the clipboard: the CSV
  // walk fails.
  client_.FieldByName("CODE").OnGetText = [](const TField& field, std::string& text, bool) {
    if (!ReadClipboardFormat(CF_UNICODETEXT).empty()) {
      throw EDatabaseError("Cannot convert the value");
    }
    text = field.AsString();
  };
  try {
    CopyGridToClipboard(grid_, false);
    FAIL() << "the failure did not reach the caller";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.Message(), "Cannot convert the value");
  }
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), Bytes("A\xF1o\0"));
  EXPECT_EQ(ReadClipboardFormat(CF_UNICODETEXT).size(), 8u);
  EXPECT_EQ(ReadClipboardFormat(GridClipboardFormats().Csv), "");
  EXPECT_EQ(ReadClipboardFormat(GridClipboardFormats().GRIDBIF), "");
  EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasFormat("application/x-other"));
  EXPECT_FALSE(client_.ControlsDisabled());
  EXPECT_EQ(client_.FieldByName("CODE").AsString(), "A\xF1o");  // position restored
  client_.FieldByName("CODE").OnGetText = nullptr;
  EXPECT_NO_THROW(platform::ClipboardSession reopened);  // the copy closed the clipboard
}

// The five blocks and the plain text on the clipboard now.
std::vector<std::string> ReadAllFormats() {
  const TGridClipboardFormats& formats = GridClipboardFormats();
  return {ReadClipboardFormat(CF_TEXT),
          ReadClipboardFormat(CF_UNICODETEXT),
          ReadClipboardFormat(formats.Csv),
          ReadClipboardFormat(formats.RichTextFormat),
          ReadClipboardFormat(formats.GRIDBIF),
          platform::FromQString(QApplication::clipboard()->text())};
}

TEST_F(ClipboardCopy, DelayedBlocksAreTheBytesOfTheImmediateCopy) {
  // A footer hook makes the copy write every block at once; without it the blocks are
  // written when read. Both must give the same bytes for every kind of selection.
  Open("select * from T order by CODE");
  grid_.SetOptions(grid_.Options() | dgMultiSelect);
  struct Case {
    const char* name;
    std::function<void(TDBGridEh&, TClientDataSet&)> select;
    bool wholeGrid;
  } cases[] = {
      {"current cell", [](TDBGridEh&, TClientDataSet& data) { data.MoveBy(5); }, false},
      {"everything", [](TDBGridEh& grid, TClientDataSet&) { grid.Selection().SelectAll(); },
       false},
      {"rows",
       [](TDBGridEh& grid, TClientDataSet& data) {
         data.MoveBy(7);
         grid.Selection().Rows().SetCurrentRowSelected(true);
         data.MoveBy(-6);
         grid.Selection().Rows().SetCurrentRowSelected(true);
       },
       false},
      {"rectangle",
       [](TDBGridEh& grid, TClientDataSet& data) {
         data.MoveBy(2);
         grid.Selection().Rect().SetAnchor(1, data.GetBookmark());
         data.MoveBy(3);
         grid.Selection().Rect().SetShift(1, data.GetBookmark());
         grid.Selection().SetSelectionType(gstRectangle);
       },
       false},
      {"columns",
       [](TDBGridEh& grid, TClientDataSet&) {
         grid.Selection().Columns().AddColumn(grid.Columns()[1]);
         grid.Selection().SetSelectionType(gstColumns);
       },
       false},
      {"whole grid", [](TDBGridEh&, TClientDataSet& data) { data.MoveBy(1); }, true},
  };
  for (const Case& c : cases) {
    grid_.Selection().Clear();
    client_.First();
    c.select(grid_, client_);
    grid_.OnGetFooterParams = [](TDBGridEh&, int, int, TColumnEh&, platform::TFontSpec&,
                                 platform::TColor&, TAlignment&, TGridDrawState, std::string&) {};
    CopyGridToClipboard(grid_, c.wholeGrid);
    ASSERT_FALSE(platform::ClipboardHoldsDelayedData()) << c.name;
    const std::vector<std::string> immediate = ReadAllFormats();
    grid_.OnGetFooterParams = nullptr;
    CopyGridToClipboard(grid_, c.wholeGrid);
    ASSERT_TRUE(platform::ClipboardHoldsDelayedData()) << c.name;
    EXPECT_EQ(ReadAllFormats(), immediate) << c.name;
    EXPECT_GT(immediate[0].size(), 1u) << c.name;
  }
}

TEST_F(ClipboardCopy, PasteAfterSelectionChangeRecalculationAndCloseGivesTheCopiedRows) {
  Open("select * from T order by CODE");
  grid_.SetOptions(grid_.Options() | dgMultiSelect);
  client_.MoveBy(3);
  grid_.Selection().Rows().SetCurrentRowSelected(true);
  client_.MoveBy(20);
  grid_.Selection().Rows().SetCurrentRowSelected(true);
  CopyGridToClipboard(grid_, false);
  const std::vector<std::string> copied = ReadAllFormats();
  ASSERT_NE(copied[0].find("\r\nR11\t11\r\nR31\t31\r\n"), std::string::npos) << ::testing::PrintToString(copied[0]);

  // Another selection, then a recalculation with other rows.
  grid_.Selection().SelectAll();
  client_.Close();
  Open("select CODE, V * 2 as V from T where CODE = 'B'");
  EXPECT_EQ(ReadAllFormats(), copied);

  // The window closing writes the blocks out before the rows go.
  platform::RenderDelayedClipboard();
  client_.Close();
  connection_.Close();
  EXPECT_FALSE(platform::ClipboardHoldsDelayedData());
  EXPECT_EQ(ReadAllFormats(), copied);
}

TEST(ClipboardFormats, RegisteredOnceAtStartInOrder) {
  const TGridClipboardFormats& formats = GridClipboardFormats();
  EXPECT_EQ(platform::ClipboardFormatName(formats.GRIDBIF), "GRIDBIF");
  EXPECT_EQ(formats.Csv, formats.GRIDBIF + 1);
  EXPECT_EQ(formats.RichTextFormat, formats.GRIDBIF + 2);
  EXPECT_EQ(&GridClipboardFormats(), &formats);
}

// The plain text a paste receives, converted from the Unicode writer's bytes as they come,
// whatever the pieces they come in.
TEST(ClipboardUtf8Stream, ConvertsUtf16PiecesSplitAnywhere) {
  struct Case {
    const char* name;
    std::u16string units;
    std::string utf8;
  };
  const Case cases[] = {
      {"ascii", u"R1\t12\r\n", "R1\t12\r\n"},
      {"two and three bytes", u"a\u00F1o \u20AC", "a\xC3\xB1o \xE2\x82\xAC"},
      {"surrogate pair", u"x\U0001F414y", "x\xF0\x9F\x90\x94y"},
      {"lone surrogates", std::u16string(u"a") + char16_t(0xDC00) + u"b" + char16_t(0xD800) + u"c",
       "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c"},
      {"the zero ends the text", std::u16string(u"ab") + char16_t(0) + u"cd", "ab"},
      {"empty", u"", ""},
  };
  for (const Case& c : cases) {
    std::string bytes;
    for (char16_t unit : c.units) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    for (size_t piece : {size_t(1), size_t(2), size_t(3), size_t(5), bytes.size() + 1}) {
      TClipboardUtf8Stream stream;
      for (size_t at = 0; at < bytes.size(); at += piece) {
        stream.Write(std::string_view(bytes).substr(at, piece));
      }
      const QByteArray text = stream.Take();
      EXPECT_EQ(std::string(text.constData(), static_cast<size_t>(text.size())), c.utf8)
          << c.name << ", pieces of " << piece;
    }
  }
}

}  // namespace
