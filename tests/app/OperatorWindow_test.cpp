// The report window as an operator uses it, on the off-screen platform: keys sent to the
// focused control, real modal dialogs and message boxes answered by key, a calculation long
// enough to be watched while it runs, dates typed into the pickers, the columns' start widths.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/Controls.h"
#include "app/DateTimePicker.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/Provider.h"
#include "data/SqlExpr.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "platform/Fonts.h"
#include "report/ReportFields.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/Installation.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/app/support/Window.h"

namespace {

using apptest::Installation;

// A procedure with the 22 report columns that hands out `rows` rows, each after a loop of
// `loops` steps, so that the calculation lasts long enough to be watched.
std::string SlowProcedureScript(int rows, int loops) {
  std::string script = apptest::ProcedureScript("", true);
  const std::string as = ") AS BEGIN\n";
  script.replace(script.find(as), as.size(),
                 ") AS DECLARE VARIABLE I INTEGER = 0; DECLARE VARIABLE J INTEGER; BEGIN\n");
  const std::string suspend = "  SUSPEND;\n";
  script.replace(script.find(suspend), suspend.size(),
                 "  WHILE (I < " + std::to_string(rows) +
                     ") DO BEGIN\n    I = I + 1; J = 0;\n    WHILE (J < " +
                     std::to_string(loops) + ") DO J = J + 1;\n    SUSPEND;\n  END\n");
  return script;
}

// Answers the modal dialogs and message boxes Qt opens, by key, as the operator would, and
// records what each one was.
class ModalAnswerer {
 public:
  ModalAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }
  // What was seen: "box:<text>" or "save".
  std::vector<std::string> seen;
  // The name filters of every save dialog seen.
  std::vector<QStringList> filters;

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->property("answered").toBool()) return;
    modal->setProperty("answered", true);
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen.push_back("box:" + platform::FromQString(box->text()));
      QTest::keyClick(box, Qt::Key_Return);
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      seen.push_back("save");
      filters.push_back(dialog->nameFilters());
      QWidget* focus = dialog->focusWidget();
      QTest::keyClick(focus != nullptr ? focus : dialog, Qt::Key_Escape);
    } else {
      seen.push_back("other");
      static_cast<QDialog*>(modal)->reject();
    }
  }
  QTimer timer_;
};

class OperatorWindowTest : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() {
    Installation& install = NewInstallation();
    install.AddCompany("001", 3);
    install.AddCompanyWithScript("003", apptest::ProcedureScript("", false));
    install.AddCompanyWithScript("005", SlowProcedureScript(8, 1000000));
  }
  void TearDown() override {
    ReportWindowFixture::TearDown();
    install_->UseDefaultRegistry();
  }

  Tfrepcostoav& Open(report::CommandLineArguments arguments = {}) {
    Tfrepcostoav& window = ReportWindowFixture::Open(std::move(arguments));
    // Counts the calculations: each opens the report's result set once.
    window.CRepcliente->BeforeOpen = [this](TDataSet&) { ++calculations_; };
    return window;
  }
  void Connect(const char* company) {
    ReportWindowFixture::Connect(company);
    ASSERT_TRUE(dataModule_->Galvora->Connected());
  }

  int calculations_ = 0;
};

