// The window's Comparativo: F8 from the focused control and the popup entry open the dialog
// of the reference period; the comparison of the current month with the previous one, on a
// real database, opens in the print preview, whose PDF and workbook are read back; reversed
// typed dates and a reference period without rows are told to the operator; Esc leaves the
// dialog, and stops a long comparison.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/ComparisonDialog.h"
#include "app/Controls.h"
#include "app/DateTimePicker.h"
#include "app/QDates.h"
#include "app/rngrepcostoav.h"
#include "data/DateText.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "print/PrintPreview.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/app/support/Window.h"
#include "tests/export/support/XlsxReader.h"
#include "tests/print/support/PdfText.h"

namespace {

using printtest::FindRow;

// True once the keyboard focus is inside `dialog`, so that keys pressed reach it; until then
// it is made the active window (a loaded machine may show it before activating it).
bool HasFocus(QWidget& dialog) {
  QWidget* focus = QApplication::focusWidget();
  if (focus != nullptr && (focus == &dialog || dialog.isAncestorOf(focus))) return true;
  dialog.activateWindow();
  QApplication::setActiveWindow(&dialog);
  return false;
}

// Gives `window` the keyboard focus back at `control` after a dialog over it closed.
void FocusIn(QWidget& window, QWidget& control) {
  window.activateWindow();
  QApplication::setActiveWindow(&window);
  control.setFocus();
  QApplication::processEvents();
}

class WindowComparison : public apptest::ReportWindowFixture {
 protected:
  // Two months of 30 warehouses: the previous month and the current one.
  static void SetUpTestSuite() { NewInstallation().AddCompany("001", 30, 2); }
  void SetUp() override {
    ReportWindowFixture::SetUp();
    Open();
    Connect();
  }

  // Runs `open` (a key or a menu entry); `choose` acts on the dialog when it is up (nothing
  // when null: the dialog is left with Esc); a preview that opens then saves its PDF and its
  // workbook (Comparativo.pdf, Comparativo.xlsx) and closes. Returns the PDF's page texts (none when no preview opened).
  std::vector<std::string> CompareThrough(const std::function<void()>& open,
                                          const std::function<void(app::TComparisonDialog&)>& choose) {
    const std::string path = dir_.filePath("Comparativo.pdf").toStdString();
    apptest::AnsweringSaveDialogs dialogs;
    dialogs.answer = {true, path, 1};
    bool previewed = false;
    dialogSeen_ = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* dialog = dynamic_cast<app::TComparisonDialog*>(modal); dialog && !dialogSeen_) {
        if (!HasFocus(*dialog)) return;
        dialogSeen_ = true;
        dialog->grab().save(apptest::ArtifactPath("comparison_dialog.png"));
        if (choose) {
          choose(*dialog);
        } else {
          Press(Qt::Key_Escape);
        }
      } else if (auto* preview = dynamic_cast<TPrintPreview*>(modal); preview && !previewed) {
        previewed = true;
        EXPECT_EQ(preview->windowTitle(), QStringLiteral("Comparativo"));
        preview->grab().save(apptest::ArtifactPath("comparison_preview.png"));
        preview->PdfAction->trigger();
        // The PDF's name says it holds the comparison, as the batch exporter's does.
        EXPECT_EQ(dialogs.requests.back().fileName, "Costos-comparativo");
        // The workbook, named without its extension.
        dialogs.answer = {true, dir_.filePath("Comparativo").toStdString(), 1};
        if (auto* xlsx = preview->findChild<QAction*>("XlsxAction")) xlsx->trigger();
        preview->reject();
      }
    });
    poll.start();
    open();
    poll.stop();
    if (!previewed) return {};
    return printtest::PdfPages(path);
  }

  static std::string Day(const QDate& date) { return DateToStr(app::FromQDate(date)); }

  apptest::RecordingBoxes boxes_;
  QTemporaryDir dir_;
  bool dialogSeen_ = false;
};

