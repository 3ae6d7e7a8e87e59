// The window started without a display it can reach: a message naming what is missing and
// status 1, never Qt's abort.

#include <gtest/gtest.h>

#include "tests/tools/support/ProgramRun.h"

namespace {

TEST(NoDisplay, WindowSaysWhatIsMissingAndEndsWithOne) {
  struct Case {
    std::map<QString, QString> env;
    const char* message;
  };
  const Case cases[] = {
      {{}, "repcostoav: no display: neither DISPLAY nor WAYLAND_DISPLAY is set."},
      {{{"QT_QPA_PLATFORM", "wayland"}}, "repcostoav: no display: WAYLAND_DISPLAY is not set."},
      // A display number no X server serves.
      {{{"DISPLAY", ":917"}}, "repcostoav: cannot connect to the display \":917\"."},
      {{{"DISPLAY", ":917.0"}, {"QT_QPA_PLATFORM", "xcb"}},
       "repcostoav: cannot connect to the display \":917.0\"."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const toolstest::RunResult run =
        toolstest::Run({.program = "repcostoav",
                        .env = c.env,
                        .unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::string(c.message) +
                           " The window needs a graphical session; for reports without one use "
                           "repcostoav-export.\n");
  }
}

}  // namespace
