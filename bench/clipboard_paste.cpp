// A paste of the plain text (text/plain) of a copy of every report row (100,000 rows of the
// demo installation, see bench/support/OpenReport.h): the first paste writes the text, a
// second paste of the same copy gets it again. Counters: the pasted size, the peak memory the
// paste added above what it leaves (the transient) and their ratio.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QStringView>
#include <algorithm>

#include "bench/support/OpenReport.h"
#include "bench/support/ProcessCost.h"
#include "export/ClipboardCopy.h"
#include "platform/Clipboard.h"

namespace {

// The text the way a paste made it before: the whole Unicode block written, then its UTF-8.
QByteArray PasteThroughTheUnicodeBlock() {
  const QByteArray block = QApplication::clipboard()->mimeData()->data(
      QString::fromStdString(platform::ClipboardMimeType(platform::CF_UNICODETEXT)));
  return QStringView(reinterpret_cast<const char16_t*>(block.constData()), block.size() / 2 - 1)
      .toUtf8();
}

// Arg 1: the first paste of a copy; 2: the second paste of the same copy; 3: beside them, the
// text made through the whole Unicode block as pastes made it before.
void BM_PastePlainText(benchmark::State& state) {
  bench::OpenReport* report = bench::Report();
  if (report == nullptr) return state.SkipWithError("no demo installation: run bench_export_batch");
  report->grid.Selection().SelectEverything();
  double pasted = 0, transient = 0;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    state.PauseTiming();
    CopyGridToClipboard(report->grid, false);
    if (state.range(0) == 2) QApplication::clipboard()->mimeData()->data("text/plain");
    malloc_trim(0);  // the paste's memory is then new to the process, not reused
    const double before = bench::ResidentBytes();
    bench::ResetPeakResident();
    state.ResumeTiming();
    const QByteArray text = state.range(0) == 3
                                ? PasteThroughTheUnicodeBlock()
                                : QApplication::clipboard()->mimeData()->data("text/plain");
    state.PauseTiming();
    pasted = static_cast<double>(text.size());
    const double added = bench::PeakResidentBytes() - before;
    // What the first paste keeps for the next is the text itself.
    transient = std::max(transient, added - (state.range(0) == 2 ? 0 : pasted));
    state.ResumeTiming();
  }
  state.counters["pasted_MB"] = pasted / 1e6;
  state.counters["transient_MB"] = transient / 1e6;
  state.counters["transient/pasted"] = pasted > 0 ? transient / pasted : 0;
}
BENCHMARK(BM_PastePlainText)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  bench::CloseReport();
  return 0;
}
