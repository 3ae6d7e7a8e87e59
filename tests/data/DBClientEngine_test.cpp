// Loading the record store engine: the registry names the library, else the default name;
// a library that cannot be loaded is named in the error.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "data/DSEngine.h"
#include "platform/Registry.h"

namespace {

// Points the program's registry at a file with `text` for the life of the object.
class RegistryFileScope {
 public:
  explicit RegistryFileScope(const std::string& text) {
    path_ = std::filesystem::temp_directory_path() /
            ("dsengine-registry-" + std::to_string(::getpid()) + ".reg");
    std::ofstream(path_) << text;
    const char* old = std::getenv("QOR_REGISTRY");
    if (old != nullptr) old_ = old;
    setenv("QOR_REGISTRY", path_.c_str(), 1);
    platform::ReloadSystemRegistry();
  }
  ~RegistryFileScope() {
    if (old_.empty()) {
      unsetenv("QOR_REGISTRY");
    } else {
      setenv("QOR_REGISTRY", old_.c_str(), 1);
    }
    platform::ReloadSystemRegistry();
    std::filesystem::remove(path_);
  }

 private:
  std::filesystem::path path_;
  std::string old_;
};

}  // namespace

TEST(DBClientEngine, RegistryNamesTheLibraryElseTheDefault) {
  {
    RegistryFileScope registry(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{5C3A7B11-6D2E-4F10-9A41-3B7C55E2D810}"
        "\\InProcServer32]\r\n@=\"/opt/qor/lib/libdsengine.so\"\r\n");
    EXPECT_EQ(dsclient::EngineLibraryName(), "/opt/qor/lib/libdsengine.so");
  }
  {
    RegistryFileScope registry("Windows Registry Editor Version 5.00\r\n");
    EXPECT_EQ(dsclient::EngineLibraryName(), "libdsengine.so");
  }
}

TEST(DBClientEngine, ALibraryThatCannotBeLoadedIsNamed) {
  const std::pair<std::string, std::string> cases[] = {
      {"libnot-a-dsengine.so", "Error loading libnot-a-dsengine.so"},
      {"libm.so.6", "Error loading libm.so.6"},  // loads, but has no entry point
  };
  for (const auto& [name, message] : cases) {
    try {
      dsclient::LoadEngineLibrary(name);
      ADD_FAILURE() << name;
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), message);
    }
  }
  EXPECT_NE(dsclient::LoadEngineLibrary("libdsengine.so"), nullptr);
  // Engine statuses become EDBClient errors with the engine's text and status.
  try {
    dsclient::Check(DBERR_INVALIDPACKET);
    ADD_FAILURE();
  } catch (const EDBClient& e) {
    EXPECT_EQ(e.Message(), "Invalid data packet");
    EXPECT_EQ(e.ErrorCode(), DBERR_INVALIDPACKET);
  }
}
