// Saving the configuration panel of the real window: what is written is what the operator
// changed, characters the table cannot store are refused while typing, and a row held by
// another program ends the save after a bounded wait with the changes kept.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <functional>
#include <memory>

#include "app/ConfigPanel.h"
#include "app/DBEdit.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "db/FbClient.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/app/support/Window.h"

namespace {

// Chooses the action `name` ("Paste", "Cut", "Delete", "Undo") from the menu
// the edit opens on a right click, as the operator does.
void ChooseFromContextMenu(QLineEdit* edit, const char* name) {
  const QPoint at = edit->rect().center();
  QTest::mouseClick(edit, Qt::RightButton, {}, at);
  // The click's menu request, as the window system follows a right click with one.
  QContextMenuEvent request(QContextMenuEvent::Mouse, at, edit->mapToGlobal(at));
  QApplication::sendEvent(edit, &request);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  QAction* action = nullptr;
  for (QAction* each : menu->actions()) {
    // "&Paste\tCtrl+V" is "Paste".
    if (each->text().section('\t', 0, 0).remove('&') == QLatin1String(name)) action = each;
  }
  ASSERT_NE(action, nullptr) << name;
  ASSERT_TRUE(action->isEnabled()) << name;
  menu->setActiveAction(action);
  QTest::keyClick(menu, Qt::Key_Return);
}

class ConfigPanelSave : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation().AddCompany("001", 1); }
  void SetUp() override {
    ReportWindowFixture::SetUp();
    db::ExecuteScript(Database(),
                      "update CONFIGURA_COSTOS_PROD set COCP_PREFSA = 'SA ', COCP_PREFEP = 'EH',"
                      " COCP_CODINS2 = 'VAC', COCP_VRAMOR = 100;");
    // A row held by another program is given up after one second.
    dataModule_->Galvora->Params().SetValue("Lock Timeout", "1");
    Open();
    Connect();
    Press(Qt::Key_F7);
    ASSERT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
    ASSERT_TRUE(window_->AdvPanel1->isVisible());
  }

  static std::string Database() { return install_->DatabasePath("001"); }
  static std::optional<std::string> Column(const std::string& name) {
    return db::QueryText(Database(), "SELECT " + name + " FROM CONFIGURA_COSTOS_PROD").rows[0][0];
  }
  app::TConfigPanel& Panel() { return *window_->AdvPanel1; }
  void Save() { QTest::mouseClick(Panel().SpeedButton5, Qt::LeftButton); }

  apptest::RecordingBoxes boxes_;
};