TEST_F(OperatorWindowTest, EachKeyRunsItsCommandOnceWhereverTheFocusIs) {
  ModalAnswerer modals;
  const std::string save = "save";
  const std::string noRows = "box:No hay datos para el reporte.";
  const struct {
    const char* name;
    const char* company;
    const char* focus;  // the control that has the focus when the key goes
    Qt::Key key;
    std::vector<std::string> seen;
  } cases[] = {
      {"F2 in the start date", "001", "EFecIni", Qt::Key_F2, {}},
      {"F4 in the grid", "001", "DBGridEh2", Qt::Key_F4, {save}},
      {"F4 in the start date", "001", "EFecIni", Qt::Key_F4, {save}},
      {"F2 in the end date with the export flag set", "001", "EFecFin", Qt::Key_F2, {save}},
      {"F2 in the user edit with the export flag set", "001", "Tusua", Qt::Key_F2, {save}},
      {"F2 in the start date without rows", "003", "EFecIni", Qt::Key_F2, {noRows}},
      {"F2 in the grid without rows", "003", "DBGridEh2", Qt::Key_F2, {noRows}},
      {"F4 in the company edit without rows", "003", "Cia", Qt::Key_F4, {noRows}},
  };
  Tfrepcostoav& w = Open();
  std::string connected;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (connected != c.company) {
      Connect(c.company);
      connected = c.company;
    }
    auto* focus = w.findChild<QWidget*>(c.focus);
    ASSERT_NE(focus, nullptr);
    QTest::mouseClick(focus, Qt::LeftButton, {}, QPoint(4, 4));
    ASSERT_EQ(QApplication::focusWidget(), focus);
    calculations_ = 0;
    modals.seen.clear();
    Press(c.key);
    // Anything the key would start a second time would start now, also once the window is
    // active again after the dialog.
    QTest::qWait(150);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::qWait(50);
    EXPECT_EQ(calculations_, 1);
    EXPECT_EQ(modals.seen, c.seen);
    EXPECT_FALSE(w.Busy());
  }
  // Each entry of the save dialog shows its pattern once: "Archivo texto (*.txt)".
  ASSERT_FALSE(modals.filters.empty());
  EXPECT_EQ(modals.filters[0].value(0), "Archivo texto (*.txt)");
  for (const QString& filter : modals.filters[0]) {
    EXPECT_EQ(filter.count('('), 1) << filter.toStdString();
  }
}

TEST_F(OperatorWindowTest, TheStatusPanelShowsWhileRowsArriveAndNothingElseStarts) {
  Tfrepcostoav& w = Open();
  Connect("005");
  Press(Qt::Key_F2);
  ASSERT_TRUE(w.CRepcliente->Active());
  ASSERT_EQ(w.CRepcliente->RecordCount(), 8);
  ASSERT_EQ(calculations_, 1);

  // Watched from a timer while the second calculation runs.
  struct Seen {
    bool busy = false, panel = false, rows = false, waitCursor = false;
    QString caption;
  };
  std::vector<Seen> seen;
  int panelPaints = 0;
  QImage grab;
  bool keySent = false;
  QTimer watch;
  watch.setInterval(20);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    Seen now;
    now.busy = w.Busy();
    now.panel = w.Panel5->isVisible();
    now.rows = w.DBGridEh2->DataLinkActive();
    const QCursor* cursor = QGuiApplication::overrideCursor();
    now.waitCursor = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    now.caption = w.Panel5->Caption;
    seen.push_back(now);
    if (now.busy && now.caption.contains("filas") && !keySent) {
      // A key pressed while the rows arrive: neither run now nor afterwards.
      keySent = true;
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
      grab = w.grab().toImage();
    }
  });
  class PaintCounter : public QObject {
   public:
    explicit PaintCounter(Tfrepcostoav& window, int& count) : window_(window), count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && window_.Busy()) ++count_;
      return false;
    }
    Tfrepcostoav& window_;
    int& count_;
  } counter(w, panelPaints);
  w.Panel5->installEventFilter(&counter);
  watch.start();
  calculations_ = 0;
  Press(Qt::Key_F2);
  QTest::qWait(300);
  watch.stop();

  EXPECT_EQ(calculations_, 1);
  EXPECT_TRUE(keySent);
  ASSERT_FALSE(grab.isNull());
  EXPECT_TRUE(grab.save(apptest::ArtifactPath("panel-during-calculation.png")));
  EXPECT_GT(panelPaints, 1) << "the panel was not repainted while rows arrived";
  int during = 0;
  for (const Seen& s : seen) {
    if (!s.busy || !s.panel) continue;
    ++during;
    EXPECT_TRUE(s.panel);
    EXPECT_FALSE(s.rows) << "old rows on screen during the calculation";
    EXPECT_TRUE(s.waitCursor);
    EXPECT_TRUE(s.caption.startsWith("Generando reporte. Espere un momento...")) << s.caption.toStdString();
  }
  EXPECT_GT(during, 3);
  EXPECT_FALSE(w.Panel5->isVisible());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(w.CRepcliente->RecordCount(), 8);

  // A close asked for while the rows arrive closes the window once they are in.
  bool closeAsked = false;
  QTimer closer;
  closer.setInterval(20);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (!closeAsked && w.Busy() && w.Panel5->Caption.contains("filas")) {
      closeAsked = true;
      w.close();
    }
  });
  closer.start();
  Press(Qt::Key_F2);
  closer.stop();
  EXPECT_TRUE(closeAsked);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.CRepcliente->Active());
  EXPECT_EQ(calculations_, 2);
}