TEST(ComparisonDialog, ThePreviousPeriodSaysWhatIsComputed) {
  const struct {
    TDateTime from, to;
    const char* caption;  // UTF-8
    TDateTime refFrom, refTo;
  } cases[] = {
      {EncodeDate(2022, 12, 1), EncodeDate(2022, 12, 31), "&Mes anterior",
       EncodeDate(2022, 11, 1), EncodeDate(2022, 11, 30)},
      {EncodeDate(2022, 1, 1), EncodeDate(2022, 3, 31),
       "&Per\xC3\xADodo anterior (los 3 meses completos anteriores)", EncodeDate(2021, 10, 1),
       EncodeDate(2021, 12, 31)},
      {EncodeDate(2022, 3, 5), EncodeDate(2022, 3, 14),
       "&Per\xC3\xADodo anterior (el mismo n\xC3\xBA" "mero de d\xC3\xAD" "as)",
       EncodeDate(2022, 2, 23), EncodeDate(2022, 3, 4)},
  };
  for (const auto& c : cases) {
    app::TComparisonDialog dialog(c.from, c.to);
    EXPECT_EQ(dialog.Previous->text(), QString::fromUtf8(c.caption));
    EXPECT_EQ(platform::FromQString(dialog.Reference->text()),
              "Referencia: Desde " + DateToStr(c.refFrom) + " Hasta " + DateToStr(c.refTo));
  }
}

TEST_F(WindowComparison, F8ComparesTheMonthWithThePreviousMonthInThePreview) {
  ASSERT_TRUE(window_->EFecIni->hasFocus());
  const QDate previous = FirstOfMonth().addMonths(-1);
  const std::vector<std::string> pages = CompareThrough(
      [&] { Press(Qt::Key_F8); },
      [&](app::TComparisonDialog& dialog) {
        EXPECT_TRUE(dialog.Previous->isChecked());
        EXPECT_EQ(dialog.Previous->text(), QStringLiteral("&Mes anterior"));
        EXPECT_EQ(platform::FromQString(dialog.Reference->text()),
                  "Referencia: Desde " + Day(previous) + " Hasta " +
                      Day(previous.addDays(previous.daysInMonth() - 1)));
        Press(Qt::Key_Return);
      });
  EXPECT_TRUE(dialogSeen_);
  ASSERT_GE(pages.size(), 2u) << "the rows, then the chart";
  const std::string period = "Desde " + FirstOfMonth().toString("yyyy/MM/dd").toStdString() +
                             " Hasta " + LastOfMonth().toString("yyyy/MM/dd").toStdString();
  const std::string reference =
      "Referencia: Desde " + previous.toString("yyyy/MM/dd").toStdString() + " Hasta " +
      previous.addDays(previous.daysInMonth() - 1).toString("yyyy/MM/dd").toStdString();
  for (const std::string& page : pages) {
    EXPECT_NE(page.find("Comparativo"), std::string::npos);
    EXPECT_NE(page.find(period), std::string::npos);
    EXPECT_NE(page.find(reference), std::string::npos) << page.substr(0, 600);
  }
  EXPECT_GE(FindRow(pages[0], {"Actual", "Ref.", "Dif.", "% Var."}), 0) << pages[0];
  std::string all;
  for (size_t p = 0; p + 1 < pages.size(); ++p) all += pages[p];
  for (const char* title : {"Código", "Nombre", "Inv.Fin Aves", "Ent.Huevos", "%Rend.Hvos",
                            "Costo Alim.", "Total Costo", "Costo Unit.", "Totales"}) {
    EXPECT_NE(all.find(title), std::string::npos) << title;
  }
  EXPECT_NE(pages.back().find("% Var. de Costo Unit."), std::string::npos) << pages.back();
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.Texts()[0];

  // The workbook holds the comparison alone: titles, the 30 warehouses, the totals.
  const XlsxBook book = ReadXlsx(dir_.filePath("Comparativo.xlsx").toStdString(), "1",
                                 "Comparativo");
  EXPECT_EQ(book.Sheets, std::vector<std::string>{"Comparativo"});
  EXPECT_EQ(book.Rows, 32);
  EXPECT_EQ(book.Cells.at("A1").Value, "Bodega");
}

TEST_F(WindowComparison, ThePopupEntryAndF8AnywhereOpenTheDialogAndEscLeavesIt) {
  ASSERT_EQ(window_->ppmCompare->text(), QStringLiteral("Co&mparativo...\tF8"));
  ASSERT_TRUE(window_->PopupMenu1->actions().contains(window_->ppmCompare));
  const struct {
    const char* name;
    QWidget* focus;  // F8 to this control; null: the popup entry
  } cases[] = {
      {"popup entry", nullptr},
      {"F8 in Hasta", window_->EFecFin},
      {"F8 in the grid", window_->DBGridEh2},
      {"F8 in Usuario", window_->Tusua},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.focus != nullptr) {
      FocusIn(*window_, *c.focus);
      ASSERT_EQ(QApplication::focusWidget(), c.focus);
    }
    const std::vector<std::string> pages = CompareThrough(
        [&] { c.focus ? Press(Qt::Key_F8) : window_->ppmCompare->trigger(); }, nullptr);
    EXPECT_TRUE(dialogSeen_);
    EXPECT_TRUE(pages.empty());
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_FALSE(window_->Busy());
    EXPECT_TRUE(window_->isVisible()) << "the Esc reached the window";
  }
}

