#include "platform/RegionalSettings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/Registry.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(DatePictureFromStrftime, TurnsLocaleFormatsIntoPictures) {
  struct Case {
    const char* format;
    const char* picture;
    char separator;
  };
  const Case cases[] = {
      {"%d/%m/%Y", "dd/mm/yyyy", '/'},
      {"%m/%d/%y", "mm/dd/yy", '/'},
      {"%d.%m.%Y", "dd/mm/yyyy", '.'},
      {"%Y-%m-%d", "yyyy/mm/dd", '-'},
      {"%F", "yyyy/mm/dd", '-'},
      {"%D", "mm/dd/yy", '/'},
      {"%e/%-m/%Y", "d/m/yyyy", '/'},
      {"%d %b %Y", "dd mmm yyyy", '\0'},
      {"%Ey.%Om.%Od", "yy/mm/dd", '.'},
      {"%d.%m.%Y.", "dd/mm/yyyy.", '.'},
      {"%A, %d de %B", "dddd, dd 'de' mmmm", '\0'},
      {"%d-%m/%Y", "dd/mm'/'yyyy", '-'},
      {"%H:%M", "", '\0'},
      {"", "", '\0'},
      {"%", "", '\0'},
  };
  for (const Case& c : cases) {
    char separator = 'x';
    EXPECT_EQ(DatePictureFromStrftime(c.format, &separator), c.picture) << c.format;
    EXPECT_EQ(separator, c.separator) << c.format;
  }
}

// Builds the Spanish and German locales from the system's locale sources into a private
// folder, so the tests do not depend on which locales the machine has compiled.
class LocaleFixture : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = fs::temp_directory_path() / ("locales-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    for (const char* name : {"es_ES", "de_DE", "sv_SE"}) {
      std::string command = "localedef -i " + std::string(name) + " -f UTF-8 '" +
                            (folder_ / (std::string(name) + ".UTF-8")).string() +
                            "' >/dev/null 2>&1";
      built_ = std::system(command.c_str()) == 0 && built_;
    }
    setenv("LOCPATH", folder_.c_str(), 1);
  }
  static void TearDownTestSuite() {
    unsetenv("LOCPATH");
    std::error_code error;
    fs::remove_all(folder_, error);
  }
  void SetUp() override {
    if (!built_) GTEST_SKIP() << "localedef cannot build the test locales";
  }

  static RegistryFile International(const std::string& values) {
    return RegistryFile::FromText(
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\Control Panel\\International]\n" +
        values);
  }

  static inline fs::path folder_;
  static inline bool built_ = true;
};

TEST_F(LocaleFixture, LocaleThenRegistryThenDefaults) {
  struct Case {
    const char* label;
    const char* locale;
    std::string registry;
    char decimal, thousand, date;
    const char* picture;
  };
  const Case cases[] = {
      {"nothing given: defaults", "C", "", '.', ',', '/', "m/d/yy"},
      {"POSIX locale gives nothing", "POSIX.UTF-8", "", '.', ',', '/', "m/d/yy"},
      {"Spanish locale: day first, as the locale writes it", "es_ES.UTF-8", "", ',', '.', '/',
       "dd/mm/yy"},
      {"German locale", "de_DE.UTF-8", "", ',', '.', '.', "dd/mm/yyyy"},
      {"registry over locale", "es_ES.UTF-8",
       "\"sDecimal\"=\".\"\n\"sThousand\"=\",\"\n\"sDate\"=\"-\"\n\"sShortDate\"=\"yyyy-MM-dd\"\n",
       '.', ',', '-', "yyyy/MM/dd"},
      {"partial registry keeps the locale's rest", "de_DE.UTF-8", "\"sDecimal\"=\".\"\n", '.', '.',
       '.', "dd/mm/yyyy"},
      {"registry picture uses the locale's separator", "de_DE.UTF-8",
       "\"sShortDate\"=\"d.M.yyyy\"\n", ',', '.', '.', "d/M/yyyy"},
      {"registry over nothing", "C", "\"sDecimal\"=\",\"\n\"sShortDate\"=\"yyyy/MM/dd\"\n", ',',
       ',', '/', "yyyy/MM/dd"},
      {"empty and non-string registry values count as missing", "es_ES.UTF-8",
       "\"sDecimal\"=\"\"\n\"sThousand\"=dword:00000001\n", ',', '.', '/', "dd/mm/yy"},
      {"registry separator is taken as given", "es_ES.UTF-8", "\"sDate\"=\"/\"\n", ',', '.', '/',
       "dd/mm/yy"},
      {"Swedish locale: year first", "sv_SE.UTF-8", "", ',', '\xA0', '-', "yyyy/mm/dd"},
      {"unknown locale gives nothing", "xx_YY.UTF-8", "", '.', ',', '/', "m/d/yy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TFormatSettings settings = LoadFormatSettings(c.locale, International(c.registry));
    EXPECT_EQ(settings.DecimalSeparator, c.decimal);
    EXPECT_EQ(settings.ThousandSeparator, c.thousand);
    EXPECT_EQ(settings.DateSeparator, c.date);
    EXPECT_EQ(settings.ShortDateFormat, c.picture);
  }
}

TEST_F(LocaleFixture, NamesComeFromTheLocaleInWindows1252) {
  TFormatSettings spanish = LoadFormatSettings("es_ES.UTF-8", RegistryFile());
  EXPECT_EQ(spanish.LongMonthNames[0], "enero");
  EXPECT_EQ(spanish.LongDayNames[0], "domingo");  // Sunday first
  EXPECT_EQ(spanish.LongDayNames[3], "mi\xE9rcoles");
  EXPECT_EQ(spanish.LongDayNames[6],
            "s\xE1"
            "bado");
  TFormatSettings neutral = LoadFormatSettings("C", RegistryFile());
  EXPECT_EQ(neutral.ShortMonthNames[11], "Dec");
  EXPECT_EQ(neutral.LongDayNames[0], "Sunday");
}

TEST_F(LocaleFixture, LocaleChangeEventReloadsFromEnvironmentAndRegistry) {
  fs::path registry = folder_ / "registry.reg";
  std::ofstream(registry) << "REGEDIT4\n";
  setenv("QOR_REGISTRY", registry.c_str(), 1);
  setenv("LC_ALL", "es_ES.UTF-8", 1);
  ReloadFormatSettings();
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');

  WatchLocaleChanges(QCoreApplication::instance());
  std::ofstream(registry) << "REGEDIT4\n[HKEY_CURRENT_USER\\Control Panel\\International]\n"
                             "\"sDecimal\"=\".\"\n";
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');  // nothing read until the event
  QEvent change(QEvent::LocaleChange);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(FormatSettings().ThousandSeparator, '.');  // still the locale's

  TFormatSettings fixed;
  fixed.DecimalSeparator = '#';
  SetFormatSettings(fixed);
  EXPECT_EQ(FormatSettings().DecimalSeparator, '#');
  QObject widgetLike;  // a locale change of one object is not the user's settings
  QCoreApplication::sendEvent(&widgetLike, &change);
  EXPECT_EQ(FormatSettings().DecimalSeparator, '#');

  unsetenv("LC_ALL");
  unsetenv("QOR_REGISTRY");
  ReloadSystemRegistry();
  ReloadFormatSettings();
}

}  // namespace
}  // namespace platform
