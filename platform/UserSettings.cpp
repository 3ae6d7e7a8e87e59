#include "platform/UserSettings.h"

#include <cstdlib>
#include <string>

#include "platform/Cp1252.h"

namespace platform {

QString UserSettingsFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config != nullptr && config[0] == '/') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home != nullptr ? home : "") + "/.config";
  }
  return FileNameToQString(folder + "/Galvora/repcostoav.conf");
}

}  // namespace platform
