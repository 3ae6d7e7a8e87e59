// The report window's calculation over a demo installation of 100,000 warehouses
// (BENCH_WINDOW_DEMO, default /tmp/galvora-bench-window-100k, made once with galvora-demo and
// kept): the time from F2, pressed in the start date, to the first rows painted in the grid,
// with the status panel counting the rows meanwhile. Its peer in the same run opens the same
// result set through the same provider without the window.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/DateTimePicker.h"
#include "app/ReportFields.h"
#include "app/dm.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/Provider.h"
#include "data/SqlExpr.h"
#include "grid/DBGridEh.h"
#include "platform/RegionalSettings.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = 100000;

std::string Demo() {
  const char* folder = std::getenv("BENCH_WINDOW_DEMO");
  return folder ? folder : "/tmp/galvora-bench-window-100k";
}

bool EnsureDemo() {
  if (fs::exists(Demo() + "/datos/001/galvora.fdb")) return true;
  const std::string bin = fs::read_symlink("/proc/self/exe").parent_path().string();
  const std::string command = bin + "/galvora-demo " + Demo() + " --warehouses " +
                              std::to_string(kRows) + " --months 1 > /dev/null";
  return std::system(command.c_str()) == 0;
}

// Whole-process CPU seconds (all threads) and peak resident memory in MiB.
void ResourceCounters(benchmark::State& state, double cpuBefore) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  state.counters["process_cpu_s"] =
      benchmark::Counter(cpu - cpuBefore, benchmark::Counter::kAvgIterations);
  state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double ProcessCpu() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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
  const double cpuBefore = ProcessCpu();
  for (auto _ : state) {
    QTest::keyClick(window.EFecIni, Qt::Key_F2);
    window.DBGridEh2->repaint();
  }
  if (window.CRepcliente->RecordCount() != kRows) return state.SkipWithError("wrong row count");
  ResourceCounters(state, cpuBefore);
  state.counters["rows/s"] =
      benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
  window.close();
}

void BM_ResultSetOpenWithoutWindow(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  Tfdm dataModule;
  TSQLConnection& connection = *dataModule.Galvora;
  connection.Params().SetValue("Database", app::ReportDatabaseName(Demo(), "001"));
  connection.Params().SetValue("User_Name", "SYSDBA");
  connection.Params().SetValue("password", "masterkey");
  connection.Open();
  TProviderOwner providers;
  TDataSetProvider provider("PRepcliente", &providers);
  provider.SetDataSet(dataModule.QRepcliente.get());
  provider.SetOptions(poAllowCommandText);
  TClientDataSet report("CRepcliente", &providers);
  report.SetProviderName("PRepcliente");
  std::vector<std::unique_ptr<TField>> fields;
  app::CreateReportFields(report, fields);
  report.SetCommandText(app::ReportCommandText(EncodeDate(2022, 1, 1), EncodeDate(2022, 1, 31)));
  const double cpuBefore = ProcessCpu();
  for (auto _ : state) {
    report.Close();
    report.Open();
  }
  if (report.RecordCount() != kRows) return state.SkipWithError("wrong row count");
  ResourceCounters(state, cpuBefore);
  state.counters["rows/s"] =
      benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
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
