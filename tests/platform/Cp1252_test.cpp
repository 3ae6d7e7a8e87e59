#include "platform/Cp1252.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace platform {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(Cp1252, EveryByteSurvivesEveryRoundTrip) {
  const std::string bytes = AllBytes();
  EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(bytes)), bytes);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(bytes)), bytes);
  EXPECT_EQ(FromQString(ToQString(bytes)), bytes);
  EXPECT_TRUE(IsValidUtf8(Cp1252ToUtf8(bytes)));
  // All 256 code points differ, so no two bytes collapse into one character.
  std::u16string units = Cp1252ToUtf16(bytes);
  std::sort(units.begin(), units.end());
  EXPECT_EQ(std::unique(units.begin(), units.end()), units.end());
}

TEST(Cp1252, MapsTheWindowsCharacters) {
  struct Case {
    unsigned char byte;
    char16_t unit;
  };
  const Case cases[] = {{0x41, u'A'},      {0x80, u'\u20AC'}, {0x81, 0x0081}, {0x8A, u'\u0160'},
                        {0x8D, 0x008D},    {0x8F, 0x008F},    {0x90, 0x0090}, {0x93, u'\u201C'},
                        {0x9D, 0x009D},    {0x9F, u'\u0178'}, {0xA0, 0x00A0}, {0xD1, u'\u00D1'},
                        {0xF3, u'\u00F3'}, {0xFF, u'\u00FF'}};
  for (const Case& c : cases) {
    EXPECT_EQ(Cp1252ToUnicode(c.byte), c.unit) << int(c.byte);
    EXPECT_EQ(static_cast<unsigned char>(UnicodeToCp1252(c.unit)), c.byte) << int(c.byte);
  }
  EXPECT_EQ(Cp1252ToUtf8("Compa\xF1\xED"
                         "a \x80"),
            "Compañía €");
  // File names are shown, never turned into Windows-1252 for the file system.
  EXPECT_EQ(FileNameText("/srv/Compañía €"),
            "/srv/Compa\xF1\xED"
            "a \x80");
  EXPECT_EQ(FileNameText("/srv/\xF1"), "/srv/\xF1");
  EXPECT_EQ(FileNameText("/srv/Отчёт"), "/srv/?????");
  EXPECT_EQ(FileNameToQString("/srv/Отчёт Ñ"), QString::fromUtf8("/srv/Отчёт Ñ"));
  EXPECT_EQ(FileNameToQString("/srv/a\xF1o"), QString::fromUtf8("/srv/año"));
  EXPECT_EQ(FileNameFromQString(QString::fromUtf8("/srv/Отчёт Ñ")), "/srv/Отчёт Ñ");
  EXPECT_EQ(ToQString("Avi\xE9"
                      "cola"),
            QString::fromUtf8("Aviécola"));
}

TEST(Cp1252, UnmappableAndMalformedBecomeQuestionMarks) {
  EXPECT_EQ(Utf16ToCp1252(u"a\u4E2Db\U0001F600c"), "a?b?c");
  EXPECT_EQ(FromQString(QString::fromUtf8("Ω≈")), "??");
  struct Case {
    std::string utf8;
    std::string cp1252;
  };
  const Case cases[] = {
      {"\xC3", "?"},                 // truncated
      {"\xC3(", "?("},               // bad continuation
      {"\xC0\xAF", "??"},            // overlong
      {"\xED\xA0\x80", "???"},       // surrogate
      {"\xF4\x90\x80\x80", "????"},  // past U+10FFFF
      {"ok\xFFok", "ok?ok"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252);
    EXPECT_FALSE(IsValidUtf8(c.utf8));
  }
}

}  // namespace
}  // namespace platform
