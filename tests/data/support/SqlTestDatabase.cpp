#include "tests/data/support/SqlTestDatabase.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

std::string RunIsql(const std::string& folder, const std::string& script) {
  std::string file = folder + "/script.sql";
  {
    std::ofstream out(file, std::ios::binary);
    out << script;
  }
  std::string command = "isql-fb -q -ch WIN1252 -i '" + file + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run isql-fb");
  std::string output;
  std::array<char, 4096> chunk;
  size_t got;
  while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), got);
  pclose(pipe);
  return output;
}

bool ServerAnswers() {
  int handle = socket(AF_INET, SOCK_STREAM, 0);
  if (handle < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(3050);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool answered = connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(handle);
  return answered;
}

pid_t startedServer = 0;

void StopStartedServer() {
  if (startedServer > 0) {
    kill(startedServer, SIGTERM);
    waitpid(startedServer, nullptr, 0);
    startedServer = 0;
  }
}

}  // namespace

bool EnsureFirebirdServer() {
  if (ServerAnswers()) return true;
  // A server run by scripts/server for the whole test run may be restarting under a fault
  // test: wait for it instead of starting a second one that would take its port.
  if (std::getenv("GALVORA_SERVER_CONTROL") != nullptr) {
    for (int i = 0; i < 50 && !ServerAnswers(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return ServerAnswers();
  }
  const char* guard = "/usr/sbin/fbguard";
  passwd* user = getpwnam("firebird");
  if (startedServer != 0 || access(guard, X_OK) != 0 || user == nullptr || geteuid() != 0) {
    return false;
  }
  pid_t child = fork();
  if (child == 0) {
    if (setgid(user->pw_gid) != 0 || setuid(user->pw_uid) != 0) _exit(127);
    execl(guard, guard, "-forever", static_cast<char*>(nullptr));
    _exit(127);
  }
  if (child < 0) return false;
  startedServer = child;
  std::atexit(StopStartedServer);
  for (int i = 0; i < 100 && !ServerAnswers(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return ServerAnswers();
}

SqlTestDatabase::SqlTestDatabase(const std::string& script) {
  std::string pattern = (std::filesystem::temp_directory_path() / "galvora-sql-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
  folder_ = pattern;
  path_ = folder_ + "/test.fdb";
  std::string output = RunIsql(
      folder_, "create database '" + path_ +
                   "' user 'SYSDBA' password 'masterkey' default character set WIN1252;\n" +
                   script + "\ncommit;\n");
  if (!std::filesystem::exists(path_) || output.find("Statement failed") != std::string::npos ||
      output.find("error") != std::string::npos) {
    throw std::runtime_error("test database failed: " + output);
  }
}

SqlTestDatabase::~SqlTestDatabase() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void SetupDataModuleConnection(TSQLConnection& connection, const std::string& database,
                               const std::string& user, const std::string& password) {
  connection.SetName("Galvora");
  connection.SetConnectionName("IBLocal");
  connection.SetDriverName("Interbase");
  connection.SetGetDriverFunc("getSQLDriverINTERBASE");
  connection.SetLibraryName("libibdriver.so");
  connection.SetVendorLib("libfbclient.so.2");
  connection.SetLoginPrompt(false);
  TConnectionParams params;
  for (const char* line :
       {"BlobSize=-1", "CommitRetain=False", "Database=/GALVORA2025/DATOS/001/GALVORA.FDB",
        "DriverName=Interbase", "ErrorResourceFile=", "LocaleCode=0000", "Password=bluefjord",
        "RoleName=RoleName", "ServerCharSet=", "SQLDialect=3",
        "Interbase TransIsolation=ReadCommited", "User_Name=sysdba", "WaitOnLocks=True"}) {
    params.Add(line);
  }
  connection.SetParams(params);
  connection.Params().SetValue("Database", database);
  connection.Params().SetValue("User_Name", user);
  connection.Params().SetValue("password", password);
}

void SetupScriptedConnection(TSQLConnection& connection, const std::string& vendorLib) {
  connection.SetName("Galvora");
  connection.SetConnectionName("IBLocal");
  connection.SetDriverName("Interbase");
  connection.SetGetDriverFunc("getSQLDriverINTERBASE");
  connection.SetLibraryName("libibdriver_scripted.so");
  connection.SetVendorLib(vendorLib);
  connection.SetLoginPrompt(false);
  connection.Params().SetValue("Database", "scripted.fdb");
  connection.Params().SetValue("User_Name", "sysdba");
  connection.Params().SetValue("Password", "secret");
}