// The position of character `index` of a picker's text, for a click into that section.
QPoint CharacterPoint(QLineEdit* edit, int index) {
  for (int x = 0; x < edit->width(); ++x) {
    if (edit->cursorPositionAt(QPoint(x, edit->height() / 2)) > index) return {x, edit->height() / 2};
  }
  return {edit->width() / 2, edit->height() / 2};
}

TEST_F(OperatorWindowTest, DatesAreTakenAsTypedInEveryShortDatePicture) {
  const struct {
    const char* picture;
    const char* separator;
    std::vector<std::pair<const char*, QDate>> typed;  // typed into the start date after Tab
    const char* shown;         // the text of 2025/11/01
    int yearAt;                // where the year begins in `shown`
    const char* impossible;    // typed: a day that the month does not have
  } cases[] = {
      {"yyyy/MM/dd", "/",
       {{"2025/11/01", {2025, 11, 1}}, {"20251130", {2025, 11, 30}}, {"2024/2/29", {2024, 2, 29}}},
       "2025/11/01", 0, "2025/02/30"},
      {"dd/MM/yyyy", "/",
       {{"01/11/2025", {2025, 11, 1}}, {"30112025", {2025, 11, 30}}, {"5/3/2026", {2026, 3, 5}}},
       "01/11/2025", 6, "30/02/2025"},
      {"MM/dd/yy", "/",
       {{"11/01/25", {2025, 11, 1}}, {"113025", {2025, 11, 30}}, {"2/29/24", {2024, 2, 29}}},
       "11/01/25", 6, "02/30/25"},
      {"d.M.yyyy", ".",
       {{"1.11.2025", {2025, 11, 1}}, {"30.11.2025", {2025, 11, 30}}, {"31122025", {2025, 12, 31}},
        {"7.4.2026", {2026, 4, 7}}},
       "1.11.2025", 5, "30.2.2025"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    install_->UseRegistry(std::string("[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n") +
                          "\"Directorio\"=\"" + install_->Folder() + "\"\r\n\r\n" +
                          "[HKEY_CURRENT_USER\\Control Panel\\International]\r\n" +
                          "\"sShortDate\"=\"" + c.picture + "\"\r\n\"sDate\"=\"" + c.separator +
                          "\"\r\n");
    apptest::RecordingBoxes boxes;
    Tfrepcostoav& w = Open();
    app::TDateTimePicker* start = w.EFecIni;
    app::TDateTimePicker* end = w.EFecFin;
    for (const auto& [text, date] : c.typed) {
      SCOPED_TRACE(text);
      // From the company edit, Tab puts the focus in the start date with its first section
      // taking the typing; Tab again goes to the end date.
      QTest::mouseClick(w.Cia, Qt::LeftButton);
      Press(Qt::Key_Tab);
      ASSERT_TRUE(start->hasFocus());
      QTest::keyClicks(QApplication::focusWidget(), text);
      Press(Qt::Key_Tab);
      ASSERT_TRUE(end->hasFocus());
      // Only the picker with the focus shows a highlighted part.
      EXPECT_FALSE(start->hasSelectedText());
      EXPECT_TRUE(end->hasSelectedText());
      QTest::keyClicks(QApplication::focusWidget(), text);
      EXPECT_EQ(start->Date(), date);
      EXPECT_EQ(end->Date(), date);
      EXPECT_TRUE(start->TextIsDate());
    }

    // Ctrl+A and a whole date, then a click into the year and a new year.
    start->SetDate(QDate(2010, 6, 15));
    QTest::mouseClick(start, Qt::LeftButton);
    Press(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, c.typed[0].first);
    EXPECT_EQ(start->Date(), QDate(2025, 11, 1));
    EXPECT_EQ(start->text(), c.shown);
    QTest::mouseClick(start, Qt::LeftButton, {}, CharacterPoint(start, c.yearAt));
    QTest::keyClicks(start, std::string(c.picture).find("yyyy") != std::string::npos ? "2031" : "31");
    EXPECT_EQ(start->Date(), QDate(2031, 11, 1));

    // A day the month does not have stays on screen as typed, is no date, and is refused by
    // the calculation and on leaving the picker.
    QTest::mouseClick(start, Qt::LeftButton);
    Press(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, c.impossible);
    EXPECT_EQ(start->text(), c.impossible);
    EXPECT_FALSE(start->TextIsDate());
    EXPECT_EQ(start->palette().color(QPalette::Text), QColor(Qt::red));
    calculations_ = 0;
    Press(Qt::Key_F2);
    EXPECT_EQ(calculations_, 0);
    Press(Qt::Key_Tab);
    EXPECT_TRUE(start->hasFocus());
    const std::string refused = std::string("'") + c.impossible + "' is not a valid date.";
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>({refused, refused}));
    Press(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, c.typed[0].first);
    EXPECT_TRUE(start->TextIsDate());
    EXPECT_EQ(start->Date(), QDate(2025, 11, 1));
    EXPECT_NE(start->palette().color(QPalette::Text), QColor(Qt::red));
    window_.reset();
  }
}

