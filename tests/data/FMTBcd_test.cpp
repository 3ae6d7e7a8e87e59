#include "data/FMTBcd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "data/DB.h"
#include "platform/RegionalSettings.h"

namespace {

// A value of the report's columns (precision 15, 2 places) from text with ".".
TBcd Value(const char* text, int precision = 15, int places = 2) {
  TBcd parsed, value;
  EXPECT_TRUE(TryTextToBcd(text, '.', parsed)) << text;
  EXPECT_TRUE(NormalizeBcd(parsed, precision, places, value)) << text;
  return value;
}

platform::TFormatSettings Separators(char decimal, char thousand) {
  platform::TFormatSettings settings;
  settings.DecimalSeparator = decimal;
  settings.ThousandSeparator = thousand;
  return settings;
}

bool SameBytes(const TBcd& a, const TBcd& b) { return std::memcmp(&a, &b, sizeof(TBcd)) == 0; }

TEST(BcdLayout, DigitsSignAndPlacesSitWhereTheLayoutSays) {
  // 12500.00 with 15 digits and 2 places: the digit string ends in 1, 2, 5 and four zeros.
  TBcd value = Value("12500");
  EXPECT_EQ(value.Precision, 15);
  EXPECT_EQ(value.SignSpecialPlaces, 2);
  const uint8_t expected[8] = {0x00, 0x00, 0x00, 0x00, 0x12, 0x50, 0x00, 0x00};
  EXPECT_EQ(std::memcmp(value.Fraction, expected, sizeof expected), 0);
  EXPECT_EQ(Value("-3.1").SignSpecialPlaces, 0x82);
  // Zero is never stored as negative.
  EXPECT_EQ(Value("-0.00").SignSpecialPlaces, 2);
}

TEST(BcdPlainText, Examples) {
  struct Case {
    TBcd value;
    char separator;
    const char* text;
  } cases[] = {
      {Value("12500"), '.', "12500"},
      {Value("0.5"), '.', "0.5"},
      {Value("0.5"), ',', "0,5"},
      {Value("-3.10"), '.', "-3.1"},
      {Value("0"), '.', "0"},
      {Value("100", 15, 2), '.', "100"},  // integer zeros stay
      {Value("1234567.89"), ',', "1234567,89"},
      {Value("120", 3, 0), '.', "120"},   // no places: nothing dropped
      {Value("0.5", 2, 2), '.', "0.50"},  // all digits are places: trailing zeros stay
      {Value("0", 2, 2), ',', "0,00"},
      {Value("-0.05", 4, 4), '.', "-0.0500"},
      {Value("0.001", 15, 4), '.', "0.001"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BcdToPlainText(c.value, c.separator), c.text);
  }

  // "-0", "0.0" and "-0.0" collapse to "0"; with "," the last two stay as made.
  TBcd negativeZero = Value("0", 1, 1);
  negativeZero.SignSpecialPlaces |= 0x80;
  EXPECT_EQ(BcdToPlainText(negativeZero, '.'), "0");
  EXPECT_EQ(BcdToPlainText(Value("0", 1, 1), '.'), "0");
  TBcd negativeInteger = Value("0", 3, 0);
  negativeInteger.SignSpecialPlaces |= 0x80;
  EXPECT_EQ(BcdToPlainText(negativeInteger, '.'), "0");
}

TEST(BcdPlainText, PrecisionOutsideOneToSixtyFourOverflows) {
  TBcd value;
  value.Precision = 0;
  EXPECT_THROW(BcdToPlainText(value, '.'), EBcdOverflow);
  value.Precision = 65;
  EXPECT_THROW(BcdToPlainText(value, '.'), EBcdOverflow);
  value.Precision = 2;
  value.SignSpecialPlaces = 3;  // more places than digits
  EXPECT_THROW(BcdToPlainText(value, '.'), EBcdOverflow);
  try {
    value.Precision = 0;
    BcdToPlainText(value, '.');
  } catch (const EBcdOverflow& e) {
    EXPECT_EQ(e.Message(), "BCD overflow");
  }
}

// Every cell of the format table: first "," decimals with "." thousands, then "." with ",".
TEST(BcdFormat, FormatTableUnderBothSeparatorConventions) {
  struct Case {
    const char* format;
    const char* value;
    const char* comma;
    const char* dot;
  } cases[] = {
      {"#,###", "12500.00", "12.500", "12,500"},
      {"#,###", "0.50", "0,5", "0.5"},
      {"#,###", "1234567.89", "1.234.567,89", "1,234,567.89"},
      {"#,###", "0", "0", "0"},
      {"#,###", "-1234.50", "-1.234,5", "-1,234.5"},
      {"#,###.00", "12500.00", "12.500,00", "12,500.00"},
      {"#,###.00", "0.50", "0,50", "0.50"},
      {"#,###.00", "1234567.89", "1.234.567,89", "1,234,567.89"},
      {"#,###.00", "0", "0,00", "0.00"},
      {"#,###.00", "-1234.50", "-1.234,50", "-1,234.50"},
      {"###.00", "12500.00", "12500,00", "12500.00"},
      {"###.00", "0.50", "0,50", "0.50"},
      {"###.00", "1234567.89", "1234567,89", "1234567.89"},
      {"###.00", "0", "0,00", "0.00"},
      {"###.00", "-1234.50", "-1234,50", "-1234.50"},
      {"##.00%", "12500.00", "12500,00%", "12500.00%"},
      {"##.00%", "0.50", "0,50%", "0.50%"},
      {"##.00%", "1234567.89", "1234567,89%", "1234567.89%"},
      {"##.00%", "0", "0,00%", "0.00%"},
      {"##.00%", "-1234.50", "-1234,50%", "-1234.50%"},
      {"###.00%", "12500.00", "12500,00%", "12500.00%"},
      {"###.00%", "0.50", "0,50%", "0.50%"},
      {"###.00%", "1234567.89", "1234567,89%", "1234567.89%"},
      {"###.00%", "0", "0,00%", "0.00%"},
      {"###.00%", "-1234.50", "-1234,50%", "-1234.50%"},
  };
  const platform::TFormatSettings comma = Separators(',', '.');
  const platform::TFormatSettings dot = Separators('.', ',');
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + c.value);
    EXPECT_EQ(FormatBcd(c.format, Value(c.value), comma), c.comma);
    EXPECT_EQ(FormatBcd(c.format, Value(c.value), dot), c.dot);
  }
}

