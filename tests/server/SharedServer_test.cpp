// The report's data chain on a company database that a Firebird server on loopback serves to
// several operators at once: server-style names, credentials checked by the server, two
// operators side by side, a configuration saved by two operators, and the server going away.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "app/ErrorReport.h"
#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "report/ServerList.h"
#include "tests/app/support/Fakes.h"
#include "tests/server/support/ServedCompanyTest.h"

namespace {

using servertest::SetupConnection;

const char kReport[] = " select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')";
const char kConfiguration[] = "SELECT * FROM CONFIGURA_COSTOS_PROD";

// One operator's program: the connection, a query, its provider and a client result set, wired
// as the report window wires CRepcliente or CConfrep.
struct Operator {
  Operator(const std::string& database, const std::string& password) {
    SetupConnection(connection, database, password);
    query.SetSQLConnection(&connection);
    query.SetMaxBlobSize(-1);
    provider.SetDataSet(&query);
    provider.SetOptions(poAllowCommandText);
    client.SetProviderName("PRepcliente");
  }
  void Open(const std::string& commandText) {
    client.Close();
    client.SetCommandText(commandText);
    client.Open();
  }
  // Every record as the fields' plain text, in order.
  std::vector<std::vector<std::string>> Rows() {
    std::vector<std::vector<std::string>> rows;
    for (client.First(); !client.Eof(); client.Next()) {
      std::vector<std::string> row;
      for (int i = 0; i < client.Fields().Count(); ++i) row.push_back(client.Fields()[i].AsString());
      rows.push_back(row);
    }
    return rows;
  }

