// Test program entry for the tests that need a real X11 display: a private Xvfb, then a
// QApplication on Qt's X11 platform. Without Xvfb the tests are skipped with the reason.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/x11/support/X11Tests.h"
#include "tests/x11/support/XvfbServer.h"

namespace testx11 {
namespace {
std::string skipReason = "the test program did not start its X server";
}
const std::string& SkipReason() { return skipReason; }
}  // namespace testx11

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no display.
  std::unique_ptr<testx11::XvfbServer> server;
  if (!GTEST_FLAG_GET(list_tests)) server = std::make_unique<testx11::XvfbServer>();
  if (server == nullptr || !server->Running()) {
    if (server != nullptr) testx11::skipReason = server->Reason();
    // Without a display there is no X11 platform: the tests see the reason and skip.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  } else {
    testx11::skipReason.clear();
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  int result;
  {
    QApplication application(argc, argv);
    result = RUN_ALL_TESTS();
  }
  return result;
}
