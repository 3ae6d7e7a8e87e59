// Test program entry for every test folder without its own: a QApplication on the off-screen
// platform (widgets, fonts and the clipboard work without a display), then all tests. The
// source and build folders reach the tests as GALVORA_SOURCE_DIR and GALVORA_BINARY_DIR.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include "driver/FirebirdRoot.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("GALVORA_SOURCE_DIR", GALVORA_TEST_SOURCE_DIR, 0);
  setenv("GALVORA_BINARY_DIR", GALVORA_TEST_BINARY_DIR, 0);
  // The user's settings (page setup, folders) are the test run's own, never the tester's.
  QTemporaryDir settings;
  setenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit().constData(), 1);
  // Databases made here and the programs started from here share files in one engine mode.
  ibdriver::ChooseFirebirdRoot(std::string(std::getenv("GALVORA_BINARY_DIR")) + "/lib");
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
