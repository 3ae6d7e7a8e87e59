#include "db/DemoInstallation.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace db {

namespace {

namespace fs = std::filesystem;

// A value of the registry export format: backslashes and quotes escaped.
std::string Quoted(const std::string& text) {
  std::string escaped = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return escaped + "\"";
}

// The database being built under its unfinished name, known to stop handlers.
std::mutex unfinishedMutex;
std::string unfinishedPath;

// Databases that earlier runs left unfinished ("galvora.fdb.unfinished.<pid>"), whose process
// is gone, are removed; one a running process is building stays.
void RemoveStaleUnfinished(const fs::path& database) {
  const std::string prefix = database.filename().string() + ".unfinished.";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(database.parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string pid = name.substr(prefix.size());
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (::kill(static_cast<pid_t>(std::stol(pid)), 0) != 0 && errno == ESRCH) {
      fs::remove(entry.path(), error);
    }
  }
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
  file.close();
  if (!file) throw DatabaseError("Cannot write " + path.string());
}

}  // namespace

std::string RegistryText(const std::string& folder) {
  return "Windows Registry Editor Version 5.00\r\n"
         "\r\n"
         "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n"
         "\"Directorio\"=" +
         Quoted(folder) +
         "\r\n"
         "\r\n"
         "[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"
         "\"sShortDate\"=\"yyyy/MM/dd\"\r\n"
         "\"sDate\"=\"/\"\r\n"
         "\"sDecimal\"=\".\"\r\n"
         "\"sThousand\"=\",\"\r\n";
}

int MonthsThroughCurrentMonth() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const int months = (local.tm_year + 1900 - 2022) * 12 + local.tm_mon + 1;
  return months < 1 ? 1 : months;
}

namespace {

// The work of CreateDemoInstallation; withFiles false leaves out the server list and registry.
DemoInstallation CreateDemo(const std::string& folder, const CompanyDatabaseOptions& options,
                            const std::string& company, bool withFiles) {
  DemoInstallation installation;
  std::error_code error;
  installation.folder = fs::absolute(folder, error).lexically_normal().string();
  if (error) throw DatabaseError("Invalid folder: " + folder);
  while (installation.folder.size() > 1 && installation.folder.back() == '/')
    installation.folder.pop_back();
  // The program reads each server entry into a 255-character line that CR or LF ends.
  if (installation.folder.size() > 255 ||
      installation.folder.find_first_of("\r\n") != std::string::npos)
    throw DatabaseError("The folder path must be one line of at most 255 characters: " +
                        installation.folder);
  const fs::path root(installation.folder);
  const fs::path database = root / "datos" / company / "galvora.fdb";
  installation.database = database.string();
  installation.serverList = (root / "SERVIDORES.cfg").string();
  installation.registry = (root / "registry.reg").string();
  if (fs::exists(database, error))
    throw DatabaseError("The demo database already exists: " + installation.database +
                        " (remove it or choose another folder)");
  fs::create_directories(database.parent_path(), error);
  if (error) throw DatabaseError("Cannot create " + database.parent_path().string());

  if (withFiles) {
    WriteFile(installation.serverList, installation.folder + "\r\n");
    WriteFile(installation.registry, RegistryText(installation.folder));
  }
  // The database is built under a name of its own and takes its name only when complete, so
  // that a run that fails or is stopped never leaves a database that looks finished.
  RemoveStaleUnfinished(database);
  const std::string unfinished =
      installation.database + ".unfinished." + std::to_string(::getpid());
  {
    std::lock_guard<std::mutex> lock(unfinishedMutex);
    unfinishedPath = unfinished;
  }
  try {
    CreateCompanyDatabase(unfinished, options);
  } catch (...) {
    std::lock_guard<std::mutex> lock(unfinishedMutex);
    unfinishedPath.clear();
    throw;
  }
  std::lock_guard<std::mutex> lock(unfinishedMutex);
  unfinishedPath.clear();
  if (::renameat2(AT_FDCWD, unfinished.c_str(), AT_FDCWD, installation.database.c_str(),
                  RENAME_NOREPLACE) != 0) {
    const int renameError = errno;
    fs::remove(unfinished, error);
    throw DatabaseError("Cannot put the demo database in place: " + installation.database + ": " +
                        std::strerror(renameError));
  }
  return installation;
}

}  // namespace

DemoInstallation CreateDemoInstallation(const std::string& folder,
                                        const CompanyDatabaseOptions& options,
                                        const std::string& company) {
  return CreateDemo(folder, options, company, true);
}

DemoInstallation CreateDemoDatabase(const std::string& folder,
                                    const CompanyDatabaseOptions& options,
                                    const std::string& company) {
  return CreateDemo(folder, options, company, false);
}

void DiscardUnfinishedDatabase() {
  // Held until the process ends, so that the database cannot take its name after this.
  unfinishedMutex.lock();
  if (!unfinishedPath.empty()) ::unlink(unfinishedPath.c_str());
}

}  // namespace db
