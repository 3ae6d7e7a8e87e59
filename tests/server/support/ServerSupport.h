#pragma once

// What the shared-use tests need of the Firebird server that scripts/server runs on loopback:
// its settings, a check that it answers, a lock that lets one server test run at a time, the
// stop and start of the fault tests, and company installations served through it.

#include <string>

#include "data/SqlExpr.h"

namespace servertest {

struct ServerSettings {
  std::string host = "localhost";
  std::string password;
  std::string control;  // scripts/server, which stops and starts the server
};

// The settings from GALVORA_SERVER_HOST / _PASSWORD, else from the state file that
// scripts/server writes (GALVORA_SERVER_STATE, default /tmp/galvora-server.env), else the
// package's SYSDBA.password. The control script: GALVORA_SERVER_CONTROL, else the source
// tree's scripts/server, else the state file's.
ServerSettings Settings();

// True when the server's service manager accepts SYSDBA with the settings' password.
bool ServerAnswers(const ServerSettings& settings);

// Runs `control verb` ("stop", "start"); returns its exit status.
int ControlServer(const ServerSettings& settings, const std::string& verb);

// An exclusive lock on a file shared by every server test process, held for its lifetime:
// ctest runs each test as its own process, and the fault tests stop the server.
class ServerLock {
 public:
  ServerLock();
  ~ServerLock();
  ServerLock(const ServerLock&) = delete;
  ServerLock& operator=(const ServerLock&) = delete;

 private:
  int handle_ = -1;
};

// An installation folder whose company database ("001") the server created and serves: the
// folder belongs to the user firebird; the server entry is "host:" + folder.
class ServedCompany {
 public:
  // warehouses: sample warehouses for January 2022 (0 = none). The folder is a new temporary
  // folder, or the folder `name` (UTF-8) inside one.
  ServedCompany(const ServerSettings& settings, int warehouses, const std::string& name = "");
  ~ServedCompany();
  ServedCompany(const ServedCompany&) = delete;
  ServedCompany& operator=(const ServedCompany&) = delete;

  const std::string& Folder() const { return folder_; }
  const std::string& ServerEntry() const { return serverEntry_; }
  // ServerEntry() + "/datos/001/galvora.fdb", as the connect step forms it.
  const std::string& Database() const { return database_; }

 private:
  std::string base_;
  std::string folder_;
  std::string serverEntry_;
  std::string database_;
};

// The data module's connection settings (driver library, parameter list), then Database,
// User_Name and password as the connect step sets them.
void SetupConnection(TSQLConnection& connection, const std::string& database,
                     const std::string& password);

}  // namespace servertest
