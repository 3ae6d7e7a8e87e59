// Stopping a long calculation in the window: Esc, a click on Cancelar or closing the window
// while the rows arrive has the engine cancel the statement; the grid is left empty, the panel
// says the calculation was stopped, and the next calculation runs as usual.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/Controls.h"
#include "app/DateTimePicker.h"
#include "data/DBClient.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/Installation.h"
#include "tests/app/support/ReportWindowFixture.h"

namespace {

using apptest::Installation;

// A report procedure that yields 300,000 rows, a calculation that runs for many seconds; 3 rows
// when the period ends on the first day of a month.
std::string LongProcedure() {
  std::string script = apptest::ProcedureScript("", true);
  const auto replace = [&script](const std::string& from, const std::string& to) {
    script.replace(script.find(from), from.size(), to);
  };
  replace("AS BEGIN\n", "AS DECLARE VARIABLE I INTEGER = 0;\nBEGIN\n");
  replace("  SUSPEND;\n", "  WHILE (I < IIF(EXTRACT(DAY FROM FECFIN) = 1, 3, 300000)) DO BEGIN\n"
          "    I = I + 1;\n    SUSPEND;\n  END\n");
  return script;
}

class StopCalculationTest : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() {
    Installation& install = NewInstallation();
    install.AddCompanyWithScript("001", LongProcedure());
  }

  apptest::RecordingBoxes boxes_;
};

TEST_F(StopCalculationTest, EscOrCancelarStopsTheCalculationAndNothingElseChanges) {
  struct Case {
    const char* name;
    std::function<void(Tfrepcostoav&)> stop;  // given once rows arrive
  } cases[] = {
      {"Esc to the focused control",
       [](Tfrepcostoav& w) {
         QWidget* focused = QApplication::focusWidget();
         QTest::keyClick(focused != nullptr ? focused : &w, Qt::Key_Escape);
       }},
      {"a click on Cancelar",
       [](Tfrepcostoav& w) { QTest::mouseClick(w.SpeedButton2, Qt::LeftButton); }},
  };
  for (const Case& c : cases) {
    Tfrepcostoav& w = Open();
    TypeOrigin("001");
    bool stopGiven = false;
    QString panelWhileRunning;
    QTimer stopper;
    stopper.setInterval(20);
    QObject::connect(&stopper, &QTimer::timeout, [&] {
      if (stopGiven || !w.Busy() || !w.Panel5->Caption.contains("filas")) return;
      panelWhileRunning = w.Panel5->Caption;
      stopGiven = true;
      c.stop(w);
    });
    stopper.start();
    Press(Qt::Key_F2);
    stopper.stop();
    ASSERT_TRUE(stopGiven) << c.name;
    EXPECT_TRUE(panelWhileRunning.endsWith(QString::fromUtf8("Esc o Cancelar detiene el cálculo")))
        << panelWhileRunning.toStdString();
    EXPECT_TRUE(boxes_.shown.empty()) << c.name << ": " << boxes_.shown.front().text;
    EXPECT_FALSE(w.Busy());
    EXPECT_TRUE(w.isVisible()) << c.name << ": the stop closed the window";
    EXPECT_FALSE(w.CRepcliente->Active()) << c.name << ": the grid is not empty";
    EXPECT_TRUE(w.Panel5->isVisible());
    EXPECT_EQ(w.Panel5->Caption, QString::fromUtf8("Cálculo detenido.")) << c.name;

    // The next calculation on the same connection is not cancelled by the stop before it.
    w.EFecIni->SetDate(FirstOfMonth());
    w.EFecFin->SetDate(FirstOfMonth());
    Press(Qt::Key_F2);
    EXPECT_TRUE(boxes_.shown.empty()) << c.name << ": " << boxes_.shown.front().text;
    ASSERT_TRUE(w.CRepcliente->Active()) << c.name;
    EXPECT_EQ(w.CRepcliente->RecordCount(), 3) << c.name;
    CloseWindow();
    dataModule_ = std::make_unique<Tfdm>();
  }
}

}  // namespace
