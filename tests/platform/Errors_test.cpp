#include "platform/Errors.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(FormatMessage, FillsPlaceholdersInOrder) {
  struct Case {
    const char* pattern;
    std::initializer_list<std::string> args;
    const char* expected;
  };
  const Case cases[] = {
      {"Field '%s' not found", {"NOMBRE"}, "Field 'NOMBRE' not found"},
      {"%s: %d of %d", {"Rows", "3", "10"}, "Rows: 3 of 10"},
      {"100%% of %s", {"x"}, "100% of x"},
      {"%s and %s", {"only"}, "only and "},
      {"no placeholders", {"unused"}, "no placeholders"},
      {"%x stays, ends with %", {}, "%x stays, ends with %"},
      {"%s", {"%s %d"}, "%s %d"},  // arguments are not scanned again
  };
  for (const Case& c : cases) EXPECT_EQ(FormatMessage(c.pattern, c.args), c.expected);
}

TEST(Exception, CarriesItsMessage) {
  try {
    throw ERegistryException("Invalid data type for 'Directorio'");
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Invalid data type for 'Directorio'");
    EXPECT_STREQ(error.what(), "Invalid data type for 'Directorio'");
  }
  EAbort abort;
  EXPECT_NE(dynamic_cast<const Exception*>(&abort), nullptr);
}

}  // namespace
}  // namespace platform
