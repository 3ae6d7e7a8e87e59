#include "driver/FirebirdRoot.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace ibdriver {

std::string SharedRootIn(const std::string& libraryFolder) {
  return libraryFolder + "/firebird";
}

std::string ChooseFirebirdRoot(const std::string& libraryFolder) {
  const char* current = std::getenv(kFirebirdRootVariable);
  if (current != nullptr && *current != 0) return current;
  if (libraryFolder.empty()) return "";
  std::error_code error;
  const std::filesystem::path root =
      std::filesystem::weakly_canonical(SharedRootIn(libraryFolder), error);
  if (error || !std::filesystem::is_regular_file(root / "firebird.conf", error)) return "";
  setenv(kFirebirdRootVariable, root.c_str(), 1);
  return root.string();
}

std::string OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) {
    return "";
  }
  std::error_code error;
  const std::filesystem::path file = std::filesystem::absolute(info.dli_fname, error);
  return error ? "" : file.parent_path().string();
}

}  // namespace ibdriver
