#pragma once

// The programs' settings file of the user (page setup, last save folder):
// $XDG_CONFIG_HOME/Galvora/repcostoav.conf, ~/.config when XDG_CONFIG_HOME is unset or relative.

#include <QString>

namespace platform {

// The file's path, looked up anew at each call (the environment decides where it is).
QString UserSettingsFile();

}  // namespace platform
