#pragma once

#include <string>

namespace testx11 {

// Why the X11 tests cannot run here ("" when the program's X server runs and Qt uses it).
const std::string& SkipReason();

}  // namespace testx11

// Skips the current test when there is no X server for it.
#define SKIP_WITHOUT_X11()                                                     \
  do {                                                                         \
    if (!testx11::SkipReason().empty()) GTEST_SKIP() << testx11::SkipReason(); \
  } while (false)
