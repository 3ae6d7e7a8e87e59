#include "platform/ProgramFolder.h"

#include <unistd.h>

#include <climits>
#include <filesystem>

namespace platform {

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return ".";
  std::filesystem::path exe(std::string(buffer, static_cast<size_t>(length)));
  return exe.parent_path().string();
}

std::string ProgramTitle() {
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return "";
  std::filesystem::path exe(std::string(buffer, static_cast<size_t>(length)));
  return exe.stem().string();
}

std::string ProgramLibraryFolder() {
  // The program's folder is a resolved path (no links), so ".." can be removed lexically.
  const std::filesystem::path folder(ProgramFolder());
  const std::filesystem::path installed =
      (folder / GALVORA_INSTALLED_LIBRARY_FOLDER).lexically_normal();
  std::error_code error;
  if (std::filesystem::is_directory(installed, error)) return installed.string();
  return (folder / "../lib").lexically_normal().string();
}

std::string ResolveLibraryPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  std::string candidate = ProgramLibraryFolder() + "/" + name;
  std::error_code error;
  if (std::filesystem::exists(candidate, error)) return candidate;
  return name;
}

}  // namespace platform
