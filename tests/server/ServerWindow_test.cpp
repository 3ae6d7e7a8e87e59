// The report window against a company database served by the Firebird server on loopback:
// credentials checked by the server, the server going away under a connected window, and
// hostile input in the server list, the registry file, the company code and the date text.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <fstream>
#include <memory>

#include "app/Controls.h"
#include "app/DateTimePicker.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "platform/Cp1252.h"
#include "platform/RegionalSettings.h"
#include "platform/Registry.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/Window.h"
#include "tests/server/support/ServedCompanyTest.h"
#include "tests/server/support/ServerSupport.h"

namespace {

const char kRegistryHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";

class ServerWindow : public servertest::ServedCompanyTest {
 public:  // the hostile-input cases reach the helpers through a reference
  void SetUp() override {
    ServedCompanyTest::SetUp();
    if (IsSkipped()) return;
    WriteFile("SERVIDORES.cfg", company->ServerEntry() + "\r\n");
    UseRegistry(InstallKey() + Regional("yyyy/MM/dd"));
    dataModule = std::make_unique<Tfdm>();
  }
  void TearDown() override {
    window.reset();
    dataModule.reset();
    unsetenv("QOR_REGISTRY");
    platform::ReloadSystemRegistry();
    platform::ReloadFormatSettings();
  }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(company->Folder() + "/" + name, std::ios::binary) << bytes;
  }
  std::string InstallKey() const {
    return "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n\"Directorio\"=\"" +
           company->Folder() + "\"\r\n\r\n";
  }
  static std::string Regional(const std::string& shortDate) {
    return "[HKEY_CURRENT_USER\\Control Panel\\International]\r\n\"sShortDate\"=\"" + shortDate +
           "\"\r\n\"sDate\"=\"/\"\r\n";
  }
  void UseRegistry(const std::string& body, bool header = true) {
    WriteFile("registry.reg", (header ? kRegistryHeader : "") + body);
    setenv("QOR_REGISTRY", (company->Folder() + "/registry.reg").c_str(), 1);
    platform::ReloadSystemRegistry();
    platform::ReloadFormatSettings();
  }

  Tfrepcostoav& Open(report::CommandLineArguments arguments = {}) {
    return apptest::OpenWindow(window, std::move(arguments));
  }
  void Press(Qt::Key key) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target != nullptr ? target : window.get(), key);
  }
  void Type(QLineEdit* edit, const std::string& text) {
    edit->setFocus();
    edit->setText(platform::ToQString(text));
  }
  // Types user, password and company and leaves the company field: the connect step.
  void ConnectStep(const std::string& password, const std::string& companyCode = "001") {
    Type(window->Tusua, "SYSDBA");
    Type(window->TClave, password);
    Type(window->Cia, companyCode);
    Press(Qt::Key_Tab);
  }
  // F2 over the sample data's month.
  void CalculateJanuary2022() {
    window->EFecIni->SetDate(QDate(2022, 1, 1));
    window->EFecFin->SetDate(QDate(2022, 1, 31));
    window->EFecIni->setFocus();
    Press(Qt::Key_F2);
  }

  apptest::RecordingBoxes boxes;
  std::unique_ptr<Tfdm> dataModule;
  std::unique_ptr<Tfrepcostoav> window;
};

TEST_F(ServerWindow, TheServerRefusesAWrongPasswordAndTheCorrectedOneConnects) {
  Tfrepcostoav& w = Open();
  ASSERT_EQ(w.Servidor->currentText().toStdString(), company->ServerEntry());
  ConnectStep("not-" + settings.password);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].icon, platform::MsgIcon::Stop);
  EXPECT_NE(boxes.shown[0].text.find("Your user name and password are not defined. Ask your "
                                     "database administrator to set up a Firebird login."),
            std::string::npos)
      << boxes.shown[0].text;
  EXPECT_FALSE(dataModule->Galvora->Connected());

  ConnectStep(settings.password);
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(dataModule->Galvora->Connected());
  EXPECT_EQ(dataModule->Galvora->Params().Values("Database"), company->Database());
  CalculateJanuary2022();
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(w.CRepcliente->RecordCount(), 5);
}

TEST_F(ServerWindow, F2AfterTheServerStoppedReportsAndAConnectStepWorksOnceItIsBack) {
  if (geteuid() != 0) GTEST_SKIP() << "stopping and starting the server needs root";
  Tfrepcostoav& w = Open();
  ConnectStep(settings.password);
  CalculateJanuary2022();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
  ASSERT_EQ(w.CRepcliente->RecordCount(), 5);

  ASSERT_EQ(servertest::ControlServer(settings, "stop"), 0);
  const auto started = std::chrono::steady_clock::now();
  CalculateJanuary2022();
  const auto waited = std::chrono::steady_clock::now() - started;
  ASSERT_EQ(servertest::ControlServer(settings, "start"), 0) << "the server did not come back";

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].icon, platform::MsgIcon::Stop);
  EXPECT_NE(boxes.shown[0].text.find("Error"), std::string::npos) << boxes.shown[0].text;
  EXPECT_LT(waited, std::chrono::seconds(60));
  EXPECT_FALSE(w.CRepcliente->Active());
  // The failed calculation takes its panel away: nothing is running any more.
  EXPECT_FALSE(w.Panel5->isVisible());

  ConnectStep(settings.password);
  EXPECT_EQ(boxes.shown.size(), 1u) << boxes.shown.back().text;
  EXPECT_TRUE(dataModule->Galvora->Connected());
  CalculateJanuary2022();
  EXPECT_EQ(boxes.shown.size(), 1u) << boxes.shown.back().text;
  EXPECT_EQ(w.CRepcliente->RecordCount(), 5);
  EXPECT_FALSE(w.Panel5->isVisible());
}

