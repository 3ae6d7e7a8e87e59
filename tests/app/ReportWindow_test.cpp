// The report window on the off-screen platform, driven by real key and focus events, over real
// embedded company databases.

#include "app/DateTimePicker.h"
#include "app/rngrepcostoav.h"

#include <gtest/gtest.h>

#include <new>

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "app/ConfigPanel.h"
#include "app/Controls.h"
#include "app/DBEdit.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "grid/DBGridEh.h"
#include "grid/DBNavigator.h"
#include "platform/Cp1252.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/Installation.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/app/support/Window.h"

namespace {

using apptest::Installation;

class ReportWindowTest : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() {
    Installation& install = NewInstallation();
    install.AddCompany("001", 3);
    install.AddCompanyWithScript("002", apptest::ProcedureScript("CODBOD", true));
    install.AddCompanyWithScript("003", apptest::ProcedureScript("", false));
    install.AddCompany("004", 1);
  }

  apptest::RecordingBoxes boxes_;
};

TEST_F(ReportWindowTest, LayoutCaptionsAndStartState) {
  Tfrepcostoav& w = Open();
  EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Reporte Costos Av\u00EDcola"));
  EXPECT_EQ(w.size(), QSize(1420, 654));
  const struct {
    QWidget* widget;
    QRect geometry;
  } cases[] = {
      {w.Panel2, {0, 0, 1420, 41}},          {w.Label2, {11, 8, 1182, 25}},
      {w.Panel4, {0, 41, 1420, 109}},        {w.GroupBox1, {1, 1, 353, 107}},
      {w.Panel6, {354, 1, 412, 107}},        {w.Panel3, {0, 150, 1420, 504}},
      {w.Servidor, {76, 8, 120, 21}},        {w.Tusua, {76, 32, 97, 21}},
      {w.TClave, {76, 56, 97, 21}},          {w.Cia, {76, 80, 45, 21}},
      {w.EFecIni, {88, 24, 97, 21}},         {w.EFecFin, {88, 48, 97, 21}},
      {w.SpeedButton3, {856, 25, 65, 50}},   {w.SpeedButton1, {952, 25, 65, 50}},
      {w.SpeedButton4, {1048, 25, 65, 50}},  {w.SpeedButton2, {1144, 25, 65, 50}},
      {w.DBNavigator1, {1, 485, 1418, 18}},  {w.DBGridEh2, {1, 1, 1418, 484}},
      {w.AdvPanel1, {456, 64, 313, 169}},    {w.Panel5, {366, 192, 337, 41}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.widget->geometry(), c.geometry) << c.widget->objectName().toStdString();
  }
  EXPECT_EQ(w.SpeedButton3->text(), "F2: Calcular");
  EXPECT_EQ(w.SpeedButton1->text(), "F4: Exportar");
  EXPECT_EQ(w.SpeedButton4->text(), "F7:Configura");
  EXPECT_EQ(w.SpeedButton2->text(), "Esc: Cancelar");
  EXPECT_FALSE(w.SpeedButton3->isEnabled());
  EXPECT_FALSE(w.SpeedButton1->isEnabled());
  EXPECT_FALSE(w.SpeedButton4->isEnabled());
  EXPECT_TRUE(w.SpeedButton2->isEnabled());
  EXPECT_EQ(w.SpeedButton3->font().family(), "Arial Narrow");
  EXPECT_EQ(w.Panel5->font().family(), "MS Sans Serif");
  EXPECT_FALSE(w.Panel5->isVisible());
  EXPECT_FALSE(w.AdvPanel1->isVisible());
  EXPECT_EQ(w.TClave->echoMode(), QLineEdit::Password);
  EXPECT_EQ(w.EFecIni->Date(), QDate(2003, 1, 20));
  EXPECT_EQ(w.EFecIni->text(), "2003/01/20");
  EXPECT_FALSE(w.ExportFlag());
  QStringList menu;
  for (QAction* action : w.PopupMenu1->actions()) menu << action->text();
  EXPECT_EQ(menu, QStringList({"&Copiar", "Se&lecccionar todo", "",
                               QString::fromUtf8("&Guardar selecci\u00F3n"), "&Imprimir...",
                               "Co&mparativo...\tF8"}));
  ASSERT_EQ(w.DBGridEh2->Columns().Count(), 22);
  EXPECT_EQ(w.CRepcliente->Fields().Count(), 22);
  EXPECT_EQ(w.CRepcliente->Fields()[0].Name(), "CRepclienteCODBOD");
  EXPECT_TRUE(boxes_.shown.empty());

  // Enter moves forwards through the origin inputs and on to the start date; nothing connects
  // while the company is empty.
  w.Servidor->setFocus();
  const QWidget* expected[] = {w.Tusua, w.TClave, w.Cia};
  for (const QWidget* next : expected) {
    Press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
  Press(Qt::Key_Return);
  EXPECT_TRUE(w.EFecIni->hasFocus());
  EXPECT_FALSE(dataModule_->Galvora->Connected());
}

TEST_F(ReportWindowTest, LeavingCiaConnectsAndSetsTheCurrentMonthEachTime) {
  Tfrepcostoav& w = Open();
  ASSERT_EQ(w.Servidor->currentText().toStdString(), install_->Folder());
  for (int pass = 0; pass < 2; ++pass) {
    w.EFecIni->SetDate(QDate(2010, 5, 5));
    w.EFecFin->SetDate(QDate(2010, 5, 6));
    TypeOrigin("001");
    EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
    EXPECT_TRUE(dataModule_->Galvora->Connected());
    EXPECT_EQ(dataModule_->Galvora->Params().Values("Database"), install_->DatabasePath("001"));
    EXPECT_EQ(w.EFecIni->Date(), FirstOfMonth());
    EXPECT_EQ(w.EFecFin->Date(), LastOfMonth());
    EXPECT_TRUE(w.EFecIni->hasFocus());
    EXPECT_FALSE(w.Panel5->isVisible());
    EXPECT_TRUE(w.SpeedButton3->isEnabled());
    EXPECT_TRUE(w.SpeedButton1->isEnabled());
    EXPECT_TRUE(w.SpeedButton4->isEnabled());
  }
  // The password line keeps its place and takes the name as the step spells it.
  const TConnectionParams& params = dataModule_->Galvora->Params();
  ASSERT_EQ(params.Count(), 13);
  EXPECT_EQ(params[6], "password=masterkey");
  EXPECT_EQ(params[11], "User_Name=SYSDBA");
}

TEST_F(ReportWindowTest, F2FillsTheGridAndHidesTheStatusPanelButNotWithModifiers) {
  Tfrepcostoav& w = Open();
  TypeOrigin("001");
  for (Qt::KeyboardModifier modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
    Press(Qt::Key_F2, modifier);
    EXPECT_FALSE(w.CRepcliente->Active());
  }
  Press(Qt::Key_F2);
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  ASSERT_TRUE(w.CRepcliente->Active());
  EXPECT_EQ(w.CRepcliente->RecordCount(), 3);
  EXPECT_FALSE(w.Panel5->isVisible());
  EXPECT_EQ(w.Panel5->Caption, "Generando reporte. Espere un momento...");
  const std::string expected = " select * from COSTOS_AVICOLA ('" +
                               FirstOfMonth().toString("yyyy-MM-dd").toStdString() + "','" +
                               LastOfMonth().toString("yyyy-MM-dd").toStdString() + "')";
  EXPECT_EQ(w.CRepcliente->CommandText(), expected);
  EXPECT_TRUE(w.DBGridEh2->DataLinkActive());
  EXPECT_EQ(w.DBGridEh2->Columns()[0]->Title().Caption(), "Bodega");

  // The window after a calculation, kept as a test artifact.
  EXPECT_TRUE(w.grab().save(apptest::ArtifactPath("window.png")));

  // Select all acts only on the focused grid.
  w.EFecIni->setFocus();
  w.ppmSelectAll->trigger();
  EXPECT_EQ(w.DBGridEh2->Selection().SelectionType(), gstNon);
  w.DBGridEh2->setFocus();
  w.ppmSelectAll->trigger();
  EXPECT_EQ(w.DBGridEh2->Selection().SelectionType(), gstAll);

  // Esc closes the window and the report's result set.
  Press(Qt::Key_Escape);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.CRepcliente->Active());
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(ReportWindowTest, APeriodWithoutRowsSaysSoAndOpensNoSaveDialog) {
  apptest::AnsweringSaveDialogs dialogs;
  Tfrepcostoav& w = Open();
  TypeOrigin("003");
  Press(Qt::Key_F4);
  EXPECT_TRUE(w.ExportFlag());
  EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{"No hay datos para el reporte."});
  EXPECT_TRUE(dialogs.requests.empty());
  EXPECT_TRUE(w.CRepcliente->Active());
  EXPECT_TRUE(w.CRepcliente->IsEmpty());
  EXPECT_FALSE(w.Panel5->isVisible());
}

