#include "data/DateText.h"

#include <cctype>
#include <cmath>
#include <ctime>

#include "platform/RegionalSettings.h"

namespace {

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1 January 1970 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// Day 0 of TDateTime (30 December 1899) counted from 1 January 1970.
const int64_t kDateTimeEpoch = DaysFromCivil(1899, 12, 30);

int64_t DayNumber(TDateTime date) { return static_cast<int64_t>(std::trunc(date)); }

std::string Padded(int value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, width - text.size(), '0');
  return text;
}

std::string InvalidDate(const std::string& text) { return "'" + text + "' is not a valid date"; }

enum TDateOrder { doMDY, doDMY, doYMD };

// The order of the first day, month or year letter of the picture (quoted text skipped).
TDateOrder DateOrderOf(const std::string& picture) {
  char quote = 0;
  for (char c : picture) {
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    switch (std::tolower(static_cast<unsigned char>(c))) {
      case 'd':
        return doDMY;
      case 'y':
      case 'e':
        return doYMD;
      case 'm':
        return doMDY;
      default:
        break;
    }
  }
  return doMDY;
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return false;
  }
  date = static_cast<TDateTime>(DaysFromCivil(year, month, day) - kDateTimeEpoch);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime date = 0;
  if (!TryEncodeDate(year, month, day, date)) {
    throw EConvertError("Invalid argument to date encode");
  }
  return date;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
  CivilFromDays(DayNumber(date) + kDateTimeEpoch, year, month, day);
}

int DayOfWeek(TDateTime date) {
  // Day 1 (31 December 1899) was a Sunday.
  int64_t rest = (DayNumber(date) - 1) % 7;
  if (rest < 0) rest += 7;
  return static_cast<int>(rest) + 1;
}

TDateTime Date() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string DateToStr(TDateTime date) { return DateToStr(date, platform::FormatSettings()); }

std::string DateToStr(TDateTime date, const platform::TFormatSettings& settings) {
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  const std::string& picture = settings.ShortDateFormat;
  std::string text;
  for (size_t i = 0; i < picture.size();) {
    char c = picture[i];
    char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '\'' || c == '"') {
      size_t close = picture.find(c, i + 1);
      if (close == std::string::npos) close = picture.size();
      text += picture.substr(i + 1, close - i - 1);
      i = close + 1;
      continue;
    }
    if (c == '/') {
      if (settings.DateSeparator != '\0') text += settings.DateSeparator;
      ++i;
      continue;
    }
    if (lower != 'd' && lower != 'm' && lower != 'y') {
      text += c;
      ++i;
      continue;
    }
    size_t run = 1;
    while (i + run < picture.size() &&
           std::tolower(static_cast<unsigned char>(picture[i + run])) == lower) {
      ++run;
    }
    i += run;
    if (lower == 'y') {
      text += run <= 2 ? Padded(year % 100, 2) : Padded(year, 4);
    } else if (lower == 'd') {
      int weekDay = DayOfWeek(date) - 1;
      if (run <= 2) {
        text += Padded(day, static_cast<int>(run));
      } else {
        text += run == 3 ? settings.ShortDayNames[weekDay] : settings.LongDayNames[weekDay];
      }
    } else {
      if (run <= 2) {
        text += Padded(month, static_cast<int>(run));
      } else {
        text += run == 3 ? settings.ShortMonthNames[month - 1] : settings.LongMonthNames[month - 1];
      }
    }
  }
  return text;
}

bool TryStrToDate(const std::string& text, const platform::TFormatSettings& settings,
                  int currentYear, TDateTime& date) {
  const char separator = settings.DateSeparator;
  int numbers[3] = {0, 0, 0};
  int lengths[3] = {0, 0, 0};
  int count = 0;
  size_t pos = 0;
  auto skipBlanks = [&] {
    while (pos < text.size() && text[pos] == ' ') ++pos;
  };
  for (;;) {
    skipBlanks();
    int value = 0, length = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      if (++length > 4) return false;
      value = value * 10 + (text[pos++] - '0');
    }
    if (length == 0) return false;
    numbers[count] = value;
    lengths[count] = length;
    ++count;
    skipBlanks();
    if (pos == text.size()) break;
    if (text[pos] != separator || separator == '\0') return false;
    ++pos;
    skipBlanks();
    if (pos == text.size()) break;  // a separator after the last number
    if (count == 3) return false;
  }
  if (count < 2) return false;

  const TDateOrder order = DateOrderOf(settings.ShortDateFormat);
  int year = currentYear, month = 0, day = 0;
  int yearLength = 4;
  if (count == 2) {
    if (order == doDMY) {
      day = numbers[0];
      month = numbers[1];
    } else {
      month = numbers[0];
      day = numbers[1];
    }
  } else {
    switch (order) {
      case doDMY:
        day = numbers[0], month = numbers[1], year = numbers[2], yearLength = lengths[2];
        break;
      case doYMD:
        year = numbers[0], month = numbers[1], day = numbers[2], yearLength = lengths[0];
        break;
      case doMDY:
        month = numbers[0], day = numbers[1], year = numbers[2], yearLength = lengths[2];
        break;
    }
    if (yearLength <= 2) {
      // The year within (current - 50) .. (current + 49) that ends in these two digits.
      int first = currentYear - 50;
      int candidate = first - ((first % 100) + 100) % 100 + year;
      if (candidate < first) candidate += 100;
      year = candidate;
    }
  }
  return TryEncodeDate(year, month, day, date);
}

TDateTime StrToDate(const std::string& text) { return StrToDate(text, platform::FormatSettings()); }

TDateTime StrToDate(const std::string& text, const platform::TFormatSettings& settings) {
  int year = 0, month = 0, day = 0;
  DecodeDate(Date(), year, month, day);
  TDateTime date = 0;
  if (!TryStrToDate(text, settings, year, date)) throw EConvertError(InvalidDate(text));
  return date;
}

std::string QuotedStr(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += '\'';
  return quoted;
}
