// The report's dates reach the database as the days the operator chose, whatever short date
// picture the registry file sets: through the window's F2 and through the batch exporter, over
// a procedure that returns the two dates it received.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/DateTimePicker.h"
#include "app/rngrepcostoav.h"
#include "data/DB.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "platform/Dialogs.h"
#include "platform/RegionalSettings.h"
#include "platform/Registry.h"
#include "report/ReportFields.h"
#include "report/dm.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

// COSTOS_AVICOLA with DATE parameters, one row whose NOMBOD is "start end" in ISO form.
std::string DateEchoProcedure() {
  std::string outputs, assigns;
  for (const report::TReportFieldSpec& spec : report::kReportFields) {
    const std::string name = spec.FieldName;
    outputs += (outputs.empty() ? "" : ", ") + name +
               (spec.Size > 0 ? " VARCHAR(" + std::to_string(spec.Size) + ")" : " NUMERIC(15,2)");
    if (name == "NOMBOD") {
      assigns += "  NOMBOD = CAST(FECINI AS VARCHAR(10)) || ' ' || CAST(FECFIN AS VARCHAR(10));\n";
    } else {
      assigns += "  " + name + " = " + (spec.Size > 0 ? "'01'" : "0") + ";\n";
    }
  }
  return "SET TERM ^ ;\nCREATE PROCEDURE COSTOS_AVICOLA (FECINI DATE, FECFIN DATE) RETURNS (" +
         outputs + ") AS BEGIN\n" + assigns + "  SUSPEND;\nEND^\n";
}

struct Picture {
  const char* shortDate;
  const char* separator;
};
// Year first, day first, month first with a two-digit year, and other separators.
const Picture kPictures[] = {
    {"yyyy/MM/dd", "/"}, {"dd/MM/yyyy", "/"}, {"M/d/yy", "/"},
    {"d.M.yyyy", "."},   {"dd-MM-yyyy", "-"},
};

// Periods whose days a misread date text would change: days up to 12 that read as months, a
// 31st, a year before 1970 that a two-digit year would move a century, a start after the end.
const QDate kPeriods[][2] = {
    {QDate(2024, 1, 5), QDate(2024, 1, 12)},
    {QDate(1960, 1, 5), QDate(2024, 1, 31)},
    {QDate(2024, 12, 31), QDate(2024, 2, 1)},
};

std::string Iso(const QDate& date) { return date.toString("yyyy-MM-dd").toStdString(); }

using toolstest::ReadFile;

class ReportDates : public toolstest::FolderSuite {
 protected:
  static void SetUpTestSuite() {
    MakeFolder("report_dates");
    fs::create_directories(*folder_ / "datos/001");
    const std::string database = (*folder_ / "datos/001/galvora.fdb").string();
    db::CreateCompanyDatabase(database, {.schema = false});
    db::ExecuteScript(database, DateEchoProcedure());
    std::ofstream(*folder_ / "SERVIDORES.cfg", std::ios::binary) << folder_->string() << "\r\n";
  }
  static void TearDownTestSuite() {
    FolderSuite::TearDownTestSuite();
    unsetenv("QOR_REGISTRY");
    platform::ReloadSystemRegistry();
    platform::ReloadFormatSettings();
  }

  // A registry file with the installation folder and `picture`; the program and the tools
  // started from here read it.
  static std::string UseRegistry(const Picture& picture) {
    const fs::path path = *folder_ / "registry.reg";
    std::ofstream(path, std::ios::binary)
        << "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n\"Directorio\"=\""
        << folder_->string()
        << "\"\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\International]\r\n\"sShortDate\"=\""
        << picture.shortDate << "\"\r\n\"sDate\"=\"" << picture.separator << "\"\r\n";
    setenv("QOR_REGISTRY", path.c_str(), 1);
    platform::ReloadSystemRegistry();
    platform::ReloadFormatSettings();
    return path.string();
  }
};

TEST_F(ReportDates, WindowF2SendsTheChosenDays) {
  for (const Picture& picture : kPictures) {
    SCOPED_TRACE(picture.shortDate);
    UseRegistry(picture);
    Tfdm dataModule;
    Tfrepcostoav window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Tusua->setFocus();
    QTest::keyClicks(window.Tusua, "SYSDBA");
    window.TClave->setFocus();
    QTest::keyClicks(window.TClave, "masterkey");
    window.Cia->setFocus();
    QTest::keyClicks(window.Cia, "001");
    QTest::keyClick(window.Cia, Qt::Key_Tab);
    ASSERT_TRUE(fdm->Galvora->Connected());
    for (const auto& period : kPeriods) {
      // A start after the end is refused with a message before anything runs (the window's
      // own tests show it).
      if (period[0] > period[1]) continue;
      window.EFecIni->SetDate(period[0]);
      window.EFecFin->SetDate(period[1]);
      // The operator sees the dates in the short date form of the registry file.
      const QString shown = period[0].toString(QString(picture.shortDate));
      EXPECT_EQ(window.EFecIni->text(), shown);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
      ASSERT_TRUE(window.CRepcliente->Active());
      EXPECT_EQ(window.CRepcliente->FieldByName("NOMBOD").AsString(),
                Iso(period[0]) + " " + Iso(period[1]));
    }
  }
}

TEST_F(ReportDates, BatchExporterSendsTheChosenDays) {
  for (const Picture& picture : kPictures) {
    SCOPED_TRACE(picture.shortDate);
    const std::string registry = UseRegistry(picture);
    for (const auto& period : kPeriods) {
      // A start after the end is the exporter's usage error (its own tests show it).
      if (period[0] > period[1]) continue;
      const fs::path output = *folder_ / "Costos.csv";
      fs::remove(output);
      const toolstest::RunResult run = toolstest::Run(
          {.program = "repcostoav-export",
           .args = toolstest::ExportArgs(*folder_, output, "001", Iso(period[0]), Iso(period[1])),
           .registry = registry});
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_NE(ReadFile(output).find("\"" + Iso(period[0]) + " " + Iso(period[1]) + "\""),
                std::string::npos)
          << ReadFile(output);
    }
  }
}

}  // namespace