TEST_F(ReportWindowTest, RunningOutOfMemoryWhileTheRowsArriveSaysSoNotADatabaseError) {
  Tfrepcostoav& w = Open();
  TypeOrigin("001");
  w.PRepcliente->BeforeGetRecords = [](TDataSetProvider&, TVariant&) { throw std::bad_alloc(); };
  Press(Qt::Key_F2);
  // No address space limit in the tests: the message names none.
  EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{"Out of memory while reading the report."});
  EXPECT_FALSE(w.CRepcliente->Active());
  EXPECT_FALSE(w.Panel5->isVisible());
}

TEST_F(ReportWindowTest, AWrongDatabaseShowsTheErrorAndTakesTheConnectingPanelAway) {
  Tfrepcostoav& w = Open();
  TypeOrigin("999");
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].icon, platform::MsgIcon::Stop);
  EXPECT_EQ(boxes_.shown[0].caption, "tests_app");
  EXPECT_FALSE(boxes_.shown[0].text.empty());
  EXPECT_FALSE(dataModule_->Galvora->Connected());
  // Nothing is running any more: no panel saying so, no wait cursor.
  EXPECT_FALSE(w.Panel5->isVisible());
  EXPECT_EQ(w.Panel5->Caption, "Conectando a la base de datos 999 ...");
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(w.SpeedButton3->isEnabled());
  EXPECT_EQ(w.EFecIni->Date(), QDate(2003, 1, 20));

  // The next connect works as the first.
  TypeOrigin("001");
  EXPECT_EQ(boxes_.shown.size(), 1u);
  EXPECT_FALSE(w.Panel5->isVisible());
  EXPECT_TRUE(w.SpeedButton3->isEnabled());
}

