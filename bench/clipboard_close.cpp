// What closing the window costs after Ctrl+C of every report row (100,000 rows of the demo
// installation, see bench/support/OpenReport.h), on a private X server: with a clipboard
// manager running (every target asked for, one request each or one MULTIPLE request), with
// none, and beside them the former close that wrote every block out at once. Counters: wall,
// process CPU, peak memory growth against the largest block handed over.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/support/OpenReport.h"
#include "bench/support/ProcessCost.h"
#include "export/ClipboardCopy.h"
#include "platform/Clipboard.h"
#include "tests/x11/support/ClipboardManagerStandIn.h"
#include "tests/x11/support/QtClipboardTime.h"
#include "tests/x11/support/XvfbServer.h"

namespace {

bench::OpenReport* CopiedReport(benchmark::State& state) {
  bench::OpenReport* report = bench::Report();
  if (report == nullptr) {
    state.SkipWithError("no demo installation: run bench_export_batch");
    return nullptr;
  }
  report->grid.Selection().SelectEverything();
  return report;
}

// Arg 0: one request per target; 1: one MULTIPLE request.
void BM_CloseWithManager(benchmark::State& state) {
  bench::OpenReport* report = CopiedReport(state);
  if (report == nullptr) return;
  double largest = 0, total = 0;
  double peak = 0;
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      state.PauseTiming();
      testx11::ClipboardManagerStandIn manager({{}, state.range(0) == 1, false});
      CopyGridToClipboard(report->grid, false);
      const double before = bench::ResidentBytes();
      bench::ResetPeakResident();
      state.ResumeTiming();
      platform::HandOverClipboardAtClose();
      state.PauseTiming();
      peak = std::max(peak, bench::PeakResidentBytes() - before);
      const bool saved = manager.WaitForSave(60);
      testx11::LetQtTakeTheClipboardAgain();
      state.ResumeTiming();
      if (!saved) {
        state.SkipWithError("the manager saved nothing");
        break;
      }
      state.PauseTiming();
      for (const auto& [name, size] : manager.SavedSizes()) {
        largest = std::max(largest, static_cast<double>(size));
        total += static_cast<double>(size);
      }
      state.ResumeTiming();
    }
  }
  state.counters["largest_block_MB"] = largest / 1e6;
  state.counters["handed_over_MB"] = total / 1e6 / static_cast<double>(state.iterations());
  state.counters["close_peak_MB"] = peak / 1e6;
  state.counters["close_peak/largest"] = largest > 0 ? peak / largest : 0;
}
BENCHMARK(BM_CloseWithManager)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// No clipboard manager: nothing is written.
void BM_CloseWithoutManager(benchmark::State& state) {
  bench::OpenReport* report = CopiedReport(state);
  if (report == nullptr) return;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    state.PauseTiming();
    CopyGridToClipboard(report->grid, false);
    state.ResumeTiming();
    platform::HandOverClipboardAtClose();
    state.PauseTiming();
    testx11::LetQtTakeTheClipboardAgain();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CloseWithoutManager)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The former close: every block written out at once and left with Qt.
void BM_CloseWritingEveryBlock(benchmark::State& state) {
  bench::OpenReport* report = CopiedReport(state);
  if (report == nullptr) return;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    state.PauseTiming();
    CopyGridToClipboard(report->grid, false);
    state.ResumeTiming();
    platform::RenderDelayedClipboard();
    state.PauseTiming();
    QApplication::clipboard()->clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CloseWritingEveryBlock)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  testx11::XvfbServer server;
  if (!server.Running()) {
    std::fprintf(stderr, "bench_clipboard_close: %s\n", server.Reason().c_str());
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  bench::CloseReport();
  return 0;
}
