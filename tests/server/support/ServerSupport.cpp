#include "tests/server/support/ServerSupport.h"

#include "report/dm.h"

#include <ibase.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "db/CompanyDatabase.h"

namespace servertest {
namespace {

// NAME=value lines of a shell variable file; a value may be in double quotes.
std::map<std::string, std::string> ReadVariables(const std::string& path) {
  std::map<std::string, std::string> variables;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
    std::string value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    variables[line.substr(0, equals)] = value;
  }
  return variables;
}

std::string Environment(const char* name) {
  const char* value = getenv(name);
  return value == nullptr ? "" : value;
}

}  // namespace

ServerSettings Settings() {
  ServerSettings settings;
  std::string stateFile = Environment("GALVORA_SERVER_STATE");
  if (stateFile.empty()) stateFile = "/tmp/galvora-server.env";
  auto state = ReadVariables(stateFile);
  auto package = ReadVariables("/etc/firebird/3.0/SYSDBA.password");
  auto pick = [&](const char* name, const std::string& fallback) {
    std::string value = Environment(name);
    if (value.empty()) value = state[name];
    return value.empty() ? fallback : value;
  };
  settings.host = pick("GALVORA_SERVER_HOST", "localhost");
  settings.password = pick("GALVORA_SERVER_PASSWORD", package["ISC_PASSWORD"]);
  // The test's own source tree first: the state file may come from another checkout.
  settings.control = Environment("GALVORA_SERVER_CONTROL");
  if (settings.control.empty() && !Environment("GALVORA_SOURCE_DIR").empty()) {
    settings.control = Environment("GALVORA_SOURCE_DIR") + "/scripts/server";
  }
  if (settings.control.empty()) settings.control = state["GALVORA_SERVER_CONTROL"];
  return settings;
}

bool ServerAnswers(const ServerSettings& settings) {
  if (settings.password.empty()) return false;
  std::string spb = {static_cast<char>(isc_spb_version), static_cast<char>(isc_spb_current_version)};
  auto add = [&spb](char tag, const std::string& text) {
    spb += tag;
    spb += static_cast<char>(text.size());
    spb += text;
  };
  add(isc_spb_user_name, "SYSDBA");
  add(isc_spb_password, settings.password);
  const std::string service = settings.host + ":service_mgr";
  ISC_STATUS_ARRAY status;
  isc_svc_handle handle = 0;
  isc_service_attach(status, 0, service.c_str(), &handle, static_cast<unsigned short>(spb.size()),
                     spb.data());
  if (status[0] == 1 && status[1] != 0) return false;
  isc_service_detach(status, &handle);
  return true;
}

int ControlServer(const ServerSettings& settings, const std::string& verb) {
  const std::string command = "'" + settings.control + "' " + verb + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ServerLock::ServerLock() {
  handle_ = open("/tmp/galvora-server-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (handle_ >= 0) flock(handle_, LOCK_EX);
}

ServerLock::~ServerLock() {
  if (handle_ >= 0) close(handle_);
}

ServedCompany::ServedCompany(const ServerSettings& settings, int warehouses,
                             const std::string& name) {
  std::string pattern = (std::filesystem::temp_directory_path() / "galvora-served-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a folder");
  base_ = pattern;
  folder_ = name.empty() ? base_ : base_ + "/" + name;
  std::filesystem::create_directories(folder_ + "/datos/001");
  // The server runs as the user firebird: it creates and opens the files of this folder.
  if (const passwd* user = getpwnam("firebird")) {
    for (const std::string& path :
         {base_, folder_, folder_ + "/datos", folder_ + "/datos/001"}) {
      if (chown(path.c_str(), user->pw_uid, user->pw_gid) != 0) {
        throw std::runtime_error("cannot hand " + path + " to the user firebird");
      }
    }
  }
  serverEntry_ = settings.host + ":" + folder_;
  database_ = serverEntry_ + "/datos/001/galvora.fdb";
  db::CompanyDatabaseOptions options;
  options.password = settings.password;
  if (warehouses > 0) options.sample = db::SampleData{.warehouses = warehouses};
  db::CreateCompanyDatabase(database_, options);
}

ServedCompany::~ServedCompany() {
  std::error_code ignored;
  std::filesystem::remove_all(base_, ignored);
}

void SetupConnection(TSQLConnection& connection, const std::string& database,
                     const std::string& password) {
  SetupGalvoraConnection(connection);
  connection.Params().SetValue("Database", database);
  connection.Params().SetValue("User_Name", "SYSDBA");
  connection.Params().SetValue("password", password);
}

}  // namespace servertest
