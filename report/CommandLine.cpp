#include "report/CommandLine.h"

#include "platform/Cp1252.h"

namespace report {
namespace {

constexpr int kServerPosition = 1;
constexpr int kCompanyPosition = 4;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

const std::string& At(const std::vector<std::string>& arguments, size_t position) {
  static const std::string empty;
  return position < arguments.size() ? arguments[position] : empty;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  size_t i = 0;
  while (true) {
    while (i < commandLine.size() && IsBlank(commandLine[i]) && commandLine[i] != '\0') ++i;
    if (i >= commandLine.size() || commandLine[i] == '\0') break;
    std::string argument;
    bool quoted = false;
    while (i < commandLine.size() && commandLine[i] != '\0' &&
           (quoted || !IsBlank(commandLine[i]))) {
      if (commandLine[i] == '"') {
        quoted = !quoted;
      } else {
        argument += commandLine[i];
      }
      ++i;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

CommandLineArguments ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLineArguments result;
  result.server = At(arguments, kServerPosition);
  result.user = At(arguments, 2);
  result.password = At(arguments, 3);
  result.company = At(arguments, kCompanyPosition);
  result.autoSwitch = At(arguments, 10);
  result.startDate = At(arguments, 11);
  return result;
}

CommandLineArguments ParseCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc && argv[i] != nullptr; ++i) {
    std::string argument;
    for (const char* p = argv[i]; *p != '\0'; ++p) {
      if (*p != '"') argument += *p;
    }
    // The program's text is Windows-1252; arguments come in the environment's UTF-8. The
    // server and the company name the database file and stay as the file system has them.
    const bool fileName = i == kServerPosition || i == kCompanyPosition;
    if (!fileName && platform::IsValidUtf8(argument)) argument = platform::Utf8ToCp1252(argument);
    arguments.push_back(std::move(argument));
  }
  return ParseCommandLine(arguments);
}

}  // namespace report
