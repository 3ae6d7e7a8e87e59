#include "data/DateText.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/RegionalSettings.h"
#include "tests/data/support/SettingsScope.h"

namespace {

platform::TFormatSettings Picture(const char* picture, char separator = '/') {
  platform::TFormatSettings settings;
  settings.ShortDateFormat = picture;
  settings.DateSeparator = separator;
  return settings;
}

TEST(DateEncoding, DayCountsFromThirtiethDecember1899) {
  struct Case {
    int year, month, day;
    double days;
  } cases[] = {
      {1899, 12, 30, 0},    {1899, 12, 29, -1},   {1900, 1, 1, 2},
      {2022, 1, 31, 44592}, {2000, 2, 29, 36585}, {1, 1, 1, -693593},
  };
  for (const Case& c : cases) {
    TDateTime date = EncodeDate(c.year, c.month, c.day);
    EXPECT_EQ(date, c.days);
    int y = 0, m = 0, d = 0;
    // The time of day is ignored (before day 0 it is held as a negative fraction).
    DecodeDate(date + (date < 0 ? -0.75 : 0.75), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.year * 10000 + c.month * 100 + c.day);
  }
  TDateTime date = 0;
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, date));
  EXPECT_FALSE(TryEncodeDate(2022, 13, 1, date));
  EXPECT_FALSE(TryEncodeDate(2022, 4, 31, date));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, date));
  EXPECT_THROW(EncodeDate(2022, 2, 30), EConvertError);
  EXPECT_EQ(DayOfWeek(EncodeDate(2022, 1, 31)), 2);  // a Monday
  EXPECT_EQ(Date(), std::trunc(Date()));
}

TEST(DateToText, PictureTable) {
  platform::TFormatSettings spanish = Picture("dddd d 'de' mmmm \"de\" yyyy");
  spanish.LongDayNames = {"domingo",
                          "lunes",
                          "martes",
                          "mi\xE9"
                          "rcoles",
                          "jueves",
                          "viernes",
                          "s\xE1"
                          "bado"};
  spanish.LongMonthNames = {"enero", "febrero", "marzo",      "abril",   "mayo",      "junio",
                            "julio", "agosto",  "septiembre", "octubre", "noviembre", "diciembre"};
  struct Case {
    platform::TFormatSettings settings;
    int year, month, day;
    const char* text;
  } cases[] = {
      {Picture("dd/MM/yyyy"), 2022, 1, 31, "31/01/2022"},
      {Picture("yyyy/MM/dd"), 2022, 1, 31, "2022/01/31"},
      {Picture("d/m/yy"), 2022, 1, 5, "5/1/22"},
      {Picture("DD/MM/YYYY"), 2022, 1, 5, "05/01/2022"},
      {Picture("m/d/y"), 2005, 3, 7, "3/7/05"},
      {Picture("yyy-mm-dd"), 822, 1, 5, "0822-01-05"},
      {Picture("ddd dd mmm yyyy"), 2022, 1, 31, "Mon 31 Jan 2022"},
      {Picture("dd/mm/yyyy", '-'), 2022, 1, 31, "31-01-2022"},
      {Picture("dd.mm.yyyy", '-'), 2022, 1, 31, "31.01.2022"},  // only "/" is the separator
      {Picture("dd/mm/yyyy", '\0'), 2022, 1, 31, "31012022"},
      {Picture("'d:'d"), 2022, 1, 31, "d:31"},
      {spanish, 2022, 1, 31, "lunes 31 de enero de 2022"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings.ShortDateFormat);
    TDateTime date = EncodeDate(c.year, c.month, c.day);
    EXPECT_EQ(DateToStr(date + (date < 0 ? -0.5 : 0.5), c.settings), c.text);
  }
}

