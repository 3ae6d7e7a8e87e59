// One local company database (embedded engine, no server) used at the same time by the report
// window, batch exports, isql-fb and a second connection; and what happens when a program
// holds the file with the engine in the exclusive mode.

#include <gtest/gtest.h>

#include <QDate>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "app/ConfigPanel.h"
#include "app/DBEdit.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/app/support/Window.h"
#include "tests/shared/support/Isql.h"

namespace fs = std::filesystem;

namespace {

using sharedtest::IsqlSession;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The root this test program and the programs it starts use, and the system's own root
// (exclusive mode), which the shared root's plugins/ link leads to.
std::string SharedRoot() { return std::getenv("FIREBIRD"); }
std::string ExclusiveRoot() {
  return fs::read_symlink(fs::path(SharedRoot()) / "plugins").parent_path().string();
}

const char kInUseInAnotherMode[] = "Database already opened with engine instance, incompatible";

// The batch exporter, started and left running; Finish waits for it.
class Exporter {
 public:
  // `root`: the Firebird root for the exporter (FIREBIRD); empty keeps this process's.
  Exporter(const std::string& folder, const QDate& month, const fs::path& output,
           const std::string& root = "") {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("GALVORA_PASSWORD", "masterkey");
    if (!root.empty()) env.insert("FIREBIRD", QString::fromStdString(root));
    process_.setProcessEnvironment(env);
    const QDate last = month.addMonths(1).addDays(-1);
    process_.start(
        QString::fromStdString(std::string(std::getenv("GALVORA_BINARY_DIR")) +
                               "/bin/repcostoav-export"),
        {"--server", QString::fromStdString(folder), "--user", "SYSDBA", "--company", "001",
         "--from", month.toString(Qt::ISODate), "--to", last.toString(Qt::ISODate), "--output",
         QString::fromStdString(output.string())});
  }
  // Waits for the end; returns the exit status (-1: killed or still running after a minute).
  int Finish() {
    if (!process_.waitForFinished(60000)) process_.kill();
    error_ = process_.readAllStandardError().toStdString();
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  const std::string& Error() const { return error_; }

 private:
  QProcess process_;
  std::string error_;
};

// A second program's configuration editor: its own connection, query, provider and client
// result set on CONFIGURA_COSTOS_PROD, wired as the window wires CConfrep.
struct ConfigurationEditor {
  explicit ConfigurationEditor(const std::string& database) {
    SetupGalvoraConnection(connection);
    connection.Params().SetValue("Database", database);
    connection.Params().SetValue("User_Name", "SYSDBA");
    connection.Params().SetValue("password", "masterkey");
    query.SetSQLConnection(&connection);
    provider.SetDataSet(&query);
    provider.SetOptions(poAllowCommandText);
    client.SetProviderName("PConfrep");
  }
  // Opens the rows `where` selects, sets `field` of the first to `value` and applies; returns
  // the number of errors.
  int Change(const std::string& where, const std::string& field, const std::string& value) {
    client.Close();
    client.SetCommandText("SELECT * FROM CONFIGURA_COSTOS_PROD " + where);
    client.Open();
    client.Edit();
    client.FieldByName(field).SetAsString(value);
    client.Post();
    const int errors = client.ApplyUpdates(0);
    client.Close();
    return errors;
  }

  TSQLConnection connection;
  TSQLQuery query{"QConfrep"};
  TProviderOwner owner;
  TDataSetProvider provider{"PConfrep", &owner};
  TClientDataSet client{"CConfrep", &owner};
};

class SharedLocalDatabase : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() {
    // Enough warehouses that the exports are still running while the others work.
    NewInstallation().AddCompany("001", 1500);
  }

  // The data module comes with each window (OpenWindow) and goes with it.
  void SetUp() override {
    install_->UseDefaultRegistry();
    fs::remove_all(Out());
    fs::create_directories(Out());
    database_ = install_->DatabasePath("001");
  }

  static fs::path Out() { return fs::path(install_->Folder()) / "out"; }

