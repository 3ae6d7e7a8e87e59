#include "driver/IbValues.h"

#include <array>
#include <cmath>
#include <cstring>

namespace ibdriver {

void DaysToCivil(int32_t days, int* year, int* month, int* day) {
  // Days from 1970-01-01, then the civil-from-days algorithm on the proleptic calendar.
  int64_t z = static_cast<int64_t>(days) - 25569 + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(y + (m <= 2 ? 1 : 0));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

int32_t CivilToDays(int year, int month, int day) {
  int64_t y = year - (month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<int32_t>(era * 146097 + doe - 719468 + 25569);
}

SQLTimeStampValue IscTimestampToParts(const ISC_TIMESTAMP& stamp) {
  SQLTimeStampValue parts{};
  int year, month, day;
  DaysToCivil(IscDateToDays(stamp.timestamp_date), &year, &month, &day);
  parts.Year = static_cast<int16_t>(year);
  parts.Month = static_cast<uint16_t>(month);
  parts.Day = static_cast<uint16_t>(day);
  uint32_t tenths = stamp.timestamp_time;  // units of 1/10000 second
  parts.Hour = static_cast<uint16_t>(tenths / 36000000u);
  parts.Minute = static_cast<uint16_t>(tenths / 600000u % 60);
  parts.Second = static_cast<uint16_t>(tenths / 10000u % 60);
  parts.Fractions = tenths % 10000u;
  return parts;
}

ISC_TIMESTAMP PartsToIscTimestamp(const SQLTimeStampValue& parts) {
  ISC_TIMESTAMP stamp;
  stamp.timestamp_date = DaysToIscDate(CivilToDays(parts.Year, parts.Month, parts.Day));
  stamp.timestamp_time = ((parts.Hour * 60u + parts.Minute) * 60u + parts.Second) * 10000u +
                         parts.Fractions;
  return stamp;
}

ISC_TIMESTAMP DateTimeToIscTimestamp(double dateTime) {
  double days = std::floor(dateTime);
  double fraction = std::fabs(dateTime - days);
  if (dateTime < 0) {
    // Negative TDateTime values keep the time as a positive fraction of the day before zero.
    days = std::ceil(dateTime);
    fraction = std::fabs(dateTime - days);
  }
  ISC_TIMESTAMP stamp;
  stamp.timestamp_date = DaysToIscDate(static_cast<int32_t>(days));
  int64_t milliseconds = std::llround(fraction * 86400000.0);
  if (milliseconds >= 86400000) milliseconds = 86399999;
  stamp.timestamp_time = static_cast<ISC_TIME>(milliseconds * 10);
  return stamp;
}

void ScaledIntegerToBcd(int64_t scaled, int places, int precision, SQLBcdValue* out) {
  bool negative = scaled < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  int count = 1;
  for (uint64_t rest = magnitude / 10; rest != 0; rest /= 10) ++count;
  if (precision < count) precision = count;
  if (precision < places) precision = places;
  if (precision > 64) precision = 64;
  std::memset(out->Fraction, 0, sizeof out->Fraction);
  out->Precision = static_cast<uint8_t>(precision);
  out->SignSpecialPlaces = static_cast<uint8_t>((negative ? 0x80 : 0) | (places & 0x3F));
  // Digits from the last one backwards, two per byte where the bytes line up; digit i sits in
  // the high four bits when i is even.
  static const auto kPacked = [] {
    std::array<uint8_t, 100> table{};
    for (int i = 0; i < 100; ++i) table[i] = static_cast<uint8_t>((i / 10) << 4 | (i % 10));
    return table;
  }();
  int index = precision - 1;
  int byte = index / 2;
  if (index % 2 == 0) {
    out->Fraction[byte--] = static_cast<uint8_t>((magnitude % 10) << 4);
    magnitude /= 10;
  }
  while (magnitude >= 10) {
    out->Fraction[byte--] = kPacked[magnitude % 100];
    magnitude /= 100;
  }
  if (magnitude != 0) out->Fraction[byte] = static_cast<uint8_t>(magnitude);
}

bool BcdToScaledInteger(const SQLBcdValue& bcd, int64_t* scaled, int* places) {
  int precision = bcd.Precision > 64 ? 64 : bcd.Precision;
  uint64_t value = 0;
  int significant = 0;
  for (int i = 0; i < precision; ++i) {
    int digit = (i % 2 == 0 ? bcd.Fraction[i / 2] >> 4 : bcd.Fraction[i / 2]) & 0x0F;
    if (digit != 0 || significant > 0) ++significant;
    if (significant > 18) return false;
    value = value * 10 + static_cast<uint64_t>(digit);
  }
  *places = bcd.SignSpecialPlaces & 0x3F;
  *scaled = (bcd.SignSpecialPlaces & 0x80) != 0 ? -static_cast<int64_t>(value)
                                                : static_cast<int64_t>(value);
  return true;
}

std::string BcdToText(const SQLBcdValue& bcd) {
  int precision = bcd.Precision > 64 ? 64 : bcd.Precision;
  int places = bcd.SignSpecialPlaces & 0x3F;
  std::string text;
  for (int i = 0; i < precision; ++i) {
    if (i == precision - places) {
      if (text.empty()) text = "0";
      text += '.';
    }
    int digit = (i % 2 == 0 ? bcd.Fraction[i / 2] >> 4 : bcd.Fraction[i / 2]) & 0x0F;
    if (digit != 0 || !text.empty()) text += static_cast<char>('0' + digit);
  }
  if (text.empty()) text = "0";
  if ((bcd.SignSpecialPlaces & 0x80) != 0) text.insert(0, "-");
  return text;
}

}  // namespace ibdriver
