#include "platform/RegionalSettings.h"

#include <langinfo.h>
#include <locale.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Cp1252.h"
#include "platform/Registry.h"

namespace platform {
namespace {

const char kInternationalKey[] = "Control Panel\\International";

// The locale name POSIX gives a category: LC_ALL, then the category's variable, then LANG.
std::string CategoryLocaleName(const char* localeName, const char* categoryVariable) {
  if (localeName != nullptr && *localeName != '\0') return localeName;
  for (const char* variable : {"LC_ALL", categoryVariable, "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

// The C and POSIX locales stand for "no user locale": they give no settings.
bool IsNeutralLocale(const std::string& name) {
  std::string_view base(name);
  base = base.substr(0, base.find('.'));
  return base == "C" || base == "POSIX";
}

// A locale object for one category, or nullptr when the locale gives none.
class CategoryLocale {
 public:
  CategoryLocale(const char* localeName, int mask, const char* variable) {
    std::string name = CategoryLocaleName(localeName, variable);
    // The character type of the same locale names the encoding of its texts.
    if (!IsNeutralLocale(name)) {
      locale_ = newlocale(mask | LC_CTYPE_MASK, name.c_str(), nullptr);
    }
  }
  ~CategoryLocale() {
    if (locale_ != nullptr) freelocale(locale_);
  }
  CategoryLocale(const CategoryLocale&) = delete;
  CategoryLocale& operator=(const CategoryLocale&) = delete;

  explicit operator bool() const { return locale_ != nullptr; }

  // An item of the locale as Windows-1252 text.
  std::string Text(nl_item item) const {
    std::string raw = nl_langinfo_l(item, locale_);
    std::string codeset = nl_langinfo_l(CODESET, locale_);
    if (codeset == "UTF-8" || codeset == "utf8") return ToCp1252FromUtf8(raw);
    return raw;
  }

 private:
  static std::string ToCp1252FromUtf8(const std::string& raw) {
    // Narrow and thin no-break spaces (used as thousands separators) have no Windows-1252
    // byte; the no-break space is the closest.
    std::string text = raw;
    for (const char* wide : {"\xE2\x80\xAF", "\xE2\x80\x89"}) {
      for (size_t at = text.find(wide); at != std::string::npos; at = text.find(wide)) {
        text.replace(at, 3, "\xC2\xA0");
      }
    }
    return Utf8ToCp1252(text);
  }

  locale_t locale_ = nullptr;
};

std::optional<std::string> RegistryText(const RegistryFile& registry, const char* name) {
  std::optional<RegistryValue> value =
      registry.Value(RegistryRoot::CurrentUser, kInternationalKey, name);
  if (!value ||
      (value->kind != RegistryValue::String && value->kind != RegistryValue::ExpandString) ||
      value->text.empty()) {
    return std::nullopt;
  }
  return value->text;
}

// Writes "/" for every `separator` outside quotes, so that the picture names the separator
// the same way whatever it is.
std::string SeparatorToSlash(const std::string& picture, char separator) {
  std::string result;
  char quote = 0;
  for (char c : picture) {
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == separator) {
      c = '/';
    }
    result += c;
  }
  return result;
}

struct Pending {
  std::optional<char> decimal, thousand, date;
  std::optional<std::string> picture;
};

}  // namespace

std::string DatePictureFromStrftime(const std::string& format, char* separator) {
  // Tokens: a picture field (numeric or a name) or one literal character.
  struct Token {
    std::string field;
    bool numeric = false;
    char literal = 0;
  };
  std::vector<Token> tokens;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      tokens.push_back({"", false, format[i]});
      continue;
    }
    size_t j = i + 1;
    bool noPad = false;
    while (j < format.size() &&
           std::string_view("-_0^#").find(format[j]) != std::string_view::npos) {
      noPad = noPad || format[j] == '-';
      ++j;
    }
    if (j < format.size() && (format[j] == 'E' || format[j] == 'O')) ++j;
    if (j >= format.size()) break;
    i = j;
    switch (format[j]) {
      case 'd':
        tokens.push_back({noPad ? "d" : "dd", true});
        break;
      case 'e':
        tokens.push_back({"d", true});
        break;
      case 'm':
        tokens.push_back({noPad ? "m" : "mm", true});
        break;
      case 'y':
        tokens.push_back({"yy", true});
        break;
      case 'Y':
      case 'G':
        tokens.push_back({"yyyy", true});
        break;
      case 'D':
        tokens.insert(
            tokens.end(),
            {{"mm", true}, {"", false, '/'}, {"dd", true}, {"", false, '/'}, {"yy", true}});
        break;
      case 'F':
        tokens.insert(
            tokens.end(),
            {{"yyyy", true}, {"", false, '-'}, {"mm", true}, {"", false, '-'}, {"dd", true}});
        break;
      case 'b':
      case 'h':
        tokens.push_back({"mmm"});
        break;
      case 'B':
        tokens.push_back({"mmmm"});
        break;
      case 'a':
        tokens.push_back({"ddd"});
        break;
      case 'A':
        tokens.push_back({"dddd"});
        break;
      case '%':
        tokens.push_back({"", false, '%'});
        break;
      default:
        break;  // fields a date picture cannot hold are left out
    }
  }