TEST(DateFromText, OrderNumbersAndYearWindow) {
  struct Case {
    const char* picture;
    const char* text;
    int currentYear;
    int year, month, day;  // year 0: not a valid date
  } cases[] = {
      {"d/M/yyyy", "5/1/2022", 2026, 2022, 1, 5},
      {"d/M/yyyy", "5/1/22", 1973, 2022, 1, 5},
      {"d/M/yyyy", "5/1/22", 2072, 2022, 1, 5},
      {"d/M/yyyy", "5/1/22", 2073, 2122, 1, 5},
      {"d/M/yyyy", "5/1/22", 1972, 1922, 1, 5},
      {"d/M/yyyy", "5/1/75", 2026, 2075, 1, 5},  // current + 49
      {"d/M/yyyy", "5/1/76", 2026, 1976, 1, 5},  // current - 50
      {"d/M/yyyy", "5/1/5", 2026, 2005, 1, 5},
      {"d/M/yyyy", "5/1/022", 2026, 22, 1, 5},  // three digits: as written
      {"d/M/yyyy", "5/1/0022", 2026, 22, 1, 5},
      {"d/M/yyyy", "5/1", 2026, 2026, 1, 5},
      {"d/M/yyyy", " 5 / 1 /2022/ ", 2026, 2022, 1, 5},
      {"d/M/yyyy", "5/1/", 2026, 2026, 1, 5},
      {"d/M/yyyy", "5-1-2022", 2026, 0, 0, 0},
      {"d/M/yyyy", "5/1/2022x", 2026, 0, 0, 0},
      {"d/M/yyyy", "5/1/2022/1", 2026, 0, 0, 0},
      {"d/M/yyyy", "5", 2026, 0, 0, 0},
      {"d/M/yyyy", "", 2026, 0, 0, 0},
      {"d/M/yyyy", "/5/1", 2026, 0, 0, 0},
      {"d/M/yyyy", "5//1", 2026, 0, 0, 0},
      {"d/M/yyyy", "5/1/20222", 2026, 0, 0, 0},
      {"d/M/yyyy", "31/2/2022", 2026, 0, 0, 0},
      {"d/M/yyyy", "5/13/2022", 2026, 0, 0, 0},
      {"d/M/yyyy", "5/1/0", 2026, 2000, 1, 5},
      {"d/M/yyyy", "5/1/0000", 2026, 0, 0, 0},
      {"yyyy/MM/dd", "2022/01/31", 2026, 2022, 1, 31},
      {"yyyy/MM/dd", "1/31", 2026, 2026, 1, 31},  // two numbers: month and day
      {"ee/MM/dd", "22/01/31", 2026, 2022, 1, 31},
      {"M/d/yy", "1/31/22", 2026, 2022, 1, 31},
      {"M/d/yy", "1/31", 2026, 2026, 1, 31},
      {"M/d/yy", "31/1/22", 2026, 0, 0, 0},
      {"'day' d/M/yy", "31/1/22", 2026, 2022, 1, 31},  // quoted letters do not count
      {"", "1/31/2022", 2026, 2022, 1, 31},            // no letter: month first
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.picture) + " [" + c.text + "] " + std::to_string(c.currentYear));
    TDateTime date = 0;
    bool ok = TryStrToDate(c.text, Picture(c.picture), c.currentYear, date);
    ASSERT_EQ(ok, c.year != 0);
    if (ok) {
      EXPECT_EQ(date, EncodeDate(c.year, c.month, c.day));
    }
  }
  TDateTime date = 0;
  EXPECT_TRUE(TryStrToDate("5.1.2022", Picture("d/M/yyyy", '.'), 2026, date));
  EXPECT_EQ(date, EncodeDate(2022, 1, 5));
  EXPECT_FALSE(TryStrToDate("5/1/2022", Picture("d/M/yyyy", '.'), 2026, date));
}

TEST(DateFromText, SettingsInForceAndTheExactError) {
  SettingsScope scope(Picture("d/M/yyyy"));
  int year = 0, month = 0, day = 0;
  DecodeDate(Date(), year, month, day);
  EXPECT_EQ(StrToDate("5/1"), EncodeDate(year, 1, 5));
  EXPECT_EQ(StrToDate("5/1/22"), EncodeDate(2022, 1, 5));
  try {
    StrToDate("5-1-2022");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'5-1-2022' is not a valid date");
  }
  EXPECT_EQ(DateToStr(EncodeDate(2022, 1, 31)), "31/1/2022");
  // A change of the settings takes effect on the next conversion.
  platform::SetFormatSettings(Picture("yyyy/mm/dd", '-'));
  EXPECT_EQ(DateToStr(EncodeDate(2022, 1, 31)), "2022-01-31");
  EXPECT_EQ(StrToDate("2022-1-31"), EncodeDate(2022, 1, 31));
}

TEST(QuotedText, QuotesDoubledInside) {
  EXPECT_EQ(QuotedStr("2022/01/31"), "'2022/01/31'");
  EXPECT_EQ(QuotedStr("O'Neil"), "'O''Neil'");
  EXPECT_EQ(QuotedStr("''"), "''''''");
  EXPECT_EQ(QuotedStr(""), "''");
}

}  // namespace