TEST_F(ReportWindowTest, F2BeforeAnyConnectUsesTheStoredParameters) {
  Tfrepcostoav& w = Open();
  // The stored database does not exist here: the error box; the panel goes with the cursor.
  Press(Qt::Key_F2);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].icon, platform::MsgIcon::Stop);
  EXPECT_FALSE(w.Panel5->isVisible());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(w.Busy());
  EXPECT_EQ(w.Panel5->Caption, "Generando reporte. Espere un momento...");
  EXPECT_FALSE(w.CRepcliente->Active());

  // Stored parameters that name a real database: the report comes from it.
  dataModule_->Galvora->Params().SetValue("Database", install_->DatabasePath("001"));
  w.EFecIni->SetDate(FirstOfMonth());
  w.EFecFin->SetDate(LastOfMonth());
  Press(Qt::Key_F2);
  EXPECT_EQ(boxes_.shown.size(), 1u);
  EXPECT_TRUE(dataModule_->Galvora->Connected());
  ASSERT_TRUE(w.CRepcliente->Active());
  EXPECT_EQ(w.CRepcliente->RecordCount(), 3);
  EXPECT_FALSE(w.Panel5->isVisible());
  EXPECT_FALSE(w.SpeedButton3->isEnabled());
}

TEST_F(ReportWindowTest, AMissingColumnStopsTheOpenNamingTheFieldByItsLabel) {
  Tfrepcostoav& w = Open();
  TypeOrigin("002");
  Press(Qt::Key_F2);
  EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{"CRepcliente: Field 'Bodega' not found."});
  EXPECT_FALSE(w.CRepcliente->Active());
  EXPECT_FALSE(w.Panel5->isVisible());
}

