#pragma once

// The Firebird engine's lock folder: FIREBIRD_LOCK, else /tmp/firebird. Header only: the
// loadable driver uses it too.

#include <cstdlib>
#include <string>

namespace platform {

inline std::string EngineLockFolder() {
  const char* folder = std::getenv("FIREBIRD_LOCK");
  return folder != nullptr && *folder != '\0' ? folder : "/tmp/firebird";
}

}  // namespace platform
