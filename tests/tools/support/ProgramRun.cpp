#include "tests/tools/support/ProgramRun.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QProcessEnvironment>
#include <cstdlib>
#include <fstream>
#include <utility>

namespace fs = std::filesystem;

namespace toolstest {
namespace {

std::string Bin(const std::string& name) {
  return std::string(std::getenv("GALVORA_BINARY_DIR")) + "/bin/" + name;
}

}  // namespace

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

RunResult Run(const Launch& launch) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& name : launch.unset) env.remove(name);
  env.remove("GALVORA_PASSWORD");
  if (launch.password) env.insert("GALVORA_PASSWORD", launch.password);
  if (!launch.registry.empty()) {
    env.insert("QOR_REGISTRY", QString::fromStdString(launch.registry.string()));
  }
  for (const auto& [name, value] : launch.env) env.insert(name, value);
  process.setProcessEnvironment(env);
  if (!launch.workingFolder.isEmpty()) process.setWorkingDirectory(launch.workingFolder);
  if (!launch.standardOutput.isEmpty()) {
    process.setStandardOutputFile(launch.standardOutput, launch.appendStandardOutput
                                                             ? QIODevice::Append
                                                             : QIODevice::Truncate);
  }
  const long fileSize = launch.fileSizeLimit, addressSpace = launch.addressSpaceLimit;
  process.setChildProcessModifier([fileSize, addressSpace] {
    for (const auto& [resource, value] :
         {std::pair{RLIMIT_FSIZE, fileSize}, std::pair{RLIMIT_AS, addressSpace}}) {
      if (value <= 0) continue;
      struct rlimit limit {
        static_cast<rlim_t>(value), static_cast<rlim_t>(value)
      };
      ::setrlimit(resource, &limit);
    }
  });
  process.start(QString::fromStdString(Bin(launch.program)), launch.args);
  if (launch.whileRunning) launch.whileRunning(process);
  EXPECT_TRUE(process.waitForFinished(launch.timeoutMs)) << launch.program;
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

QStringList ExportArgs(const fs::path& server, const fs::path& output, const std::string& company,
                       const std::string& from, const std::string& to) {
  return {"--server",  QString::fromStdString(server.string()),
          "--user",    "SYSDBA",
          "--company", QString::fromStdString(company),
          "--from",    QString::fromStdString(from),
          "--to",      QString::fromStdString(to),
          "--output",  QString::fromStdString(output.string())};
}

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void MakeDemo(const fs::path& folder, int warehouses) {
  const RunResult demo = Run({.program = "galvora-demo",
                              .args = {QString::fromStdString(folder.string()), "--warehouses",
                                       QString::number(warehouses), "--months", "1"}});
  ASSERT_EQ(demo.status, 0) << demo.err;
}

fs::path* FolderSuite::folder_ = nullptr;

void FolderSuite::MakeFolder(const std::string& name) { folder_ = new fs::path(FreshFolder(name)); }

void FolderSuite::MakeFolderWithDemo(const std::string& name, int warehouses) {
  MakeFolder(name);
  MakeDemo(*folder_ / "demo", warehouses);
}

void FolderSuite::TearDownTestSuite() {
  fs::remove_all(*folder_);
  delete folder_;
  folder_ = nullptr;
}

}  // namespace toolstest
