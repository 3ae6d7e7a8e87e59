#include "report/CommandLine.h"

#include <gtest/gtest.h>

namespace report {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, BlanksAndQuotes) {
  struct Case {
    std::string line;
    Args args;
  };
  const Case cases[] = {
      {"repcostoav a b", {"repcostoav", "a", "b"}},
      {"  repcostoav\t a \x01 b  ", {"repcostoav", "a", "b"}},
      {"p \"c:\\mis datos\" user", {"p", "c:\\mis datos", "user"}},
      {"p ab\"c d\"ef", {"p", "abc def"}},
      {"p \"\" x", {"p", "", "x"}},
      {"p \"unterminated quote", {"p", "unterminated quote"}},
      {"", {}},
      {std::string("p a\0b", 5), {"p", "a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

TEST(ParseCommandLine, Positions) {
  CommandLineArguments full = ParseCommandLine(
      SplitCommandLine("repcostoav /srv/g SYSDBA clave 001 5 6 7 8 9 S 05/01/2022 extra"));
  EXPECT_EQ(full.server, "/srv/g");
  EXPECT_EQ(full.user, "SYSDBA");
  EXPECT_EQ(full.password, "clave");
  EXPECT_EQ(full.company, "001");
  EXPECT_EQ(full.autoSwitch, "S");
  EXPECT_EQ(full.startDate, "05/01/2022");
  EXPECT_TRUE(full.RunsAutomatically());
  EXPECT_TRUE(full.HasStartDate());

  CommandLineArguments ten =
      ParseCommandLine(SplitCommandLine("repcostoav /srv/g u p 001 . . . . . x"));
  EXPECT_TRUE(ten.RunsAutomatically());
  EXPECT_FALSE(ten.HasStartDate());

  for (const char* line : {"repcostoav /srv/g u p 001",
                           "repcostoav /srv/g u p 001 . . . . . \"\" 01/01/2022", "repcostoav"}) {
    CommandLineArguments args = ParseCommandLine(SplitCommandLine(line));
    EXPECT_FALSE(args.RunsAutomatically()) << line;
  }
  EXPECT_EQ(ParseCommandLine(Args{}).server, "");
}

TEST(ParseCommandLine, FromArgv) {
  const char* argv[] = {"/usr/bin/repcostoav",
                        "/srv/mis datos/a\xC3\xB1o/\xD0\x9E",
                        "us\"er\"",
                        "Contrase\xC3\xB1"
                        "a",
                        "Compa\xC3\xB1"
                        "ia",
                        "5",
                        "6",
                        "7",
                        "8",
                        "9",
                        "1",
                        nullptr};
  CommandLineArguments args = ParseCommandLine(11, argv);
  // The server and the company name the database file: the file system's bytes, kept.
  EXPECT_EQ(args.server, "/srv/mis datos/a\xC3\xB1o/\xD0\x9E");
  EXPECT_EQ(args.user, "user");
  EXPECT_EQ(args.password,
            "Contrase\xF1"
            "a");  // UTF-8 turned into Windows-1252
  EXPECT_EQ(args.company,
            "Compa\xC3\xB1"
            "ia");
  // Other text that is not UTF-8 is kept as it is.
  const char* latin[] = {"repcostoav", "/srv", "Jos\xE9", nullptr};
  EXPECT_EQ(ParseCommandLine(3, latin).user, "Jos\xE9");
  EXPECT_EQ(args.autoSwitch, "1");
  EXPECT_EQ(args.startDate, "");
}

}  // namespace
}  // namespace report
