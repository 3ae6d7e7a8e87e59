// Test program of the report window, also of the shared-use tests (local and served): the
// program's application object (event delivery with the general error report) on the
// off-screen platform, with the font substitutions the program makes. The source and build
// folders reach the tests as GALVORA_SOURCE_DIR and GALVORA_BINARY_DIR.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <string>

#include "app/ErrorReport.h"
#include "driver/FirebirdRoot.h"
#include "platform/Fonts.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("GALVORA_SOURCE_DIR", GALVORA_TEST_SOURCE_DIR, 0);
  setenv("GALVORA_BINARY_DIR", GALVORA_TEST_BINARY_DIR, 0);
  // The user's settings (page setup, folders) are the test run's own, never the tester's.
  QTemporaryDir settings;
  setenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit().constData(), 1);
  // Databases made here and the programs started from here share files in one engine mode.
  ibdriver::ChooseFirebirdRoot(std::string(std::getenv("GALVORA_BINARY_DIR")) + "/lib");
  app::TApplication application(argc, argv);
  platform::RegisterFontSubstitutions();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