TEST_F(ReportWindowTest, TheExportFlagStaysOnAndEveryCalculationWithRowsSaves) {
  apptest::AnsweringSaveDialogs dialogs;
  dialogs.answer = {true, install_->Folder() + "/Costos", 2};
  Tfrepcostoav& w = Open();
  TypeOrigin("001");
  w.DBGridEh2->setFocus();
  Press(Qt::Key_F4);
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].fileName, "Costos");
  EXPECT_EQ(w.DBGridEh2->Selection().SelectionType(), gstAll);
  const QFileInfo file(QString::fromStdString(install_->Folder() + "/Costos.csv"));
  EXPECT_TRUE(file.exists());
  EXPECT_GT(file.size(), 0);

  // A plain F2 after the export also ends in the save dialog, opened with the entry chosen.
  dialogs.answer.accepted = false;
  Press(Qt::Key_F2);
  ASSERT_EQ(dialogs.requests.size(), 2u);
  EXPECT_EQ(dialogs.requests[1].filterIndex, 2);
  EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(ReportWindowTest, TheConfigurationPanelEditsTheFirstRowAndF2DoesNotSave) {
  Tfrepcostoav& w = Open();
  TypeOrigin("004");
  Press(Qt::Key_F7);
  ASSERT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  app::TConfigPanel& panel = *w.AdvPanel1;
  ASSERT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.DBEdit1->text(), "VAC");
  EXPECT_EQ(panel.DBEdit4->text(), "EH");

  // Field sizes and the number filter hold while typing.
  panel.DBEdit4->setFocus();
  panel.DBEdit4->selectAll();
  QTest::keyClicks(panel.DBEdit4, "HVOSX");
  EXPECT_EQ(panel.DBEdit4->text(), "HVOS");
  panel.DBEdit6->setFocus();
  panel.DBEdit6->selectAll();
  QTest::keyClicks(panel.DBEdit6, "17a250.5");
  EXPECT_EQ(panel.DBEdit6->text(), "17250.5");

  // A number that does not convert is refused on leaving: the edit keeps the focus, selected.
  panel.DBEdit7->setFocus();
  panel.DBEdit7->selectAll();
  QTest::keyClicks(panel.DBEdit7, "1.2.3");
  Press(Qt::Key_Tab);
  EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{"1.2.3 is not a valid BCD value."});
  EXPECT_TRUE(panel.DBEdit7->hasFocus());
  EXPECT_EQ(panel.DBEdit7->selectedText(), "1.2.3");
  boxes_.shown.clear();
  panel.DBEdit7->selectAll();
  QTest::keyClicks(panel.DBEdit7, "2.7778");

  // F7 again and F2 leave the panel and the typed text; F2 recomputes behind it.
  Press(Qt::Key_F7);
  Press(Qt::Key_F2);
  EXPECT_TRUE(panel.isVisible());
  EXPECT_TRUE(w.CRepcliente->Active());
  EXPECT_EQ(panel.DBEdit6->text(), "17250.5");
  EXPECT_EQ(db::QueryText(install_->DatabasePath("004"),
                          "SELECT COCP_PREFEP FROM CONFIGURA_COSTOS_PROD").rows[0][0],
            "EH");

}

TEST_F(ReportWindowTest, SavingTheConfigurationWritesTheChangesAndHidesThePanel) {
  Tfrepcostoav& w = Open();
  TypeOrigin("004");
  Press(Qt::Key_F7);
  app::TConfigPanel& panel = *w.AdvPanel1;
  panel.DBEdit4->setFocus();
  panel.DBEdit4->selectAll();
  QTest::keyClicks(panel.DBEdit4, "HVOS");
  panel.DBEdit6->setFocus();
  panel.DBEdit6->selectAll();
  QTest::keyClicks(panel.DBEdit6, "17250.5");
  // The save button takes no focus: the text of the edit being typed in is posted too.
  QTest::mouseClick(panel.SpeedButton5, Qt::LeftButton);
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_FALSE(panel.isVisible());
  EXPECT_FALSE(w.CConfrep->Active());
  const db::QueryResult row = db::QueryText(
      install_->DatabasePath("004"), "SELECT COCP_PREFEP, COCP_VRAMOR FROM CONFIGURA_COSTOS_PROD");
  EXPECT_EQ(row.rows[0][0], "HVOS");
  EXPECT_EQ(row.rows[0][1], "17250.50");

  // Open and save without a change: the panel closes, nothing else happens.
  Press(Qt::Key_F7);
  EXPECT_EQ(panel.DBEdit4->text(), "HVOS");
  QTest::mouseClick(panel.SpeedButton5, Qt::LeftButton);
  EXPECT_FALSE(panel.isVisible());
  EXPECT_TRUE(boxes_.shown.empty());
}

report::CommandLineArguments Arguments(const std::vector<std::string>& tail) {
  std::vector<std::string> all{"repcostoav"};
  all.insert(all.end(), tail.begin(), tail.end());
  return report::ParseCommandLine(all);
}