TEST(BcdFormat, AThousandsSeparatorEqualToTheDecimalOneIsLeftOut) {
  struct Case {
    char separator;
    const char* format;
    const char* value;
    int precision;
    const char* text;
  } cases[] = {
      {'.', "#,###.00", "367446096.62", 15, "367446096.62"},
      {',', "#,###.00", "367446096.62", 15, "367446096,62"},
      {'.', "#,###", "-1234567.5", 15, "-1234567.5"},
      {'.', "#,###.00", "123456789012345678901234.5", 30, "123456789012345678901234.50"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + c.value);
    EXPECT_EQ(FormatBcd(c.format, Value(c.value, c.precision), Separators(c.separator, c.separator)),
              c.text);
  }
}

TEST(BcdFormat, EdgeCasesAndImplementerChoices) {
  const platform::TFormatSettings dot = Separators('.', ',');
  struct Case {
    const char* format;
    TBcd value;
    const char* text;
  } cases[] = {
      {"#,###", Value("1234567.00"), "1,234,567"},
      {"##.00%", Value("12.5"), "12.50%"},
      {"###.00", Value("12500"), "12500.00"},  // more integer digits than "#"
      {"#,###", Value("999"), "999"},
      {"#,###", Value("1000"), "1,000"},
      {"#,###", Value("0.5", 2, 2), "0.50"},  // plain notation keeps zeros when all are places
      // Rounding half up when the value has more decimals than the format shows.
      {"#,###.00", Value("1.005", 15, 3), "1.01"},
      {"###.00", Value("1.004", 15, 3), "1.00"},
      {"###.00", Value("9.995", 15, 3), "10.00"},
      {"#,###.00", Value("999999.995", 15, 3), "1,000,000.00"},
      {"###.00", Value("-2.345", 15, 3), "-2.35"},
      {"###.00", Value("-0.004", 15, 3), "0.00"},  // rounded to zero: no "-"
      // Without decimal places in the format the value's own decimals stay, unrounded.
      {"#,###", Value("1.125", 15, 3), "1.125"},
      // Plain style: no "0" among the places and no extra decimals.
      {"###.##", Value("0.5"), "0.5"},
      {"###.##", Value("12500"), "12500"},
      {"###.##", Value("1.125", 15, 3), "1.13"},  // fixed style: more decimals than shown
      // A "0" just before the point asks for fixed style.
      {"##0", Value("12.5"), "12.5"},
      {".00", Value("0.5"), "0.50"},
      // Literals: a leading one goes in front, others are appended in order.
      {"Total #,###.00 COP", Value("1234.5"), "Total 1,234.50 COP"},
      {"#x#", Value("12"), "12x"},
      // Values of up to 19 digits and longer ones read the same.
      {"#,###", Value("1234567890123456789", 19, 0), "1,234,567,890,123,456,789"},
      {"#,###", Value("12345678901234567890", 20, 0), "12,345,678,901,234,567,890"},
      {"#,###.00", Value("9999999999999999.995", 19, 3), "10,000,000,000,000,000.00"},
      {"#,###.00", Value("99999999999999999.995", 20, 3), "100,000,000,000,000,000.00"},
      {"0.0000000000000000000000", Value("-1.5"), "-1.5000000000000000000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(FormatBcd(c.format, c.value, dot), c.text);
  }

  TBcd broken;
  broken.Precision = 0;
  EXPECT_THROW(FormatBcd("#,###", broken, dot), EBcdOverflow);
}

TEST(BcdNormalize, RoundsHalfUpAndRefusesWhatDoesNotFit) {
  struct Case {
    const char* text;
    int precision, places;
    bool fits;
    const char* plain;
  } cases[] = {
      {"12.345", 15, 2, true, "12.35"},
      {"12.344", 15, 2, true, "12.34"},
      {"-12.345", 15, 2, true, "-12.35"},
      {"99.995", 5, 2, true, "100"},
      {"99.995", 4, 2, false, ""},
      {"123456", 5, 0, false, ""},
      {"12345", 5, 0, true, "12345"},
      {"0.004", 3, 2, true, "0"},
      {"1", 64, 63, true, "1"},
      {"1", 65, 2, false, ""},
      {"1", 3, 4, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TBcd parsed, out;
    ASSERT_TRUE(TryTextToBcd(c.text, '.', parsed));
    ASSERT_EQ(NormalizeBcd(parsed, c.precision, c.places, out), c.fits);
    if (!c.fits) continue;
    EXPECT_EQ(out.Precision, c.precision);
    EXPECT_EQ(BcdScale(out), c.places);
    EXPECT_EQ(BcdToPlainText(out, '.'), c.plain);
  }
}

TEST(BcdText, ReadsOnlySignDigitsAndOneSeparator) {
  struct Case {
    const char* text;
    char separator;
    const char* plain;  // nullptr: refused
  } cases[] = {
      {"1.5", '.', "1.5"},     {"-0012.50", '.', "-12.5"}, {"1,5", ',', "1.5"},
      {".5", '.', "0.5"},      {"5.", '.', "5"},           {"0", '.', "0"},
      {"+1", '.', nullptr},    {"1 000", '.', nullptr},    {"1,5", '.', nullptr},
      {"", '.', nullptr},      {"-", '.', nullptr},        {".", '.', nullptr},
      {"1.2.3", '.', nullptr}, {"--1", '.', nullptr},      {"1-", '.', nullptr},
      {"1e5", '.', nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TBcd value;
    bool ok = TryTextToBcd(c.text, c.separator, value);
    ASSERT_EQ(ok, c.plain != nullptr);
    if (ok) {
      EXPECT_EQ(BcdToPlainText(value, '.'), c.plain);
    }
  }
  TBcd value;
  EXPECT_FALSE(TryTextToBcd(std::string(65, '9'), '.', value));
  ASSERT_TRUE(TryTextToBcd(std::string(64, '9'), '.', value));
  EXPECT_EQ(value.Precision, 64);
}

TEST(BcdConversions, DoubleIntegerAndCompare) {
  EXPECT_DOUBLE_EQ(BcdToDouble(Value("12500")), 12500.0);
  EXPECT_DOUBLE_EQ(BcdToDouble(Value("-3.1")), -3.1);
  EXPECT_EQ(BcdToPlainText(DoubleToBcd(0.125, 15, 2), '.'), "0.13");
  EXPECT_EQ(BcdToPlainText(DoubleToBcd(-1234.5, 15, 2), '.'), "-1234.5");
  EXPECT_EQ(BcdToPlainText(DoubleToBcd(0.1 + 0.2, 15, 2), '.'), "0.3");
  EXPECT_TRUE(SameBytes(DoubleToBcd(1234567.89, 15, 2), Value("1234567.89")));
  EXPECT_THROW(DoubleToBcd(1e20, 15, 2), EBcdOverflow);
  EXPECT_THROW(DoubleToBcd(std::numeric_limits<double>::quiet_NaN(), 15, 2), EBcdOverflow);
  EXPECT_THROW(DoubleToBcd(std::numeric_limits<double>::infinity(), 15, 2), EBcdOverflow);

  EXPECT_EQ(BcdToPlainText(IntegerToBcd(0), '.'), "0");
  EXPECT_EQ(BcdToPlainText(IntegerToBcd(-42), '.'), "-42");
  EXPECT_EQ(BcdToPlainText(IntegerToBcd(INT64_MIN), '.'), "-9223372036854775808");

  EXPECT_EQ(BcdCompare(Value("1.50"), Value("1.5", 2, 1)), 0);
  EXPECT_EQ(BcdCompare(Value("-1"), Value("0")), -1);
  EXPECT_EQ(BcdCompare(Value("-1"), Value("-2")), 1);
  EXPECT_EQ(BcdCompare(Value("10"), Value("9.99")), 1);
  EXPECT_EQ(BcdCompare(Value("0.01"), Value("0.1", 15, 4)), -1);
  TBcd negativeZero = Value("0");
  negativeZero.SignSpecialPlaces |= 0x80;
  EXPECT_EQ(BcdCompare(negativeZero, Value("0", 3, 0)), 0);
}

// Plain notation read back gives the same value, for random values of the report's kind.
TEST(BcdPlainText, RandomRoundTripKeepsTheValue) {
  std::mt19937_64 random(20260110);
  for (int places : {2, 4}) {
    for (int i = 0; i < 5000; ++i) {
      TBcd value;
      value.Precision = 15;
      int digits = std::uniform_int_distribution<int>(0, 15)(random);
      for (int d = 15 - digits; d < 15; ++d) {
        SetBcdDigit(value, d, std::uniform_int_distribution<int>(0, 9)(random));
      }
      bool negative = (random() & 1) != 0 && !BcdIsZero(value);
      value.SignSpecialPlaces = static_cast<uint8_t>(places | (negative ? 0x80 : 0));
      for (char separator : {'.', ','}) {
        std::string text = BcdToPlainText(value, separator);
        TBcd parsed, back;
        ASSERT_TRUE(TryTextToBcd(text, separator, parsed)) << text;
        ASSERT_TRUE(NormalizeBcd(parsed, 15, places, back)) << text;
        ASSERT_TRUE(SameBytes(value, back)) << text;
        ASSERT_EQ(BcdCompare(value, parsed), 0) << text;
      }
    }
  }
}

}  // namespace
