// The report window's calculation over the batch benchmarks' demo installation of 100,000
// warehouses (bench/DemoInstallation.h): the time from F2, pressed in the start date, to the
// first rows painted in the grid, with the status panel counting the rows meanwhile. Its peer
// in the same run opens the same result set through the same provider without the window.
// Both report wall time, CPU of the whole process and peak memory (bench/support/ProcessCost.h).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "app/DateTimePicker.h"
#include "app/rngrepcostoav.h"
#include "bench/DemoInstallation.h"
#include "bench/support/ProcessCost.h"
#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/SqlExpr.h"
#include "grid/DBGridEh.h"
#include "report/ReportFields.h"
#include "report/ReportSource.h"
#include "report/dm.h"

namespace {

using bench::Demo;
using bench::EnsureDemo;
using bench::kDemoRows;

void BM_WindowF2ToRowsShown(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  Tfdm dataModule;
  Tfrepcostoav window;
  window.show();
  window.Tusua->setText("SYSDBA");
  window.TClave->setText("masterkey");
  window.Cia->setText("001");
  window.Servidor->clear();
  window.Servidor->addItem(QString::fromStdString(Demo()));
  window.CiaExit();
  window.EFecIni->SetDate(QDate(2022, 1, 1));
  window.EFecFin->SetDate(QDate(2022, 1, 31));
  window.EFecIni->setFocus();
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      QTest::keyClick(window.EFecIni, Qt::Key_F2);
      window.DBGridEh2->repaint();
    }
  }
  if (window.CRepcliente->RecordCount() != kDemoRows) {
    return state.SkipWithError("wrong row count");
  }
  state.counters["rows/s"] =
      benchmark::Counter(kDemoRows, benchmark::Counter::kIsIterationInvariantRate);
  window.close();
}

void BM_ResultSetOpenWithoutWindow(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  Tfdm dataModule;
  TSQLConnection& connection = *dataModule.Galvora;
  connection.Params().SetValue("Database", report::ReportDatabaseName(Demo(), "001"));
  connection.Params().SetValue("User_Name", "SYSDBA");
  connection.Params().SetValue("password", "masterkey");
  connection.Open();
  report::TReportSource source(dataModule);
  TClientDataSet& report = source.Report();
  report.SetCommandText(report::ReportCommandText(EncodeDate(2022, 1, 1), EncodeDate(2022, 1, 31)));
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      report.Close();
      report.Open();
    }
  }
  if (report.RecordCount() != kDemoRows) return state.SkipWithError("wrong row count");
  state.counters["rows/s"] =
      benchmark::Counter(kDemoRows, benchmark::Counter::kIsIterationInvariantRate);
  report.Close();
}

BENCHMARK(BM_WindowF2ToRowsShown)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_ResultSetOpenWithoutWindow)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QOR_REGISTRY", (Demo() + "/registry.reg").c_str());
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
