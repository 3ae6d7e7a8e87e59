#pragma once

#include <optional>

namespace platform {

// Returns the version of the programs, as their package carries it ("1.0.0").
const char* ProgramVersion();

// Answers a command line that is only "--version" (prints "<name> <version>") or, when `usage`
// is given, only "--help" or "-h" (prints `usage`), on standard output, before any display or
// database is touched. Returns the exit status for such a command line: 0, or 1 with a message
// on standard error when standard output could not take the text. Returns nothing for any
// other command line.
std::optional<int> AnswerInfoRequest(int argc, char** argv, const char* name,
                                     const char* usage = nullptr);

}  // namespace platform
