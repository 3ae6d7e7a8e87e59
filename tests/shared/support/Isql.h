#pragma once

// isql-fb, the Firebird command-line tool, as another program holding a local database open:
// started on a database, given statements, kept attached until it is destroyed.

#include <QProcess>
#include <string>

namespace sharedtest {

class IsqlSession {
 public:
  // Starts isql-fb on `database` as SYSDBA. `root` names the Firebird root it loads (FIREBIRD);
  // empty keeps this process's.
  explicit IsqlSession(const std::string& database, const std::string& root = "");
  ~IsqlSession();
  IsqlSession(const IsqlSession&) = delete;
  IsqlSession& operator=(const IsqlSession&) = delete;

  // Runs `statements` (each ended by ";") and waits until isql has done them; returns what it
  // printed meanwhile (results and errors).
  std::string Run(const std::string& statements);

 private:
  QProcess process_;
  int runs_ = 0;
};

}  // namespace sharedtest
