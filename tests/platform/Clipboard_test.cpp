#include "platform/Clipboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

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

}  // namespace
}  // namespace platform
