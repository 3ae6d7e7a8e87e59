#pragma once

// Dates as the user writes them: the short date text of a date, the date of a short date
// text, and text quoted for SQL. Dates are TDateTime day counts (0 = 30 December 1899).

#include <string>

#include "data/DB.h"
#include "platform/Errors.h"

namespace platform {
struct TFormatSettings;
}

// A text that does not convert to the value asked for ("'%s' is not a valid date",
// "%s is not a valid BCD value", ...).
class EConvertError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// The day count of year/month/day; false when the date does not exist (year 1 to 9999,
// month 1 to 12, day within the month).
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// As TryEncodeDate; throws EConvertError "Invalid argument to date encode" for a date that
// does not exist.
TDateTime EncodeDate(int year, int month, int day);
// The year, month and day of the date part of `date` (the fraction is ignored).
void DecodeDate(TDateTime date, int& year, int& month, int& day);
// Day of the week of `date`, 1 = Sunday to 7 = Saturday.
int DayOfWeek(TDateTime date);
// Today's date (local time), without a time of day.
TDateTime Date();

// The date part of `date` written with the short date picture of the regional settings in
// force (read at each call): d/dd, ddd/dddd (day names), m/mm, mmm/mmmm (month names), yy,
// yyy and longer (four digits), "/" (the date separator), quoted text; letters in any case.
std::string DateToStr(TDateTime date);
std::string DateToStr(TDateTime date, const platform::TFormatSettings& settings);

// Reads a short date text in the order of the short date picture (day, month, year), with
// two numbers (the current year) or three; a one- or two-digit year falls within
// (current year - 50) .. (current year + 49). Throws EConvertError "'%s' is not a valid date".
TDateTime StrToDate(const std::string& text);
TDateTime StrToDate(const std::string& text, const platform::TFormatSettings& settings);
// As StrToDate with the current year given; false instead of the error.
bool TryStrToDate(const std::string& text, const platform::TFormatSettings& settings,
                  int currentYear, TDateTime& date);

// The text between single quotes, each single quote inside doubled: O'Neil -> 'O''Neil'.
std::string QuotedStr(const std::string& text);
