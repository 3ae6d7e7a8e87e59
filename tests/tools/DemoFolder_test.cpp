// galvora-demo in a folder that already holds files: an existing server list gets the folder
// added (only when missing), an existing registry file stays as it is, and a folder whose
// entries are symbolic links (or of another kind) is refused before anything is written.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "db/DemoInstallation.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

using toolstest::ReadFile;
using toolstest::RunResult;

void Write(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

struct Case {
  const char* name;
  // Prepares the folder; `outside` is a folder beside it for link targets.
  std::function<void(const fs::path& folder, const fs::path& outside)> prepare;
  int status;
  const char* message;  // part of standard error
  // The server list and the registry file after a run that succeeds, given the folder.
  std::function<std::string(const std::string& folder)> serverList;
  std::function<std::string(const std::string& folder)> registry;
};

const std::string kOtherServers = "/srv/otra\r\nservidor:/srv/galvora";  // no CR LF at the end
const std::string kOwnRegistry = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Otro]\r\n";

TEST(DemoFolder, NeverReplacesNorFollowsWhatItFinds) {
  const Case cases[] = {
      {"other servers listed, own registry file",
       [](const fs::path& f, const fs::path&) {
         fs::create_directories(f);
         Write(f / "SERVIDORES.cfg", kOtherServers);
         Write(f / "registry.reg", kOwnRegistry);
       },
       0, "kept the existing",
       [](const std::string& folder) { return kOtherServers + "\r\n" + folder + "\r\n"; },
       [](const std::string&) { return kOwnRegistry; }},
      {"folder listed already, no registry file",
       [](const fs::path& f, const fs::path&) {
         fs::create_directories(f);
         Write(f / "SERVIDORES.cfg", "/srv/otra\n" + f.string() + "/\r\n");
       },
       0, "lists the folder already",
       [](const std::string& folder) { return "/srv/otra\n" + folder + "/\r\n"; },
       [](const std::string& folder) { return db::RegistryText(folder); }},
      {"server list is a link",
       [](const fs::path& f, const fs::path& o) {
         fs::create_directories(f);
         Write(o / "target", "x");
         fs::create_symlink(o / "target", f / "SERVIDORES.cfg");
       },
       1, "SERVIDORES.cfg is a symbolic link", nullptr, nullptr},
      {"registry file is a dangling link",
       [](const fs::path& f, const fs::path& o) {
         fs::create_directories(f);
         fs::create_symlink(o / "made", f / "registry.reg");
       },
       1, "registry.reg is a symbolic link", nullptr, nullptr},
      {"datos is a link",
       [](const fs::path& f, const fs::path& o) {
         fs::create_directories(f);
         fs::create_directory_symlink(o, f / "datos");
       },
       1, "datos is a symbolic link", nullptr, nullptr},
      {"server list is a folder",
       [](const fs::path& f, const fs::path&) { fs::create_directories(f / "SERVIDORES.cfg"); },
       1, "SERVIDORES.cfg is not a regular file", nullptr, nullptr},
  };
  const fs::path root = toolstest::FreshFolder("demo_folder");
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = root / ("f" + std::to_string(number));
    const fs::path outside = root / ("o" + std::to_string(number++));
    fs::create_directories(outside);
    c.prepare(folder, outside);
    const RunResult run = toolstest::Run(
        {.program = "galvora-demo",
         .args = {QString::fromStdString(folder.string()), "--warehouses", "1", "--months", "1"}});
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    if (c.status == 0) {
      EXPECT_TRUE(fs::is_regular_file(folder / "datos/001/galvora.fdb"));
      EXPECT_EQ(ReadFile(folder / "SERVIDORES.cfg"), c.serverList(folder.string()));
      EXPECT_EQ(ReadFile(folder / "registry.reg"), c.registry(folder.string()));
    } else {
      // Nothing written: no database, the link targets untouched.
      EXPECT_FALSE(fs::exists(folder / "datos/001"));
      EXPECT_FALSE(fs::exists(outside / "made"));
      EXPECT_FALSE(fs::exists(outside / "001"));
      if (fs::exists(outside / "target")) {
        EXPECT_EQ(ReadFile(outside / "target"), "x");
      }
    }
  }
  fs::remove_all(root);
}

}  // namespace