TEST_F(OperatorWindowTest, ColumnsStartFromTheirFieldsWidthsAndNamesAreReadable) {
  Tfrepcostoav& w = Open();
  Connect("001");
  TDBGridEh& grid = *w.DBGridEh2;
  ASSERT_EQ(grid.Columns().Count(), 22);

  // Before the first calculation: the default width of a column without a stored one: the width of "0" in the column's font
  // times the field's display width, plus 4. The client width is shared out in proportion.
  const QFontMetrics digits(platform::ToQFont({.Name = "Arial Narrow", .Size = 8}));
  std::vector<int> references;
  int total = 0;
  for (int i = 0; i < 22; ++i) {
    const report::TReportFieldSpec& spec = report::kReportFields[static_cast<size_t>(i)];
    int reference = report::ReportColumnWidth(spec.FieldName);
    if (reference == 0) {
      const TField& field = w.CRepcliente->Fields()[i];
      reference = digits.horizontalAdvance('0') * field.DisplayWidth() + 4;
    }
    references.push_back(reference);
    total += reference;
  }
  const int indicator = 11;
  const int avail = grid.viewport()->width() - indicator - 22 - 1;
  int sum = 0;
  for (int i = 0; i < 22; ++i) {
    SCOPED_TRACE(report::kReportFields[static_cast<size_t>(i)].FieldName);
    int expected = (2 * references[static_cast<size_t>(i)] * avail + total) / (2 * total);
    if (i == 21) expected = avail - sum;
    sum += expected;
    EXPECT_EQ(grid.Columns()[i]->Width(), expected);
  }

  // After it, the longest demo warehouse name fits its column.
  Press(Qt::Key_F2);
  ASSERT_TRUE(w.CRepcliente->Active());
  const QFontMetrics names(platform::ToQFont(grid.Columns()[1]->Font()));
  int widest = 0;
  for (w.CRepcliente->First(); !w.CRepcliente->Eof(); w.CRepcliente->Next()) {
    const QString name = platform::ToQString(w.CRepcliente->FieldByName("NOMBOD").AsString());
    widest = std::max(widest, names.horizontalAdvance(name));
  }
  w.CRepcliente->First();
  EXPECT_LE(widest + 4, grid.Columns()[1]->Width());
  EXPECT_TRUE(w.grab().save(apptest::ArtifactPath("first-rows-readable.png")));
}

TEST_F(OperatorWindowTest, TheCommandLineComputesOnceShownWithoutActivation) {
  const std::string folder = install_->Folder();
  std::vector<std::string> all{"repcostoav", folder, "SYSDBA", "masterkey", "001",
                               "", "", "", "", "", "1"};
  window_ = std::make_unique<Tfrepcostoav>(report::ParseCommandLine(all));
  // Shown without a window on the platform: nothing ever activates it.
  window_->setAttribute(Qt::WA_DontShowOnScreen);
  window_->show();
  QTRY_VERIFY_WITH_TIMEOUT(window_->CRepcliente->Active(), 10000);
  EXPECT_FALSE(window_->isActiveWindow());
  EXPECT_EQ(window_->CRepcliente->RecordCount(), 3);
}

}  // namespace
