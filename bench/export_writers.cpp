// Export speed: each writer over report-shaped rows (2 text and 20 number columns, gstAll),
// written to a file; and, for the text and CSV writers, the same bytes written with one
// buffered fwrite loop, the physical limit they are measured against. Each export also reports
// the whole process's CPU time and its peak memory above what the process held before it.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/support/ProcessCost.h"
#include "bench/support/ReportRows.h"
#include "export/DBGridEhImpExp.h"
#include "export/ExportAsXLSX.h"

namespace {

using bench::ReportRows;

std::string OutputPath() { return "/tmp/bench_export_" + std::to_string(::getpid()); }

ReportRows& Rows(int count) {
  static ReportRows* rows100k = new ReportRows(100000);
  static ReportRows* rows60k = new ReportRows(60000);
  return count == 100000 ? *rows100k : *rows60k;
}

template <class T>
void BM_Export(benchmark::State& state) {
  ReportRows& rows = Rows(static_cast<int>(state.range(0)));
  const std::string path = OutputPath();
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    ExportGridToFile(&CreateExporter<T>, rows, path, true);
  }
  ::unlink(path.c_str());
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}

// The same document's bytes written piece by piece (cells and separators) with stdio buffering.
template <class T>
void BM_Fwrite(benchmark::State& state) {
  ReportRows& rows = Rows(static_cast<int>(state.range(0)));
  TMemoryStream document;
  ExportGridToStream(&CreateExporter<T>, rows, document, true);
  // Split into the pieces the writer emits: every cell text and every separator or line end.
  std::vector<std::string> pieces;
  const std::string bytes(document.Bytes());
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\t' || bytes[i] == ';' || bytes[i] == '\n') {
      pieces.push_back(bytes.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  pieces.push_back(bytes.substr(start));
  const std::string path = OutputPath();
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    FILE* file = std::fopen(path.c_str(), "wb");
    for (const std::string& piece : pieces) std::fwrite(piece.data(), 1, piece.size(), file);
    std::fclose(file);
  }
  ::unlink(path.c_str());
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_TEMPLATE(BM_Export, TDBGridEhExportAsText)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Fwrite, TDBGridEhExportAsText)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, TDBGridEhExportAsCSV)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Fwrite, TDBGridEhExportAsCSV)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, TDBGridEhExportAsHTML)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, TDBGridEhExportAsRTF)->Arg(100000)->Unit(benchmark::kMillisecond);
// A worksheet holds 65,536 rows: the XLS writer at 60,000, the workbook at 60,000 and 100,000.
BENCHMARK_TEMPLATE(BM_Export, TDBGridEhExportAsXLS)->Arg(60000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, TDBGridEhExportAsXLSX)
    ->Arg(60000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
