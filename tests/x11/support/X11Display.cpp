// The X server of this test program: started before main() (so before the application object
// picks its platform), and Qt is pointed at it. Without Xvfb the tests skip with the reason.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "tests/x11/support/X11Tests.h"
#include "tests/x11/support/XvfbServer.h"

namespace testx11 {
namespace {

// True when the program only lists its tests (no display needed).
bool ListingTests() {
  std::ifstream file("/proc/self/cmdline");
  const std::string arguments((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
  return arguments.find("--gtest_list_tests") != std::string::npos;
}

struct Display {
  Display() {
    if (ListingTests()) return;
    server = std::make_unique<XvfbServer>();
    if (!server->Running()) {
      reason = server->Reason();
      return;
    }
    reason.clear();
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  std::string reason = "the tests are only listed";
  std::unique_ptr<XvfbServer> server;
};

Display display;

}  // namespace

const std::string& SkipReason() { return display.reason; }

}  // namespace testx11
