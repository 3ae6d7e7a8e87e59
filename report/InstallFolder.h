#pragma once

#include <string>

namespace platform {
class IMessageBoxes;
class RegistryFile;
}  // namespace platform

namespace report {

// The registry keys, under HKEY_LOCAL_MACHINE, that may name the installation folder, in
// the order they are tried, and the value that holds it.
inline constexpr const char* kInstallKeys[] = {"\\Software\\Qor\\Galvora2025",
                                               "\\Software\\Qor\\Galvora2024"};
inline constexpr const char kInstallValue[] = "Directorio";

// The message shown when neither key exists (Windows-1252).
inline constexpr const char kInstallKeyMissing[] =
    "No se encontr\xF3 la Clave HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025\\Directorio";

// The installation folder: the string value "Directorio" (plain or expandable, not
// expanded, cut at its first NUL) of the first of kInstallKeys that exists in `registry`, as
// the file system names it (UTF-8, every character kept).
// An absent or empty value gives "" without a message. When neither key exists, shows
// kInstallKeyMissing in a modal box with an OK button (no icon, `caption` as title) through
// `boxes` and returns "". Throws platform::ERegistryException
// "Invalid data type for 'Directorio'" when the value is not a string.
std::string InstallFolder(const platform::RegistryFile& registry, platform::IMessageBoxes& boxes,
                          const std::string& caption);

// InstallFolder() on the program's registry file, its message boxes and its title.
std::string InstallFolder();

}  // namespace report
