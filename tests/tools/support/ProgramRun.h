#pragma once

// Starting the built programs from the tool tests and reading what they did: the launch with
// its environment, limits and standard output, the exporter's usual arguments, and suites
// over one temporary folder holding a demo installation.

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace toolstest {

struct RunResult {
  int status = -1;  // the exit code, -1 when the program crashed or was killed
  std::string out, err;
};

std::string ReadFile(const std::filesystem::path& path);

// How one run of a program is started: the system environment with `unset` removed, then
// GALVORA_PASSWORD, QOR_REGISTRY and `env` on top.
struct Launch {
  std::string program;  // a built program: a name under GALVORA_BINARY_DIR/bin
  QStringList args;
  const char* password = "masterkey";  // GALVORA_PASSWORD; nullptr leaves it unset
  std::filesystem::path registry;      // QOR_REGISTRY when not empty
  std::map<QString, QString> env;
  std::vector<QString> unset;
  QString workingFolder;
  QString standardOutput;      // a file for standard output instead of reading it
  bool appendStandardOutput = false;  // opens that file to append rather than truncated
  long fileSizeLimit = 0;      // bytes, 0 for none
  long addressSpaceLimit = 0;  // bytes, 0 for none
  // Called once the program has started.
  std::function<void(QProcess&)> whileRunning;
  int timeoutMs = 120000;
};

RunResult Run(const Launch& launch);

// repcostoav-export's arguments for the installation in `server` as user SYSDBA.
QStringList ExportArgs(const std::filesystem::path& server, const std::filesystem::path& output,
                       const std::string& company = "001", const std::string& from = "2022-01-01",
                       const std::string& to = "2022-01-31");

// <temp>/<name>_<pid>, made empty.
std::filesystem::path FreshFolder(const std::string& name);

// galvora-demo's installation in `folder`: company 001 with `warehouses` warehouses over
// January 2022. A failed run is a fatal test failure.
void MakeDemo(const std::filesystem::path& folder, int warehouses);

// A suite over one temporary folder, folder_, made empty before its first test and removed
// after its last.
class FolderSuite : public ::testing::Test {
 protected:
  // folder_ = FreshFolder(name).
  static void MakeFolder(const std::string& name);
  // MakeFolder, then MakeDemo in folder_/demo.
  static void MakeFolderWithDemo(const std::string& name, int warehouses);
  static void TearDownTestSuite();

  static std::filesystem::path* folder_;
};

}  // namespace toolstest