// Each case prepares the installation, opens the window and does what an operator would; the window
// must show one box with a clear message (or run the report unharmed), stay usable (a good connect
// step and F2 work afterwards) and leave the configuration table as it was.
TEST_F(ServerWindow, HostileInputGivesAClearErrorAndNoHarm) {
  const std::string entry = company->ServerEntry();
  const std::string junk("\x01\xFF\x00\x7F\x1B[2J\xC3\x28\x00\r\n", 14);
  struct Case {
    const char* name;
    std::function<void(ServerWindow&)> prepare;  // before the window opens
    std::function<void(ServerWindow&)> act;      // with the window open
    const char* message;  // part of the one box it shows; nullptr: no box, the report ran
  };
  auto connectWith = [](const std::string& companyCode) {
    return [companyCode](ServerWindow& t) { t.ConnectStep(t.settings.password, companyCode); };
  };
  const Case cases[] = {
      {"server list line of 10,000 bytes",
       [&](ServerWindow& t) {
         t.WriteFile("SERVIDORES.cfg", std::string(10000, 'A') + "\r\n" + entry + "\r\n");
       },
       // The company has no database under that folder: said in the operator's words.
       connectWith("001"), "no tiene base de datos"},
      {"server list with NUL bytes and binary junk",
       [&](ServerWindow& t) {
         t.WriteFile("SERVIDORES.cfg", junk + std::string("\0\0\0", 3) + "\r\n" + junk + entry +
                                           "\r\n");
       },
       // Lines that are not UTF-8 are read as Windows-1252: the server looks for that folder.
       connectWith("001"), "no tiene base de datos"},
      {"server list that is all junk without a line end",
       [&](ServerWindow& t) { t.WriteFile("SERVIDORES.cfg", std::string(4096, '\xFE') + junk); },
       connectWith("001"), "I/O error during \"open\" operation"},
      {"registry file truncated in a section name and a value",
       [&](ServerWindow& t) {
         t.UseRegistry("[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galva\r\n\"Directorio\"=\"" +
                       t.company->Folder());
       },
       nullptr, "No se encontr"},
      {"registry file with malformed lines and no header",
       [&](ServerWindow& t) {
         t.UseRegistry("garbage\r\n[\r\n]=\r\n\"x\"=hex(2):zz,\r\n\"y\"=dword:nothex\r\n" +
                           t.InstallKey() + "\"Directorio\"=hex:00,01\r\n\xFF\xFE\x00\r\n",
                       false);
       },
       nullptr, "Invalid data type for 'Directorio'"},
      {"company code holding quotes and SQL",
       nullptr, connectWith("001' or '1'='1; delete from CONFIGURA_COSTOS_PROD; --"),
       "no tiene base de datos"},
      {"company code holding a path climb",
       nullptr, connectWith("../../../../etc/passwd\"; drop table CONFIGURA_COSTOS_PROD"),
       "no tiene base de datos"},
      {"short date picture holding quotes and SQL",
       [](ServerWindow& t) {
         t.UseRegistry(t.InstallKey() +
                       Regional("yyyy/MM/dd\\\"'); delete from CONFIGURA_COSTOS_PROD; --\\\""));
       },
       [](ServerWindow& t) {
         t.ConnectStep(t.settings.password);
         t.CalculateJanuary2022();
       },
       // The dates go to the database in ISO form: the picture never reaches the SQL text.
       nullptr},
      {"command-line start date holding quotes and SQL",
       nullptr,
       [](ServerWindow& t) {
         t.window.reset();
         t.Open({.server = t.company->ServerEntry(), .user = "SYSDBA",
                 .password = t.settings.password, .company = "001", .autoSwitch = "1",
                 .startDate = "2022/01/01'); delete from CONFIGURA_COSTOS_PROD; --"});
       },
       "is not a valid date"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.shown.clear();
    if (c.prepare) c.prepare(*this);
    Open();
    if (c.act) c.act(*this);
    if (c.message == nullptr) {
      EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
      EXPECT_EQ(window->CRepcliente->RecordCount(), 5);
    } else {
      ASSERT_EQ(boxes.shown.size(), 1u);
      EXPECT_NE(boxes.shown[0].text.find(c.message), std::string::npos) << boxes.shown[0].text;
    }
    EXPECT_EQ(ConfigurationRows(), 1);

    // Still usable: a good installation, a good connect step and F2.
    window.reset();
    WriteFile("SERVIDORES.cfg", entry + "\r\n");
    UseRegistry(InstallKey() + Regional("yyyy/MM/dd"));
    boxes.shown.clear();
    Tfrepcostoav& w = Open();
    ConnectStep(settings.password);
    CalculateJanuary2022();
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
    EXPECT_EQ(w.CRepcliente->RecordCount(), 5);
    window.reset();
  }
}

}  // namespace