  // Shows the window, types the origin and leaves the company input: the window connects.
  void OpenWindow() {
    dataModule_ = std::make_unique<Tfdm>();
    Open();
    Connect();
  }

  db::QueryResult Configuration() {
    return db::QueryText(database_,
                         "SELECT COCP_ID, COCP_PREFEP, COCP_VRAMOR FROM CONFIGURA_COSTOS_PROD "
                         "ORDER BY COCP_ID");
  }

  std::string database_;
  apptest::RecordingBoxes boxes_;
};

TEST_F(SharedLocalDatabase, ExportersAnotherToolAndAnApplyWorkWhileTheWindowIsConnected) {
  // The report reads the first configuration row; a second one is changed below, so the
  // report stays the same whenever the change lands.
  db::ExecuteScript(database_,
                    "INSERT INTO CONFIGURA_COSTOS_PROD (COCP_ID, COCP_PREFEP, COCP_PREFSA, "
                    "COCP_VRAMOR, COCP_PORCA1) VALUES (2, 'E2', 'S2', 100, 1);");
  Exporter alone(install_->Folder(), FirstOfMonth(), Out() / "alone.xls");
  ASSERT_EQ(alone.Finish(), 0) << alone.Error();
  const std::string expected = ReadFile(Out() / "alone.xls");
  ASSERT_FALSE(expected.empty());

  OpenWindow();
  Press(Qt::Key_F2);  // calculates; the window keeps its connection from here on
  ASSERT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  ASSERT_EQ(window_->CRepcliente->RecordCount(), 1500);

  Exporter first(install_->Folder(), FirstOfMonth(), Out() / "first.xls");
  Exporter second(install_->Folder(), FirstOfMonth(), Out() / "second.xls");
  IsqlSession isql(database_);
  EXPECT_TRUE(Contains(isql.Run("select count(*) from CONFIGURA_COSTOS_PROD;"), "2"));
  ConfigurationEditor editor(database_);
  EXPECT_EQ(editor.Change("WHERE COCP_ID = 2", "COCP_PREFEP", "E3"), 0);
  // The other tool reads the committed change in a new transaction while everyone is attached.
  EXPECT_TRUE(Contains(isql.Run("commit; select COCP_PREFEP from CONFIGURA_COSTOS_PROD "
                                "where COCP_ID = 2;"),
                       "E3"));

  EXPECT_EQ(first.Finish(), 0) << first.Error();
  EXPECT_EQ(second.Finish(), 0) << second.Error();
  EXPECT_TRUE(ReadFile(Out() / "first.xls") == expected);
  EXPECT_TRUE(ReadFile(Out() / "second.xls") == expected);

  // The window calculates again on its connection and sees the same report.
  Press(Qt::Key_F2);
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_EQ(window_->CRepcliente->RecordCount(), 1500);
  EXPECT_TRUE(dataModule_->Galvora->Connected());
  db::ExecuteScript(database_, "DELETE FROM CONFIGURA_COSTOS_PROD WHERE COCP_ID = 2;");
}

TEST_F(SharedLocalDatabase, ASaveOverAnotherProgramsChangeIsReportedAndChangesNothing) {
  const db::QueryResult before = Configuration();
  ASSERT_EQ(before.rows.size(), 1u);
  // The other writer: a second connection, or isql-fb in a process of its own.
  struct Case {
    const char* writer;
    std::function<void(const std::string& value)> change;
  } cases[] = {
      {"second connection",
       [&](const std::string& value) {
         ConfigurationEditor editor(database_);
         EXPECT_EQ(editor.Change("", "COCP_VRAMOR", value), 0);
       }},
      {"isql-fb",
       [&](const std::string& value) {
         IsqlSession isql(database_);
         const std::string output = isql.Run(
             "update CONFIGURA_COSTOS_PROD set COCP_VRAMOR = " + value + "; commit;");
         EXPECT_FALSE(Contains(output, "Statement failed")) << output;
       }},
  };
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.writer);
    const std::string value = std::to_string(4000 + ++round) + ".00";
    OpenWindow();
    Press(Qt::Key_F7);  // the panel shows the row as it is now
    ASSERT_TRUE(window_->AdvPanel1->isVisible());
    c.change(value);

