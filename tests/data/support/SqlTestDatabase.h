#pragma once

// A real Firebird database file in a temporary folder, made with isql-fb through the embedded
// engine, and the connection settings of the data module pointing at it.

#include <string>

#include "data/SqlExpr.h"

class SqlTestDatabase {
 public:
  // Creates the folder and a WIN1252 database, then runs `script` (statements ending in ";").
  explicit SqlTestDatabase(const std::string& script = "");
  ~SqlTestDatabase();
  SqlTestDatabase(const SqlTestDatabase&) = delete;
  SqlTestDatabase& operator=(const SqlTestDatabase&) = delete;

  const std::string& Path() const { return path_; }
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
  std::string path_;
};

// True when a Firebird server answers on localhost. When none does and the server is
// installed, starts one (fbguard as the user "firebird", when this process may) and stops it
// when the test program ends.
bool EnsureFirebirdServer();

// Sets the stored settings and the 13-line parameter list of the data module's connection
// "Galvora", with the Linux library names, then sets Database, User_Name and password as the
// connect step does.
void SetupDataModuleConnection(TSQLConnection& connection, const std::string& database,
                               const std::string& user = "sysdba",
                               const std::string& password = "masterkey");

// A connection to the scripted test driver reading `vendorLib` as its script.
void SetupScriptedConnection(TSQLConnection& connection, const std::string& vendorLib);
