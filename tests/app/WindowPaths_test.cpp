// Folder and file names with accented letters, the euro sign and Cyrillic letters through the
// report window: the installation folder and server list it reads, the connect step's database
// name, the save command's file, and the messages that name a file.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/Controls.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "platform/RegionalSettings.h"
#include "platform/Registry.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/PathNames.h"
#include "tests/app/support/Window.h"

namespace fs = std::filesystem;

namespace {

class WindowPaths : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ =
        new fs::path(fs::temp_directory_path() / ("window_paths_" + std::to_string(::getpid())));
    fs::remove_all(*root_);
    for (const apptest::PathNames& names : apptest::kPathNames) {
      const fs::path company = *root_ / names.folder / "datos" / names.company;
      fs::create_directories(company);
      db::CreateCompanyDatabase(
          (company / "galvora.fdb").string(),
          {.sample =
               db::SampleData{.warehouses = 2, .months = 1, .firstYear = 2022, .firstMonth = 1}});
    }
  }
  static void TearDownTestSuite() {
    fs::remove_all(*root_);
    delete root_;
    unsetenv("QOR_REGISTRY");
    platform::ReloadSystemRegistry();
    platform::ReloadFormatSettings();
  }

  // The registry file names the folder in a CR LF file written as UTF-8 text; the server list
  // holds the folder's line in `serverLine` bytes.
  void Install(const fs::path& folder, const std::string& serverLine) {
    std::ofstream(folder / "SERVIDORES.cfg", std::ios::binary) << serverLine << "\r\n";
    const fs::path registry = *root_ / "registry.reg";
    std::ofstream(registry, std::ios::binary)
        << "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n\"Directorio\"=\""
        << folder.string()
        << "\"\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"
           "\"sShortDate\"=\"dd/MM/yyyy\"\r\n\"sDate\"=\"/\"\r\n";
    setenv("QOR_REGISTRY", registry.c_str(), 1);
    platform::ReloadSystemRegistry();
    platform::ReloadFormatSettings();
  }

  // The operator types the origin (the company as typed text) and leaves the company field.
  void Connect(const char* company) {
    window_->Tusua->setFocus();
    window_->Tusua->clear();
    QTest::keyClicks(window_->Tusua, "SYSDBA");
    window_->TClave->setFocus();
    window_->TClave->clear();
    QTest::keyClicks(window_->TClave, "masterkey");
    window_->Cia->setFocus();
    window_->Cia->clear();
    // Each character as a key that carries it, letters outside ASCII included.
    for (const QChar c : QString::fromUtf8(company)) {
      QTest::sendKeyEvent(QTest::Click, window_->Cia, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QTest::keyClick(window_->Cia, Qt::Key_Tab);
  }

  void TearDown() override {
    window_.reset();
    dataModule_.reset();
  }

  static fs::path* root_;
  apptest::RecordingBoxes boxes_;
  apptest::AnsweringSaveDialogs dialogs_;
  std::unique_ptr<Tfdm> dataModule_ = std::make_unique<Tfdm>();
  std::unique_ptr<Tfrepcostoav> window_;
};

fs::path* WindowPaths::root_ = nullptr;

TEST_F(WindowPaths, ConnectAndSaveUnderAccentedAndCyrillicNames) {
  for (const apptest::PathNames& names : apptest::kPathNames) {
    SCOPED_TRACE(names.folder);
    const fs::path folder = *root_ / names.folder;
    Install(folder, folder.string());
    Tfrepcostoav& w = apptest::OpenWindow(window_);
    ASSERT_EQ(w.Servidor->count(), 1);
    EXPECT_EQ(w.Servidor->currentText(), QString::fromUtf8(folder.string().c_str()));
    Connect(names.company);
    ASSERT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
    ASSERT_TRUE(fdm->Galvora->Connected());
    EXPECT_EQ(fdm->Galvora->Params().Values("Database"),
              folder.string() + "/datos/" + names.company + "/galvora.fdb");
    EXPECT_EQ(w.Panel5->Caption, QString::fromUtf8("Conectando a la base de datos ") +
                                     QString::fromUtf8(names.company) + " ...");

    // F4 on the grid: the report, then the save dialog answered with the name as chosen.
    w.EFecIni->setDate(QDate(2022, 1, 1));
    w.EFecFin->setDate(QDate(2022, 1, 31));
    const fs::path saves = folder / "saves";
    fs::create_directories(saves);
    dialogs_.answer = {true, (saves / names.file).string(), 2};
    w.DBGridEh2->setFocus();
    QTest::keyClick(w.DBGridEh2, Qt::Key_F4);
    ASSERT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
    EXPECT_EQ(apptest::Listing(saves), std::vector<std::string>{std::string(names.file) + ".csv"});
    if (&names == &apptest::kPathNames[3]) {
      EXPECT_TRUE(w.grab().save(apptest::ArtifactPath("window-cyrillic-folder.png")));
    }

    // A folder that does not exist: the message names the file once converted.
    const fs::path missing = folder / "no" / names.file;
    dialogs_.answer = {true, missing.string(), 5};
    QTest::keyClick(w.DBGridEh2, Qt::Key_F4);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].text, "Cannot create file \"" +
                                        platform::FileNameText(missing.string() + ".xls") +
                                        "\". No such file or directory.");
    boxes_.shown.clear();

    // A company without a database: the message names the file the same way.
    Connect("none");
    ASSERT_EQ(boxes_.shown.size(), 1u);
    const std::string database = folder.string() + "/datos/none/galvora.fdb";
    EXPECT_NE(boxes_.shown[0].text.find("(falta " + platform::FileNameText(database) + ")."),
              std::string::npos)
        << boxes_.shown[0].text;
    boxes_.shown.clear();
    window_.reset();
  }
}

// A server list copied from a Windows installation holds the folder in Windows-1252: the line
// is converted and the folder, named in UTF-8 on disk, opens.
TEST_F(WindowPaths, Windows1252ServerListLineOpensTheUtf8Folder) {
  const fs::path folder = *root_ / apptest::kPathNames[1].folder;
  Install(folder, platform::FileNameText(folder.string()));
  Tfrepcostoav& w = apptest::OpenWindow(window_);
  EXPECT_EQ(w.Servidor->currentText(), QString::fromUtf8(folder.string().c_str()));
  Connect(apptest::kPathNames[1].company);
  ASSERT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_TRUE(fdm->Galvora->Connected());
}

// The ERP starts the window with the server and the company on its command line.
TEST_F(WindowPaths, CommandLineServerAndCompanyKeepTheirBytes) {
  const apptest::PathNames& names = apptest::kPathNames[3];
  const fs::path folder = *root_ / names.folder;
  Install(folder, "/elsewhere");
  const char* argv[] = {
      "repcostoav", folder.c_str(), "SYSDBA", "masterkey", names.company, "", "", "", "", "",
      "1",          nullptr};
  apptest::OpenWindow(window_, report::ParseCommandLine(11, argv));
  ASSERT_TRUE(window_->isActiveWindow());
  EXPECT_EQ(window_->Cia->text(), QString::fromUtf8(names.company));
  ASSERT_TRUE(fdm->Galvora->Connected()) << (boxes_.shown.empty() ? "" : boxes_.shown[0].text);
  EXPECT_TRUE(window_->CRepcliente->Active());
}

}  // namespace
