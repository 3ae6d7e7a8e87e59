// Test program of the report window: a QApplication on the off-screen platform (ctest sets
// QT_QPA_PLATFORM; a direct run gets it here) with the font substitutions the program makes.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/Fonts.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  platform::RegisterFontSubstitutions();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
