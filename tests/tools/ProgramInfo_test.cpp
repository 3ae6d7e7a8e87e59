// The programs' --version and --help answers (without a display, before any database), the
// manual pages against the options the programs accept, and the default registry file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <set>
#include <string>

#include "platform/ProgramInfo.h"
#include "platform/Registry.h"
#include "tests/tools/support/ProgramRun.h"

namespace {

using toolstest::ReadFile;
using toolstest::RunResult;

std::string SourcePath(const std::string& relative) {
  return std::string(std::getenv("GALVORA_SOURCE_DIR")) + "/" + relative;
}

// Runs a built program with no display at all, standard output going to `output` when given.
RunResult RunProgram(const std::string& program, const QStringList& args,
                     const QString& output = {}) {
  return toolstest::Run({.program = program,
                         .args = args,
                         .password = nullptr,
                         .unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
                         .standardOutput = output,
                         .timeoutMs = 60000});
}

TEST(ProgramInfo, VersionAndHelpAnswerWithoutADisplay) {
  const std::string version = platform::ProgramVersion();
  ASSERT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+)"))) << version;
  struct Case {
    const char* program;
    const char* option;
    std::string starts;  // the start of standard output
  } cases[] = {
      {"repcostoav", "--version", "repcostoav " + version + "\n"},
      {"repcostoav-export", "--version", "repcostoav-export " + version + "\n"},
      {"galvora-demo", "--version", "galvora-demo " + version + "\n"},
      {"repcostoav", "--help", "usage: repcostoav "},
      {"repcostoav", "-h", "usage: repcostoav "},
      {"galvora-demo", "--help", "usage: galvora-demo "},
      {"repcostoav-export", "--help", "usage: repcostoav-export "},
      {"repcostoav-export", "-h", "usage: repcostoav-export "},
  };
  for (const Case& c : cases) {
    const RunResult result = RunProgram(c.program, {c.option});
    EXPECT_EQ(result.status, 0) << c.program << " " << c.option << ": " << result.err;
    EXPECT_EQ(result.out.rfind(c.starts, 0), 0u) << c.program << " " << c.option << ": "
                                                  << result.out;
    EXPECT_EQ(result.err, "") << c.program << " " << c.option;
  }
}

TEST(ProgramInfo, AnOutputThatCannotTakeTheAnswerIsAFailure) {
  for (const char* program : {"repcostoav", "repcostoav-export", "galvora-demo"}) {
    const RunResult result = RunProgram(program, {"--version"}, "/dev/full");
    EXPECT_EQ(result.status, 1) << program;
    EXPECT_NE(result.err.find("cannot write to standard output"), std::string::npos)
        << program << ": " << result.err;
  }
}

TEST(ProgramInfo, TheOptionsAreAnswersOnlyWhenAlone) {
  // Beside other arguments "--version" is not an answer but one more argument.
  const RunResult result = RunProgram("galvora-demo", {"--version", "extra"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("unknown option --version"), std::string::npos) << result.err;
}

// The long options a usage text names ("--server", "--format", ...).
std::set<std::string> OptionsIn(const std::string& text) {
  std::set<std::string> options;
  const std::regex option(R"(--[a-z][a-z-]*)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it) {
    options.insert(it->str());
  }
  return options;
}

TEST(ManualPages, DocumentEveryOptionTheProgramsName) {
  for (const char* program : {"repcostoav", "repcostoav-export", "galvora-demo"}) {
    const RunResult result = RunProgram(program, {"--help"});
    const std::set<std::string> options = OptionsIn(result.out);
    EXPECT_TRUE(options.count("--version")) << program << " --help: " << result.out;
    // Hyphens are written "\-" in the page's source.
    std::string page = ReadFile(SourcePath(std::string("packaging/man/") + program + ".1"));
    ASSERT_FALSE(page.empty()) << program;
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    for (const std::string& option : options) {
      EXPECT_NE(page.find(option), std::string::npos) << program << ".1 lacks " << option;
    }
  }
}

TEST(DefaultRegistryFile, NamesTheInstallationFolder) {
  const platform::RegistryFile registry =
      platform::RegistryFile::Load(SourcePath("packaging/registry.reg"));
  EXPECT_EQ(registry.ReadString(platform::RegistryRoot::LocalMachine,
                                "\\Software\\Qor\\Galvora2025", "Directorio"),
            "/srv/galvora");
}

}  // namespace
