// The report grid's export over the 100,000 report rows of the batch benchmark's demo
// installation (BENCH_EXPORT_DEMO, default /tmp/galvora-bench-100k, made by bench_export_batch):
// the result set is opened once, then each format writes every row with gstAll, so that the
// walk, the display texts and the writer are measured without the database. Beside them: the
// memory the open result set holds per row, the copy of every row to the clipboard and the
// paste of its CSV block.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/OpenReport.h"
#include "bench/support/ProcessCost.h"
#include "data/DBClient.h"
#include "export/ClipboardCopy.h"
#include "export/DBGridEhSource.h"
#include "platform/Clipboard.h"
#include "report/SaveSelection.h"

namespace {

using bench::OpenReport;
using bench::Report;

void BM_ReportExport(benchmark::State& state) {
  OpenReport* report = Report();
  if (report == nullptr) return state.SkipWithError("no demo installation: run bench_export_batch");
  const int filterIndex = static_cast<int>(state.range(0));
  const std::string path = "/tmp/bench_report_export_" + std::to_string(::getpid()) + "." +
                           SaveExtension(filterIndex);
  const bench::ProcessCost cost(state);
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

// Process memory the first open of the result set added, per row, against the bytes its store
// holds per row (rows, row index and order); and the part that closing gives back.
void BM_MemoryPerRow(benchmark::State& state) {
  OpenReport* report = Report();
  if (report == nullptr) return state.SkipWithError("no demo installation: run bench_export_batch");
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) benchmark::DoNotOptimize(report->report.RecordCount());
  }
  uint64_t stored = 0;
  report->report.DSBase()->DsGetProp(dspropMEMORYUSED, &stored);
  const double rows = report->report.RecordCount();
  state.counters["rows"] = rows;
  state.counters["resident_B/row"] = report->residentGrowth / rows;
  state.counters["stored_B/row"] = static_cast<double>(stored) / rows;
  state.counters["resident/stored"] = report->residentGrowth / static_cast<double>(stored);
  state.counters["freed_at_close_B/row"] = report->heldByRows / rows;
}
BENCHMARK(BM_MemoryPerRow)->Iterations(1);

// Ctrl+C with every row selected: the time until the copy returns (target 0.3 s).
void BM_CopyEveryRow(benchmark::State& state) {
  OpenReport* report = Report();
  if (report == nullptr) return state.SkipWithError("no demo installation: run bench_export_batch");
  report->grid.Selection().SelectEverything();
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) CopyGridToClipboard(report->grid, false);
  }
  state.counters["delayed"] = platform::ClipboardHoldsDelayedData() ? 1 : 0;
}
BENCHMARK(BM_CopyEveryRow)->Unit(benchmark::kMillisecond)->UseRealTime();

// A program reading the copy's CSV block: the memory it adds against the block's size (target
// 1.5), and what stays held once another program owns the clipboard.
void BM_PasteCsv(benchmark::State& state) {
  OpenReport* report = Report();
  if (report == nullptr) return state.SkipWithError("no demo installation: run bench_export_batch");
  report->grid.Selection().SelectEverything();
  CopyGridToClipboard(report->grid, false);
  const QString csv = QString::fromStdString(
      platform::ClipboardMimeType(GridClipboardFormats().Csv));
  double size = 0;
  double added = 0;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    const double before = bench::ResidentBytes();
    bench::ResetPeakResident();
    const QByteArray bytes = QApplication::clipboard()->mimeData()->data(csv);
    added = std::max(added, bench::PeakResidentBytes() - before);
    size = static_cast<double>(bytes.size());
  }
  state.counters["csv_MB"] = size / 1e6;
  state.counters["added_MB"] = added / 1e6;
  state.counters["added/csv"] = size > 0 ? added / size : 0;
  const double owning = bench::ResidentBytes();
  QApplication::clipboard()->setText("another program's text");
  state.counters["released_MB"] = (owning - bench::ResidentBytes()) / 1e6;
}
BENCHMARK(BM_PasteCsv)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