TEST_F(ReportWindowTest, TheCommandLineConnectsAndComputesWithoutAKey) {
  const std::string folder = install_->Folder();
  const std::string second = FirstOfMonth().addDays(1).toString("yyyy/MM/dd").toStdString();
  const struct {
    std::vector<std::string> arguments;
    bool computed;
    QDate start;
    std::vector<std::string> shown;
  } cases[] = {
      {{folder, "SYSDBA", "masterkey", "001", "", "", "", "", "", "1"}, true, FirstOfMonth(), {}},
      {{folder, "SYSDBA", "masterkey", "001", "", "", "", "", "", "1", second},
       true, FirstOfMonth().addDays(1), {}},
      {{folder, "SYSDBA", "masterkey", "001", "", "", "", "", "", "1", "2022/13/45"},
       false, FirstOfMonth(), {"'2022/13/45' is not a valid date."}},
      {{folder, "SYSDBA", "masterkey", "001"}, false, QDate(2003, 1, 20), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.size());
    boxes_.shown.clear();
    window_.reset();
    dataModule_ = std::make_unique<Tfdm>();
    Tfrepcostoav& w = Open(Arguments(c.arguments));
    EXPECT_EQ(boxes_.Texts(), c.shown);
    EXPECT_EQ(w.CRepcliente->Active(), c.computed);
    if (c.computed) {
      EXPECT_EQ(w.CRepcliente->RecordCount(), 3);
    }
    EXPECT_EQ(w.EFecIni->Date(), c.start);
    const bool automatic = c.arguments.size() >= 10;
    EXPECT_EQ(dataModule_->Galvora->Connected(), automatic);
    EXPECT_EQ(w.Cia->text().isEmpty(), !automatic);
    if (automatic) {
      EXPECT_EQ(w.EFecFin->Date(), LastOfMonth());
      EXPECT_EQ(w.Servidor->count(), 1);
    }
  }
}

TEST(ReportWindowServerListTest, ServerListAndRegistryCases) {
  const struct {
    const char* name;
    std::string registry;  // "" = the usual one
    std::string file;      // bytes of SERVIDORES.cfg; "-" = no file
    std::vector<std::string> items;
    int current;
    std::vector<std::string> shown;
  } cases[] = {
      {"two lines", "", "a\r\nb\r\n", {"a", "b"}, 0, {}},
      {"no last line end", "", "a\r\nb", {"a"}, 0, {}},
      {"CR eats the next byte", "", "a\rb\n", {"a", ""}, 0, {}},
      {"lone LFs", "", "a\n\nb\r\n", {"a", "", "b"}, 0, {}},
      {"leading line end", "", "\r\nx\r\n", {"", "x"}, 0, {}},
      {"255 characters", "", std::string(255, 's') + "\r\n", {std::string(255, 's')}, 0, {}},
      {"longer line kept to 255", "", std::string(300, 'L') + "\r\nz\r\n",
       {std::string(255, 'L'), "z"}, 0, {}},
      {"NUL cuts the entry", "", std::string("ab\0cd\r\n", 7), {"ab"}, 0, {}},
      {"empty file", "", "", {}, -1, {}},
      {"no file", "", "-", {}, -1, {}},
      {"older key", "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2024]\r\n\"Directorio\"=\"@\"\r\n",
       "k\r\n", {"k"}, 0, {}},
      {"no key", "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Otro]\r\n", "k\r\n", {}, -1,
       {"No se encontr\xF3 la Clave HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025\\Directorio"}},
      {"not a string", "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n"
                       "\"Directorio\"=dword:00000001\r\n",
       "k\r\n", {"c:\\galvora"}, 0, {"Invalid data type for 'Directorio'"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    apptest::RecordingBoxes boxes;
    Installation install;
    if (c.file != "-") install.WriteFile("SERVIDORES.cfg", c.file);
    if (!c.registry.empty()) {
      std::string registry = c.registry;
      if (const size_t at = registry.find('@'); at != std::string::npos) {
        registry.replace(at, 1, install.Folder());
      }
      install.UseRegistry(registry);
    }
    Tfdm dataModule;
    Tfrepcostoav window;
    std::vector<std::string> items;
    for (int i = 0; i < window.Servidor->count(); ++i) {
      items.push_back(platform::FromQString(window.Servidor->itemText(i)));
    }
    EXPECT_EQ(items, c.items);
    EXPECT_EQ(window.Servidor->currentIndex(), c.current);
    EXPECT_EQ(boxes.Texts(), c.shown);
  }
}

}  // namespace
