#include "driver/FirebirdRoot.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

namespace ibdriver {

std::string SharedRootIn(const std::string& libraryFolder) {
  return libraryFolder + "/firebird";
}

std::string ProgramsRoot(const std::string& libraryFolder) {
  if (libraryFolder.empty()) return "";
  std::error_code error;
  const std::filesystem::path root =
      std::filesystem::weakly_canonical(SharedRootIn(libraryFolder), error);
  if (error || !std::filesystem::is_regular_file(root / "firebird.conf", error)) return "";
  return root.string();
}

std::string ChooseFirebirdRoot(const std::string& libraryFolder) {
  const char* current = std::getenv(kFirebirdRootVariable);
  if (current != nullptr && *current != 0) return current;
  const std::string root = ProgramsRoot(libraryFolder);
  if (!root.empty()) setenv(kFirebirdRootVariable, root.c_str(), 1);
  return root;
}

std::string FirebirdRootProblem(const std::string& root, const std::string& programsRoot) {
  if (root.empty()) return "";
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(root, error);
  std::string problem;
  if (!std::filesystem::exists(status)) {
    problem = "which does not exist";
  } else if (!std::filesystem::is_directory(status)) {
    problem = "which is not a folder";
  } else if (!std::filesystem::is_regular_file(std::filesystem::path(root) / "firebird.conf",
                                               error)) {
    problem = "a folder without firebird.conf";
  } else {
    return "";
  }
  std::string text = std::string("The environment variable ") + kFirebirdRootVariable +
                     " names the Firebird root " + root + ", " + problem + ". ";
  if (programsRoot.empty()) return text + "Unset it, or name a Firebird root folder.";
  return text + "Unset it: the programs then use their own root, " + programsRoot + ".";
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
