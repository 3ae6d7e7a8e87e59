// The report grid's export over the 100,000 report rows of the batch benchmark's demo
// installation (BENCH_EXPORT_DEMO, default /tmp/galvora-bench-100k, made by bench_export_batch):
// the result set is opened once, then each format writes every row with gstAll, so that the
// walk, the display texts and the writer are measured without the database.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ReportFields.h"
#include "app/SaveSelection.h"
#include "app/dm.h"
#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/Provider.h"
#include "data/SqlExpr.h"
#include "export/DBGridEhSource.h"
#include "grid/DBGridEh.h"

namespace {

struct OpenReport {
  Tfdm dataModule;
  TProviderOwner providers;
  TDataSetProvider provider{"PRepcliente", &providers};
  TClientDataSet report{"CRepcliente", &providers};
  std::vector<std::unique_ptr<TField>> fields;
  TDataSource source{&report};
  TDBGridEh grid;

  explicit OpenReport(const std::string& demo) {
    TSQLConnection& connection = *dataModule.Galvora;
    connection.Params().SetValue("Database", app::ReportDatabaseName(demo, "001"));
    connection.Params().SetValue("User_Name", "SYSDBA");
    connection.Params().SetValue("password", "masterkey");
    connection.Open();
    provider.SetDataSet(dataModule.QRepcliente.get());
    provider.SetOptions(poAllowCommandText);
    report.SetProviderName("PRepcliente");
    app::CreateReportFields(report, fields);
    app::SetupReportGrid(grid);
    grid.SetDataSource(&source);
    grid.resize(1418, 484);
    grid.setAttribute(Qt::WA_DontShowOnScreen);
    grid.show();
    report.SetCommandText(
        app::ReportCommandText(EncodeDate(2022, 1, 1), EncodeDate(2022, 1, 31)));
    report.Open();
    grid.Selection().SelectEverything();
  }
};

OpenReport* Report() {
  static std::unique_ptr<OpenReport> report;
  if (!report) {
    const char* folder = std::getenv("BENCH_EXPORT_DEMO");
    const std::string demo = folder ? folder : "/tmp/galvora-bench-100k";
    if (!std::filesystem::exists(demo + "/datos/001/galvora.fdb")) return nullptr;
    report = std::make_unique<OpenReport>(demo);
  }
  return report.get();
}

void BM_ReportExport(benchmark::State& state) {
  OpenReport* report = Report();
  if (report == nullptr) return state.SkipWithError("no demo installation: run bench_export_batch");
  const int filterIndex = static_cast<int>(state.range(0));
  const std::string path = "/tmp/bench_report_export_" + std::to_string(::getpid()) + "." +
                           SaveExtension(filterIndex);
  for (auto _ : state) {
    ExportGridToFile(SaveExporterClass(filterIndex), report->grid, path, false);
  }
  state.SetLabel(SaveExtension(filterIndex));
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(report->report.RecordCount()),
                                                benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove(path);
}
// 1 txt, 2 csv, 3 htm, 4 rtf, 6 xlsx (5 xls holds at most 65,536 rows).
BENCHMARK(BM_ReportExport)->DenseRange(1, 4)->Arg(6)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