TEST_F(ConfigPanelSave, OnlyWhatChangedIsWrittenAndUntouchedTextKeepsItsBytes) {
  app::TConfigPanel& panel = Panel();
  EXPECT_EQ(panel.DBEdit5->text(), "SA ");
  struct Case {
    app::TDBEdit* edit;
    const char* typed;
    const char* prefsa;  // the column after the save
    const char* vramor;
  } cases[] = {
      {panel.DBEdit5, "SA ", "SA ", "100.00"},  // retyped as shown
      {panel.DBEdit5, "SA", "SA ", "100.00"},   // equal but for the trailing blank
      {panel.DBEdit1, "VAC", "SA ", "100.00"},  // another edit retyped
      {panel.DBEdit6, "250", "SA ", "250.00"},  // another column changed
      {panel.DBEdit5, "SB", "SB", "250.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    if (!panel.isVisible()) Press(Qt::Key_F7);
    apptest::Type(c.edit, c.typed);
    Press(Qt::Key_Tab);
    Save();
    EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(Column("COCP_PREFSA"), c.prefsa);
    EXPECT_EQ(Column("COCP_VRAMOR"), c.vramor);
  }
}

TEST_F(ConfigPanelSave, CharactersOutsideTheCodePageAreRefusedWhileTyping) {
  app::TConfigPanel& panel = Panel();
  // Typed: the Cyrillic letter and the emoji are refused, the euro sign (0x80) is taken.
  panel.DBEdit1->setFocus();
  panel.DBEdit1->selectAll();
  for (const char* typed : {"A", "\xD0\x96", "\xE2\x82\xAC", "\xF0\x9F\x90\x94", "B"}) {
    // One key each, carrying its text as a keyboard layout gives it.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(typed));
    QApplication::sendEvent(panel.DBEdit1, &press);
  }
  EXPECT_EQ(panel.DBEdit1->text(), QString::fromUtf8("A\xE2\x82\xAC" "B"));
  // Pasted: the whole paste is refused.
  QApplication::clipboard()->setText(QString::fromUtf8("X\xD0\x96"));
  panel.DBEdit1->end(false);
  QTest::keyClick(panel.DBEdit1, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(panel.DBEdit1->text(), QString::fromUtf8("A\xE2\x82\xAC" "B"));
  Press(Qt::Key_Tab);
  Save();
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_EQ(Column("COCP_CODINS2"), "A\x80" "B");

  // A paste the table can store is saved like typing.
  Press(Qt::Key_F7);
  QApplication::clipboard()->setText(QString::fromUtf8("PEGADO\xC3\x91"));
  panel.DBEdit1->setFocus();
  panel.DBEdit1->selectAll();
  QTest::keyClick(panel.DBEdit1, Qt::Key_V, Qt::ControlModifier);
  Press(Qt::Key_Tab);
  Save();
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_EQ(Column("COCP_CODINS2"), "PEGADO\xD1");
}

TEST_F(ConfigPanelSave, ContextMenuChangesFollowTheRulesOfTypingAndAreSaved) {
  app::TConfigPanel& panel = Panel();
  const auto selectAll = [](QLineEdit* edit) { edit->selectAll(); };
  struct Case {
    app::TDBEdit* edit;
    std::function<void(QLineEdit*)> select;
    const char* clipboard;  // set before the action when not null
    const char* action;
    const char* shown;  // UTF-8
  } cases[] = {
      {panel.DBEdit4, selectAll, "XY", "Paste", "XY"},
      {panel.DBEdit4, nullptr, nullptr, "Undo", "EH"},
      {panel.DBEdit4, selectAll, "HV", "Paste", "HV"},
      {panel.DBEdit1, [](QLineEdit* e) { e->setSelection(0, 2); }, nullptr, "Cut", "C"},
      {panel.DBEdit5, selectAll, "\xD0\x96", "Paste", "SA "},  // not in the code page
      {panel.DBEdit5, selectAll, "A\tB", "Paste", "SA "},      // typing gives no tab
      {panel.DBEdit5, [](QLineEdit* e) { e->setSelection(0, 1); }, nullptr, "Delete", "A "},
      {panel.DBEdit6, selectAll, "12a", "Paste", "100"},  // not a number's character
      {panel.DBEdit6, selectAll, "250", "Paste", "250"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.action) + " " + c.edit->objectName().toStdString());
    c.edit->setFocus();
    if (c.select) c.select(c.edit);
    if (c.clipboard != nullptr) QApplication::clipboard()->setText(QString::fromUtf8(c.clipboard));
    ChooseFromContextMenu(c.edit, c.action);
    EXPECT_EQ(c.edit->text(), QString::fromUtf8(c.shown));
  }
  Press(Qt::Key_Tab);
  Save();
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_FALSE(panel.isVisible());
  EXPECT_EQ(Column("COCP_PREFEP"), "HV");
  EXPECT_EQ(Column("COCP_CODINS2"), "C");
  EXPECT_EQ(Column("COCP_PREFSA"), "A");  // as typed: a changed text keeps no trailing blank
  EXPECT_EQ(Column("COCP_VRAMOR"), "250.00");
}

TEST_F(ConfigPanelSave, ARowHeldByAnotherProgramEndsTheSaveWithTheChangesKept) {
  db::Attachment other = db::Attachment::Open(Database(), "SYSDBA", "masterkey");
  other.StartTransaction();
  other.Execute("update CONFIGURA_COSTOS_PROD set COCP_CODINS3 = 'OTRO'");
  app::TConfigPanel& panel = Panel();
  apptest::Type(panel.DBEdit6, "250");
  Press(Qt::Key_Tab);
  Save();
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text.rfind("La configuraci\xF3n no se guard\xF3: otro usuario o programa "
                                       "la est\xE1 modificando",
                                       0),
            0u)
      << boxes_.shown[0].text;
  EXPECT_TRUE(panel.isVisible());
  EXPECT_TRUE(window_->CConfrep->Active());
  EXPECT_EQ(panel.DBEdit6->text(), "250");
  boxes_.shown.clear();

  // Once the other program is done, the same button saves the kept change.
  other.Rollback();
  Save();
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_FALSE(panel.isVisible());
  EXPECT_EQ(Column("COCP_VRAMOR"), "250.00");
}

TEST_F(ConfigPanelSave, CaptionsClearTheirEditsAndCodeEditsShowFifteenCharacters) {
  app::TConfigPanel& panel = Panel();
  const QList<QLabel*> labels = panel.findChildren<QLabel*>();
  ASSERT_EQ(labels.size(), 6);
  for (app::TDBEdit* edit : {panel.DBEdit1, panel.DBEdit2, panel.DBEdit4, panel.DBEdit5,
                             panel.DBEdit6, panel.DBEdit7}) {
    SCOPED_TRACE(edit->objectName().toStdString());
    for (const QLabel* label : labels) {
      // A caption's text ends at least a few pixels before the edits begin.
      const int textRight = label->x() + label->fontMetrics().horizontalAdvance(label->text());
      EXPECT_LE(textRight + 4, edit->x()) << label->text().toStdString();
    }
    EXPECT_LE(edit->geometry().right(), panel.width() - 4);
    EXPECT_FALSE(edit->geometry().intersects(panel.SpeedButton5->geometry()));
  }
  for (app::TDBEdit* edit : {panel.DBEdit1, panel.DBEdit2}) {
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
    const QRect text = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
    // 15 wide letters fit inside the text area and its 2-pixel side margins.
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(QString(15, QChar('W'))) + 4, text.width())
        << edit->objectName().toStdString();
  }
  window_->grab().save(apptest::ArtifactPath("config-panel.png"));
}

TEST_F(ConfigPanelSave, TooManyIntegerDigitsNameTheFieldAndTwoBadNumbersDoNotLoop) {
  app::TConfigPanel& panel = Panel();
  apptest::Type(panel.DBEdit6, "12345678901234");
  Press(Qt::Key_Tab);
  EXPECT_EQ(boxes_.Texts(),
            std::vector<std::string>{"12345678901234 is not a valid value for field "
                                     "'COCP_VRAMOR'. The allowed range is -9999999999999.99 to "
                                     "9999999999999.99."});
  EXPECT_TRUE(panel.DBEdit6->hasFocus());
  boxes_.shown.clear();

  // Two edits holding numbers that do not convert: moving from one to the other reports the
  // one left, which takes the focus back, and stops there.
  QTest::keyClicks(panel.DBEdit7, "1.2.3");  // typed into it without its having the focus
  panel.DBEdit7->setFocus();
  EXPECT_EQ(boxes_.shown.size(), 1u);
  EXPECT_TRUE(panel.DBEdit6->hasFocus());
}

}  // namespace
