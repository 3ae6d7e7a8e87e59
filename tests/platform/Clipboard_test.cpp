#include "platform/Clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <map>
#include <memory>

#include "platform/Errors.h"

namespace platform {
namespace {

TEST(ClipboardFormats, RegisteredNamesKeepTheirNumbers) {
  unsigned gridbif = RegisterClipboardFormat("GRIDBIF");
  unsigned csv = RegisterClipboardFormat("Csv");
  EXPECT_GE(gridbif, 0xC000u);
  EXPECT_NE(gridbif, csv);
  EXPECT_EQ(RegisterClipboardFormat("GRIDBIF"), gridbif);
  EXPECT_EQ(RegisterClipboardFormat("csv"), csv);
  EXPECT_EQ(ClipboardFormatName(csv), "Csv");

  struct Case {
    unsigned format;
    const char* mime;
  };
  const Case cases[] = {
      {CF_TEXT, "text/plain;charset=windows-1252"},
      {CF_UNICODETEXT, "text/plain;charset=utf-16le"},
      {csv, "text/csv"},
      {RegisterClipboardFormat("Rich Text Format"), "text/rtf"},
      {gridbif, "application/x-gridbif"},
      {RegisterClipboardFormat("My Format!"), "application/x-qor-clipboard-my-format-"},
  };
  for (const Case& c : cases) EXPECT_EQ(ClipboardMimeType(c.format), c.mime);
}

TEST(ClipboardSession, BlocksAccumulateAndReplaceEarlierContents) {
  QGuiApplication::clipboard()->setText("earlier contents");
  unsigned csv = RegisterClipboardFormat("Csv");
  {
    ClipboardSession session;
    session.Empty();
    session.SetData(CF_TEXT, std::string("a\tb\r\n\0", 7));
    // A UTF-16LE block ending in a zero code unit: "añ".
    session.SetData(CF_UNICODETEXT, std::string("a\0\xF1\0\0\0", 6));
    session.SetData(csv, std::string("a;b\0", 4));
    EXPECT_EQ(ReadClipboardFormat(CF_TEXT), std::string("a\tb\r\n\0", 7));
    session.Close();
  }
  EXPECT_EQ(ReadClipboardFormat(CF_UNICODETEXT), std::string("a\0\xF1\0\0\0", 6));
  EXPECT_EQ(ReadClipboardFormat(csv), std::string("a;b\0", 4));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("añ"));
  EXPECT_EQ(ReadClipboardFormat(RegisterClipboardFormat("GRIDBIF")), "");
}

TEST(ClipboardSession, FailsWhileAnotherIsOpenAndKeepsPlacedBlocks) {
  unsigned rtf = RegisterClipboardFormat("Rich Text Format");
  try {
    ClipboardSession session;
    session.Empty();
    session.SetData(CF_TEXT, std::string("first\0", 6));
    try {
      ClipboardSession second;
      ADD_FAILURE() << "a second session opened";
    } catch (const EClipboardException& error) {
      EXPECT_EQ(error.Message(), "Cannot open clipboard");
    }
    throw Exception("Out of memory while expanding memory stream");
    session.SetData(rtf, "{\\rtf1}");
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Out of memory while expanding memory stream");
  }
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), std::string("first\0", 6));
  EXPECT_EQ(ReadClipboardFormat(rtf), "");
  ClipboardSession reopened;  // the failed session was closed on the way out
  reopened.Close();
  EXPECT_THROW(reopened.SetData(CF_TEXT, "x"), EClipboardException);
}

// Counts what it is asked for; the CSV block cannot be written.
class CountingRenderer : public IClipboardRenderer {
 public:
  QByteArray Render(unsigned format) override {
    ++calls[format];
    if (format == RegisterClipboardFormat("Csv")) throw EClipboardException("Out of memory");
    if (format == CF_UNICODETEXT) return QByteArray("a\0\xF1\0\0\0", 6);
    return QByteArray("block ") + QByteArray::number(format) + QByteArray(1, '\0');
  }
  std::map<unsigned, int> calls;
};

TEST(ClipboardSession, DelayedBlocksAreWrittenWhenReadAndReleasedWithTheContents) {
  const unsigned csv = RegisterClipboardFormat("Csv");
  const unsigned gridbif = RegisterClipboardFormat("GRIDBIF");
  auto renderer = std::make_shared<CountingRenderer>();
  std::weak_ptr<CountingRenderer> watch = renderer;
  {
    ClipboardSession session;
    session.SetDelayedData({CF_TEXT, CF_UNICODETEXT, csv, gridbif}, std::move(renderer));
  }
  ASSERT_TRUE(ClipboardHoldsDelayedData());
  EXPECT_TRUE(watch.lock()->calls.empty());  // offering writes nothing
  QStringList formats = QGuiApplication::clipboard()->mimeData()->formats();
  formats.sort();
  EXPECT_EQ(formats, QStringList({"application/x-gridbif", "text/csv", "text/plain",
                                  "text/plain;charset=utf-16le",
                                  "text/plain;charset=windows-1252"}));

  // Every read writes the block again; a block that fails gives nothing.
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), std::string("block 1\0", 8));
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), std::string("block 1\0", 8));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("añ"));
  EXPECT_EQ(ReadClipboardFormat(csv), "");
  EXPECT_EQ(watch.lock()->calls[CF_TEXT], 2);
  // The plain text (what a paste takes) is written once for the copy, and comes as UTF-8.
  EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data("text/plain"), QByteArray("añ"));
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("añ"));
  EXPECT_EQ(watch.lock()->calls[CF_UNICODETEXT], 1);

  // Written out for good: the bytes stay, the renderer goes.
  RenderDelayedClipboard();
  EXPECT_FALSE(ClipboardHoldsDelayedData());
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(ReadClipboardFormat(gridbif), "block " + std::to_string(gridbif) + '\0');
  EXPECT_EQ(ReadClipboardFormat(CF_UNICODETEXT), std::string("a\0\xF1\0\0\0", 6));
  EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat("text/csv"));
  RenderDelayedClipboard();  // nothing delayed: the contents stay
  EXPECT_EQ(ReadClipboardFormat(CF_TEXT), std::string("block 1\0", 8));

  // Other contents replacing delayed ones release the renderer at once.
  auto second = std::make_shared<CountingRenderer>();
  watch = second;
  {
    ClipboardSession session;
    session.SetDelayedData({CF_TEXT}, std::move(second));
  }
  QGuiApplication::clipboard()->setText("someone else");
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(ClipboardHoldsDelayedData());
}

}  // namespace
}  // namespace platform
