// Test program of the report window, also of the shared-use tests (local and served): the
// program's application object (event delivery with the general error report) on the
// off-screen platform, with the font substitutions the program makes and a settings folder of
// its own. The source and build
// folders reach the tests as GALVORA_SOURCE_DIR and GALVORA_BINARY_DIR.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
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
  // What the window remembers per user (the last save folder) goes to a folder of this run,
  // never into the settings of the user who runs the tests.
  char config[] = "/tmp/galvora-tests-config-XXXXXX";
  if (mkdtemp(config) != nullptr) setenv("XDG_CONFIG_HOME", config, 1);
  app::TApplication application(argc, argv);
  platform::RegisterFontSubstitutions();
  testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  std::error_code ignored;
  std::filesystem::remove_all(config, ignored);
  return status;
}