  TSQLConnection connection;
  TSQLQuery query{"QRepcliente"};
  TProviderOwner owner;
  TDataSetProvider provider{"PRepcliente", &owner};
  TClientDataSet client{"CRepcliente", &owner};
};

// The text the general error report shows for what `action` raises ("" when nothing).
std::string ReportedError(const std::function<void()>& action) {
  apptest::RecordingBoxes boxes;
  try {
    action();
  } catch (...) {
    app::ShowCurrentException();
  }
  return boxes.shown.empty() ? "" : boxes.shown.back().text;
}

class SharedServer : public servertest::ServedCompanyTest {
 protected:
  std::unique_ptr<Operator> NewOperator(const std::string& password = "") {
    return std::make_unique<Operator>(company->Database(),
                                      password.empty() ? settings.password : password);
  }
};

TEST_F(SharedServer, AServerEntryOfTheServerListReachesTheCompanyDatabaseThroughTheServer) {
  const std::string list = company->Folder() + "/" + report::kServerListFile;
  std::ofstream(list, std::ios::binary) << company->ServerEntry() << "\r\n";
  const std::vector<std::string> entries = report::ReadServerList(list);
  ASSERT_EQ(entries, std::vector<std::string>{company->ServerEntry()});

  // The connect step's name: server entry + "/datos/" + company + "/galvora.fdb".
  const std::string database = entries[0] + "/datos/" + "001" + "/galvora.fdb";
  EXPECT_EQ(database, settings.host + ":" + company->Folder() + "/datos/001/galvora.fdb");
  Operator user(database, settings.password);
  user.connection.Open();
  user.Open(kReport);
  EXPECT_EQ(user.client.RecordCount(), 5);
  EXPECT_EQ(user.client.FieldByName("CODBOD").AsString(), *Query(kReport).rows[0][0]);
}

TEST_F(SharedServer, AWrongPasswordGivesTheServersMessageAndTheNextConnectWorks) {
  auto user = NewOperator("not-" + settings.password);
  const std::string shown = ReportedError([&] { user->connection.Open(); });
  EXPECT_NE(shown.find("Your user name and password are not defined. Ask your database "
                       "administrator to set up a Firebird login."),
            std::string::npos)
      << shown;
  EXPECT_FALSE(user->connection.Connected());

  // The operator corrects the password: the connect step disconnects, sets it and connects.
  user->connection.Close();
  user->connection.Params().SetValue("password", settings.password);
  user->connection.Open();
  EXPECT_TRUE(user->connection.Connected());
  user->Open(kReport);
  EXPECT_EQ(user->client.RecordCount(), 5);
}

TEST_F(SharedServer, TwoOperatorsRunTheReportAtTheSameTimeAndGetTheSameRows) {
  auto first = NewOperator();
  auto second = NewOperator();
  first->connection.Open();
  second->connection.Open();
  std::vector<std::vector<std::string>> rows[2];
  std::string errors[2];
  // Each operator's program is single-threaded; two threads stand for two programs.
  auto run = [&](Operator& user, int index) {
    try {
      for (int round = 0; round < 3; ++round) {
        user.Open(kReport);
        rows[index] = user.Rows();
      }
    } catch (const std::exception& error) {
      errors[index] = error.what();
    }
  };
  std::thread a(run, std::ref(*first), 0);
  std::thread b(run, std::ref(*second), 1);
  a.join();
  b.join();
  EXPECT_EQ(errors[0], "");
  EXPECT_EQ(errors[1], "");
  ASSERT_EQ(rows[0].size(), 5u);
  EXPECT_EQ(rows[0], rows[1]);
}

TEST_F(SharedServer, ASecondSaveOfTheConfigurationIsAConflictAndTheFirstChangeStays) {
  const auto before = Query("select COCP_VRAMOR, COCP_PREFEP from CONFIGURA_COSTOS_PROD");
  ASSERT_EQ(before.rows.size(), 1u);
  auto first = NewOperator();
  auto second = NewOperator();
  first->Open(kConfiguration);
  second->Open(kConfiguration);  // both have the panel open on the same row

  first->client.Edit();
  first->client.FieldByName("COCP_VRAMOR").SetAsString("4321.5");
  first->client.Post();
  try {
    EXPECT_EQ(first->client.ApplyUpdates(0), 0);
  } catch (const std::exception& error) {
    // The provider's apply step arrives from the data layer separately.
    if (std::string(error.what()).find("not supported yet") != std::string::npos) {
      GTEST_SKIP() << error.what();
    }
    throw;
  }
  first->client.Close();

  second->client.Edit();
  second->client.FieldByName("COCP_PREFEP").SetAsString("ZZ");
  second->client.Post();
  // The row changed under the second operator: its UPDATE finds no row with the old values;
  // one error, rolled back, nothing raised.
  EXPECT_EQ(second->client.ApplyUpdates(0), 1);
  second->client.Close();

  auto after = Query("select COCP_VRAMOR, COCP_PREFEP from CONFIGURA_COSTOS_PROD");
  ASSERT_EQ(after.rows.size(), 1u);
  EXPECT_EQ(*after.rows[0][0], "4321.50");
  EXPECT_EQ(after.rows[0][1], before.rows[0][1]);

  // Opened again, the second operator sees the first one's change and saves on top of it.
  second->Open(kConfiguration);
  EXPECT_EQ(second->client.FieldByName("COCP_VRAMOR").AsString(), "4321.5");
  second->client.Edit();
  second->client.FieldByName("COCP_PREFEP").SetAsString("ZZ");
  second->client.Post();
  EXPECT_EQ(second->client.ApplyUpdates(0), 0);
  after = Query("select COCP_VRAMOR, COCP_PREFEP from CONFIGURA_COSTOS_PROD");
  EXPECT_EQ(*after.rows[0][0], "4321.50");
  EXPECT_EQ(after.rows[0][1].value_or("").substr(0, 2), "ZZ");
}

TEST_F(SharedServer, TheServerGoingAwayGivesAReadableErrorAndAReconnectWorksWhenItIsBack) {
  if (geteuid() != 0) GTEST_SKIP() << "stopping and starting the server needs root";
  auto user = NewOperator();
  user->connection.Open();
  user->Open(kReport);
  const auto rows = user->Rows();

  ASSERT_EQ(servertest::ControlServer(settings, "stop"), 0);
  const auto started = std::chrono::steady_clock::now();
  const std::string shown = ReportedError([&] { user->Open(kReport); });
  const auto waited = std::chrono::steady_clock::now() - started;
  const bool back = servertest::ControlServer(settings, "start") == 0;
  ASSERT_TRUE(back) << "the server did not start again";

  EXPECT_NE(shown, "");
  EXPECT_NE(shown.find("Error"), std::string::npos) << shown;
  EXPECT_LT(waited, std::chrono::seconds(60));
  EXPECT_FALSE(user->client.Active());

  // A new connect step: disconnect (the dead session is let go), connect, compute.
  const std::string closing = ReportedError([&] { user->connection.Close(); });
  EXPECT_EQ(closing, "");
  user->connection.Open();
  user->Open(kReport);
  EXPECT_EQ(user->Rows(), rows);
}

}  // namespace
