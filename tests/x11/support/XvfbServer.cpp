#include "tests/x11/support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testx11 {
namespace {

bool XvfbInstalled() {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    if (::access((folders.substr(start, end - start) + "/Xvfb").c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

XvfbServer::XvfbServer() {
  if (!XvfbInstalled()) {
    reason_ = "Xvfb is not installed (package xvfb)";
    return;
  }
  // Numbers away from the ones people and other test runs use; a held number is skipped.
  const int first = 150 + static_cast<int>(::getpid() % 50);
  for (int number = first; number < first + 40; ++number) {
    if (std::filesystem::exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
    if (Start(number)) {
      display_ = ":" + std::to_string(number);
      ::setenv("DISPLAY", display_.c_str(), 1);
      return;
    }
  }
  reason_ = "Xvfb did not start on any free display";
}

// Starts Xvfb on :number and waits until it says it is ready (it writes the number to a pipe).
bool XvfbServer::Start(int number) {
  int ready[2];
  if (::pipe(ready) != 0) return false;
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    ::close(ready[0]);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 1);
    ::dup2(null, 2);
    const std::string display = ":" + std::to_string(number);
    const std::string fd = std::to_string(ready[1]);
    ::execlp("Xvfb", "Xvfb", display.c_str(), "-displayfd", fd.c_str(), "-nolisten", "tcp",
             "-screen", "0", "800x600x24", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(ready[1]);
  // The number comes, then a line end: the pipe stays open until both are read (a closed
  // pipe would stop the server at its second write).
  bool started = false;
  for (char c = 0; c != '\n';) {
    pollfd wait{ready[0], POLLIN, 0};
    if (::poll(&wait, 1, 15000) != 1 || ::read(ready[0], &c, 1) != 1) {
      started = false;
      break;
    }
    started = true;
  }
  ::close(ready[0]);
  if (started) {
    pid_ = pid;
    return true;
  }
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  return false;
}

XvfbServer::~XvfbServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

}  // namespace testx11
