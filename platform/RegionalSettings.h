#pragma once

#include <array>
#include <string>

class QObject;

namespace platform {

class RegistryFile;

// The user's regional settings as the program uses them. Texts are Windows-1252.
// ShortDateFormat is a picture such as "dd/mm/yyyy" in which "/" stands for
// DateSeparator. Day names start with Sunday.
struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  std::string ShortDateFormat = "m/d/yy";
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
};

// The settings in force; loaded on first use by ReloadFormatSettings().
const TFormatSettings& FormatSettings();

// Reads the settings again: first the POSIX locale of the environment (LC_NUMERIC radix and
// grouping characters, LC_TIME date format and names, used as the locale writes them), then,
// overriding it, the values
// sDecimal, sThousand, sDate and sShortDate of HKEY_CURRENT_USER\Control Panel\International
// in the program's registry file (re-read as well), then the defaults above for anything
// still missing.
void ReloadFormatSettings();

// Replaces the settings in force (tests and callers that fix a locale).
void SetFormatSettings(const TFormatSettings& settings);

// Builds settings from a POSIX locale name ("" = the environment's) and a registry, in the
// order ReloadFormatSettings() uses. Exposed so that the precedence can be checked.
TFormatSettings LoadFormatSettings(const char* localeName, const RegistryFile& registry);

// Turns a strftime date format ("%d/%m/%Y", "%d.%m.%y", "%m/%d/%y", "%F") into a short date
// picture with "/" for the separator ("dd/mm/yyyy") and reports the separator it found
// ('\0' when the format has none). Returns an empty picture when the format holds no day,
// month or year.
std::string DatePictureFromStrftime(const std::string& format, char* separator);

// Makes `application` reload the settings whenever it receives QEvent::LocaleChange.
void WatchLocaleChanges(QObject* application);

}  // namespace platform