  std::string picture;
  char found = '\0';
  bool hasField = false;
  bool quoting = false;  // a quoted run of letters is open
  for (size_t k = 0; k < tokens.size(); ++k) {
    const Token& token = tokens[k];
    bool letter = (token.literal >= 'a' && token.literal <= 'z') ||
                  (token.literal >= 'A' && token.literal <= 'Z') || token.literal == '/';
    if (quoting && !letter) {
      picture += '\'';
      quoting = false;
    }
    if (!token.field.empty()) {
      picture += token.field;
      hasField = true;
      continue;
    }
    char c = token.literal;
    // One punctuation character between two numbers is the date separator.
    bool between = k > 0 && tokens[k - 1].numeric && k + 1 < tokens.size() && tokens[k + 1].numeric;
    bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    bool punctuation =
        c > ' ' && static_cast<unsigned char>(c) < 0x80 && !alphanumeric && c != '"' && c != '\'';
    if (between && punctuation && (found == '\0' || found == c)) {
      found = c;
      picture += '/';
    } else if (letter) {
      if (!quoting) picture += '\'';
      quoting = true;
      picture += c;
    } else if (c == '"' || c == '\'') {
      picture += c == '"' ? "'\"'" : "\"'\"";
    } else {
      picture += c;
    }
  }
  if (quoting) picture += '\'';
  if (separator != nullptr) *separator = found;
  return hasField ? picture : "";
}

TFormatSettings LoadFormatSettings(const char* localeName, const RegistryFile& registry) {
  Pending pending;
  TFormatSettings settings;

  CategoryLocale numeric(localeName, LC_NUMERIC_MASK, "LC_NUMERIC");
  if (numeric) {
    std::string radix = numeric.Text(RADIXCHAR);
    std::string thousands = numeric.Text(THOUSEP);
    if (!radix.empty()) pending.decimal = radix[0];
    if (!thousands.empty()) pending.thousand = thousands[0];
  }
  CategoryLocale time(localeName, LC_TIME_MASK, "LC_TIME");
  if (time) {
    char separator = '\0';
    std::string picture = DatePictureFromStrftime(time.Text(D_FMT), &separator);
    if (!picture.empty()) pending.picture = picture;
    if (separator != '\0') pending.date = separator;
    static const nl_item kShortDays[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                          ABDAY_5, ABDAY_6, ABDAY_7};
    static const nl_item kLongDays[7] = {DAY_1, DAY_2, DAY_3, DAY_4, DAY_5, DAY_6, DAY_7};
    static const nl_item kShortMonths[12] = {ABMON_1, ABMON_2,  ABMON_3,  ABMON_4,
                                             ABMON_5, ABMON_6,  ABMON_7,  ABMON_8,
                                             ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    static const nl_item kLongMonths[12] = {MON_1, MON_2, MON_3, MON_4,  MON_5,  MON_6,
                                            MON_7, MON_8, MON_9, MON_10, MON_11, MON_12};
    auto take = [&](std::string& target, nl_item item) {
      std::string text = time.Text(item);
      if (!text.empty()) target = text;
    };
    for (int i = 0; i < 7; ++i) {
      take(settings.ShortDayNames[i], kShortDays[i]);
      take(settings.LongDayNames[i], kLongDays[i]);
    }
    for (int i = 0; i < 12; ++i) {
      take(settings.ShortMonthNames[i], kShortMonths[i]);
      take(settings.LongMonthNames[i], kLongMonths[i]);
    }
  }

  // The registry's values override the locale's.
  if (auto text = RegistryText(registry, "sDecimal")) pending.decimal = (*text)[0];
  if (auto text = RegistryText(registry, "sThousand")) pending.thousand = (*text)[0];
  if (auto text = RegistryText(registry, "sDate")) pending.date = (*text)[0];
  if (pending.date) settings.DateSeparator = *pending.date;
  if (auto text = RegistryText(registry, "sShortDate")) {
    pending.picture = SeparatorToSlash(*text, settings.DateSeparator);
  }

  if (pending.decimal) settings.DecimalSeparator = *pending.decimal;
  if (pending.thousand) settings.ThousandSeparator = *pending.thousand;
  if (pending.picture) settings.ShortDateFormat = *pending.picture;
  return settings;
}

namespace {

std::optional<TFormatSettings>& SettingsSlot() {
  static std::optional<TFormatSettings> settings;
  return settings;
}

class LocaleWatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Only the application's own notice: widgets get the same event type for their locale.
    if (watched == parent() && event->type() == QEvent::LocaleChange) ReloadFormatSettings();
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

const TFormatSettings& FormatSettings() {
  if (!SettingsSlot()) ReloadFormatSettings();
  return *SettingsSlot();
}

void ReloadFormatSettings() {
  ReloadSystemRegistry();
  SettingsSlot() = LoadFormatSettings(nullptr, SystemRegistry());
}

void SetFormatSettings(const TFormatSettings& settings) { SettingsSlot() = settings; }

void WatchLocaleChanges(QObject* application) {
  if (application == nullptr) return;
  application->installEventFilter(new LocaleWatcher(application));
}

}  // namespace platform
