#include "platform/ProgramInfo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace platform {

const char* ProgramVersion() { return GALVORA_VERSION; }

std::optional<int> AnswerInfoRequest(int argc, char** argv, const char* name,
                                     const char* usage) {
  if (argc != 2) return std::nullopt;
  const std::string option = argv[1];
  std::string text;
  if (option == "--version") {
    text = std::string(name) + " " + ProgramVersion() + "\n";
  } else if (usage != nullptr && (option == "--help" || option == "-h")) {
    text = usage;
  } else {
    return std::nullopt;
  }
  // A full or closed standard output is a failure, not a silent success.
  errno = 0;
  if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", name,
                 std::strerror(errno != 0 ? errno : EIO));
    return 1;
  }
  return 0;
}

}  // namespace platform
