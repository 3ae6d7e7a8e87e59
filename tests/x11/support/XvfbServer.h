#pragma once

// A private X server (Xvfb) for tests and benchmarks that need a real X11 display.

#include <sys/types.h>

#include <string>

namespace testx11 {

class XvfbServer {
 public:
  // Starts Xvfb on a display number no other server holds, and points DISPLAY at it. When
  // Xvfb is not installed or does not start, Running() is false and Reason() says why.
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  bool Running() const { return pid_ > 0; }
  const std::string& Reason() const { return reason_; }
  const std::string& Display() const { return display_; }

 private:
  bool Start(int number);

  pid_t pid_ = -1;
  std::string display_;
  std::string reason_;
};

}  // namespace testx11