    apptest::Type(window_->AdvPanel1->DBEdit4, "ZZ");
    QTest::mouseClick(window_->AdvPanel1->SpeedButton5, Qt::LeftButton);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, "Record not found or changed by another user.");
    EXPECT_EQ(boxes_.shown[0].icon, platform::MsgIcon::Stop);
    EXPECT_FALSE(window_->AdvPanel1->isVisible());
    // The other program's change stays; the window's is not written.
    const db::QueryResult after = Configuration();
    ASSERT_EQ(after.rows.size(), 1u);
    EXPECT_EQ(after.rows[0][2], value);
    EXPECT_EQ(after.rows[0][1], before.rows[0][1]);

    // Opened again, the panel shows the other program's value and saves on top of it.
    boxes_.shown.clear();
    Press(Qt::Key_F7);
    apptest::Type(window_->AdvPanel1->DBEdit4, "ZZ");
    QTest::mouseClick(window_->AdvPanel1->SpeedButton5, Qt::LeftButton);
    EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
    EXPECT_EQ(Configuration().rows[0][1].value_or("").substr(0, 2), "ZZ");
    CloseWindow();
    db::ExecuteScript(database_, "UPDATE CONFIGURA_COSTOS_PROD SET COCP_PREFEP = '" +
                                     before.rows[0][1].value_or("") + "';");
    boxes_.shown.clear();
  }
}

TEST_F(SharedLocalDatabase, AProgramInTheExclusiveModeGivesAMessageThatNamesTheCause) {
  const std::string cause = "another mode";
  const std::string sharedRoot = "FIREBIRD=" + SharedRoot();

  {
    // An exclusive isql-fb holds the file; the window's connect step fails at once.
    IsqlSession holder(database_, ExclusiveRoot());
    ASSERT_TRUE(Contains(holder.Run("select count(*) from CONFIGURA_COSTOS_PROD;"), "1"));
    QElapsedTimer timer;
    timer.start();
    OpenWindow();
    EXPECT_LT(timer.elapsed(), 20000);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    const std::string shown = boxes_.shown[0].text;
    EXPECT_TRUE(Contains(shown, kInUseInAnotherMode)) << shown;
    EXPECT_TRUE(Contains(shown, cause)) << shown;
    EXPECT_TRUE(Contains(shown, sharedRoot)) << shown;
    EXPECT_FALSE(dataModule_->Galvora->Connected());
    CloseWindow();

    // So does a batch export in the shared mode.
    Exporter shared(install_->Folder(), FirstOfMonth(), Out() / "shared.xls");
    EXPECT_EQ(shared.Finish(), 3);
    EXPECT_TRUE(Contains(shared.Error(), kInUseInAnotherMode)) << shared.Error();
    EXPECT_TRUE(Contains(shared.Error(), sharedRoot)) << shared.Error();
  }

  // The window holds the file in the shared mode; an exclusive batch export is refused.
  boxes_.shown.clear();
  OpenWindow();
  ASSERT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  Exporter exclusive(install_->Folder(), FirstOfMonth(), Out() / "exclusive.xls", ExclusiveRoot());
  EXPECT_EQ(exclusive.Finish(), 3);
  EXPECT_TRUE(Contains(exclusive.Error(), kInUseInAnotherMode)) << exclusive.Error();
  EXPECT_TRUE(Contains(exclusive.Error(), cause)) << exclusive.Error();
  EXPECT_FALSE(fs::exists(Out() / "exclusive.xls"));
  // Once the window lets the file go, the exclusive export works.
  CloseWindow();
  Exporter later(install_->Folder(), FirstOfMonth(), Out() / "exclusive.xls", ExclusiveRoot());
  EXPECT_EQ(later.Finish(), 0) << later.Error();
}

}  // namespace
