#include "app/DisplayCheck.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace app {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// True when a local X display (":N" or ":N.S") accepts a connection on its socket, in the
// abstract name space or the file system. Remote displays ("host:N") are left to Qt.
bool LocalDisplayAnswers(const std::string& display) {
  if (display.empty() || display.front() != ':') return true;
  const std::string number = display.substr(1, display.find('.') - 1);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return true;
  const std::string path = "/tmp/.X11-unix/X" + number;
  for (const bool abstract : {true, false}) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                               path.size() + (abstract ? 0 : 1));
    const bool answered =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    if (answered) return true;
  }
  return false;
}

}  // namespace

std::string MissingDisplay() {
  const std::string platform = Variable("QT_QPA_PLATFORM");
  const std::string wayland = Variable("WAYLAND_DISPLAY");
  const std::string x11 = Variable("DISPLAY");
  const bool wantsX11 = platform.rfind("xcb", 0) == 0;
  const bool wantsWayland = platform.rfind("wayland", 0) == 0;
  if (!platform.empty() && !wantsX11 && !wantsWayland) return "";
  if (!wantsX11 && !wayland.empty()) return "";
  const std::string advice =
      " The window needs a graphical session; for reports without one use repcostoav-export.";
  if (!wantsWayland && !x11.empty()) {
    if (LocalDisplayAnswers(x11)) return "";
    return "repcostoav: cannot connect to the display \"" + x11 + "\"." + advice;
  }
  const char* unset =
      wantsWayland ? "WAYLAND_DISPLAY is not set." : "neither DISPLAY nor WAYLAND_DISPLAY is set.";
  return std::string("repcostoav: no display: ") + unset + advice;
}

}  // namespace app
