#include "tests/shared/support/Isql.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>

namespace sharedtest {

IsqlSession::IsqlSession(const std::string& database, const std::string& root) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (!root.empty()) env.insert("FIREBIRD", QString::fromStdString(root));
  process_.setProcessEnvironment(env);
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start("isql-fb", {"-q", "-u", "SYSDBA", "-p", "masterkey",
                             QString::fromStdString(database)});
  process_.waitForStarted(30000);
}

IsqlSession::~IsqlSession() {
  process_.write("quit;\n");
  process_.closeWriteChannel();
  if (!process_.waitForFinished(30000)) process_.kill();
}

std::string IsqlSession::Run(const std::string& statements) {
  // A constant selected after the statements marks the end of their output.
  const std::string marker = "END_OF_RUN_" + std::to_string(++runs_);
  process_.write(QByteArray::fromStdString(statements + "\nselect '" + marker +
                                           "' from rdb$database;\n"));
  std::string output;
  QDeadlineTimer deadline(60000);
  // Without an attachment the marker never comes: isql asks for a database instead.
  while (output.find(marker) == std::string::npos &&
         output.find("Use CONNECT or CREATE DATABASE") == std::string::npos &&
         !deadline.hasExpired() && process_.state() == QProcess::Running) {
    process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    output += process_.readAll().toStdString();
  }
  output += process_.readAll().toStdString();
  return output;
}

}  // namespace sharedtest
