// Test program of the report window: the program's application object (event delivery with the
// general error report) on the off-screen platform, with the font substitutions the program
// makes. ctest sets QT_QPA_PLATFORM; a direct run gets it here.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/ErrorReport.h"
#include "platform/Fonts.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  app::TApplication application(argc, argv);
  platform::RegisterFontSubstitutions();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