TEST_F(WindowComparison, TypedDatesAreCheckedAndAnEmptyReferenceIsTold) {
  const std::vector<std::string> pages = CompareThrough(
      [&] { Press(Qt::Key_F8); },
      [&](app::TComparisonDialog& dialog) {
        // Alt+F chooses the typed dates; the year earlier has no rows in this database.
        Press(Qt::Key_F, Qt::AltModifier);
        QTest::qWait(300);  // a mnemonic clicks the button once its press is drawn
        EXPECT_TRUE(dialog.Dates->isChecked());
        EXPECT_TRUE(dialog.RefFrom->isEnabled());
        dialog.RefFrom->SetDate(QDate(2001, 3, 31));
        dialog.RefTo->SetDate(QDate(2001, 3, 1));
        dialog.OkButton->click();
        ASSERT_EQ(boxes_.shown.size(), 1u);
        EXPECT_EQ(boxes_.shown[0].text,
                  "La fecha Desde de la referencia (2001/03/31) es posterior a la fecha Hasta "
                  "(2001/03/01): no se calcula el comparativo.");
        EXPECT_TRUE(dialog.isVisible());
        dialog.RefFrom->SetDate(QDate(2001, 3, 1));
        dialog.RefTo->SetDate(QDate(2001, 3, 31));
        EXPECT_EQ(platform::FromQString(dialog.Reference->text()),
                  "Referencia: Desde 2001/03/01 Hasta 2001/03/31");
        dialog.OkButton->click();
      });
  EXPECT_TRUE(pages.empty());
  ASSERT_EQ(boxes_.shown.size(), 2u);
  EXPECT_EQ(boxes_.shown[1].text,
            "No hay datos en el per\xEDodo de referencia (2001/03/01 - 2001/03/31) para comparar.");
}

// A report procedure that counts for minutes before its one row: a comparison that ends
// only when both of its statements are cancelled.
std::string LongProcedure() {
  std::string script = apptest::ProcedureScript("", true);
  const auto replace = [&script](const std::string& from, const std::string& to) {
    script.replace(script.find(from), from.size(), to);
  };
  replace("AS BEGIN\n", "AS DECLARE VARIABLE I INTEGER = 0;\nBEGIN\n");
  replace("  SUSPEND;\n", "  WHILE (I < 2000000000) DO I = I + 1;\n  SUSPEND;\n");
  return script;
}

class StopComparison : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation().AddCompanyWithScript("001", LongProcedure()); }
  apptest::RecordingBoxes boxes_;
};

TEST_F(StopComparison, EscStopsTheComparisonAndTheWindowSaysSo) {
  Tfrepcostoav& w = Open();
  Connect();
  bool stopGiven = false, previewed = false;
  QString panelWhileRunning;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = dynamic_cast<app::TComparisonDialog*>(modal)) {
      if (HasFocus(*dialog)) Press(Qt::Key_Return);
      return;
    }
    if (auto* preview = dynamic_cast<TPrintPreview*>(modal)) {
      previewed = true;
      return preview->reject();
    }
    // Once the panel has shown a second of the comparison running, Esc as the operator gives it.
    if (stopGiven || !w.Busy() || !w.Panel5->Caption.contains(" s ")) return;
    panelWhileRunning = w.Panel5->Caption;
    stopGiven = true;
    Press(Qt::Key_Escape);
  });
  poll.start();
  Press(Qt::Key_F8);
  poll.stop();
  ASSERT_TRUE(stopGiven);
  EXPECT_TRUE(panelWhileRunning.startsWith(QStringLiteral("Generando comparativo.")))
      << panelWhileRunning.toStdString();
  EXPECT_TRUE(panelWhileRunning.endsWith(QString::fromUtf8("Esc o Cancelar detiene el cálculo")));
  EXPECT_FALSE(previewed);
  EXPECT_TRUE(boxes_.shown.empty()) << boxes_.shown.front().text;
  EXPECT_FALSE(w.Busy());
  EXPECT_TRUE(w.isVisible()) << "the Esc closed the window";
  EXPECT_EQ(w.Panel5->Caption, QString::fromUtf8("Cálculo detenido."));
}

}  // namespace
