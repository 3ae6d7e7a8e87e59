// The printed report as a PDF, against the stored procedure alone in the same run.
// - BM_Procedure / BM_BatchPdf / BM_BatchTxt: isql-fb reading the report's rows into a file,
//   and the batch exporter's whole run as a PDF and as text, over the demo installation in
//   BENCH_EXPORT_DEMO (default /tmp/galvora-bench-100k with 100,000 warehouses, made by
//   galvora-demo when missing; point it at an installation made with --warehouses N for other
//   sizes): wall time and CPU of all threads (ProcessCost, the children included), and each
//   child's CPU and peak memory.
// - BM_PdfPages: the pages of an in-memory report of 100,000 rows, spooled as the batch
//   exporter spools them, written to a PDF, with the resident memory taken after the first
//   page, at half and at the end, so that any growth with the number of pages shows; and the
//   time the preview needs before its first page.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/DemoInstallation.h"
#include "bench/support/ProcessCost.h"
#include "grid/DBGridEh.h"
#include "platform/Fonts.h"
#include "print/ReportOutput.h"
#include "print/ReportPages.h"
#include "tests/grid/support/MemDataSet.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = bench::kDemoRows;

// Runs `program` with `args` and waits for it; `usage` receives the child's resource use.
bool RunChild(const std::string& program, const std::vector<std::string>& args, rusage& usage) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("GALVORA_PASSWORD", "masterkey", 1);
    ::setenv("QOR_REGISTRY", (bench::Demo() + "/registry.reg").c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execvp(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

// Runs a child per iteration with ProcessCost's wall and CPU, and the child's own CPU and
// peak memory as counters.
void ChildRuns(benchmark::State& state, const std::string& program,
               const std::vector<std::string>& args, const std::string& output) {
  if (!bench::EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  double cpu = 0, peak = 0;
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      rusage usage{};
      if (!RunChild(program, args, usage)) {
        return state.SkipWithError((program + " failed").c_str());
      }
      cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
      peak = std::max(peak, usage.ru_maxrss / 1024.0);
    }
  }
  state.counters["child_cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
  state.counters["child_peak_MB"] = peak;
  state.counters["file_MB"] = static_cast<double>(fs::file_size(output)) / (1024 * 1024);
  fs::remove(output);
}

void BatchRun(benchmark::State& state, const char* extension) {
  const std::string output = "/tmp/bench_print_" + std::to_string(::getpid()) + "." + extension;
  ChildRuns(state, bench::BinFolder() + "/repcostoav-export",
            {"--server", bench::Demo(), "--user", "SYSDBA", "--company", "001", "--from",
             "2022-01-01", "--to", "2022-01-31", "--output", output},
            output);
}

void BM_BatchPdf(benchmark::State& state) { BatchRun(state, "pdf"); }
void BM_BatchTxt(benchmark::State& state) { BatchRun(state, "txt"); }

// The stored procedure alone: isql-fb reading the same rows into a file.
void BM_Procedure(benchmark::State& state) {
  const std::string base = "/tmp/bench_print_" + std::to_string(::getpid());
  std::ofstream(base + ".sql") << "select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31');\n";
  ChildRuns(state, "isql-fb",
            {"-q", "-ch", "WIN1252", "-user", "SYSDBA", "-password", "masterkey", "-i",
             base + ".sql", "-o", base + ".isql", bench::Demo() + "/datos/001/galvora.fdb"},
            base + ".isql");
  fs::remove(base + ".sql");
}

// Resident memory of this process in MB.
double ResidentMB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

std::string Value(int rec, int col) {
  switch (col) {
    case 0:
      return std::to_string(rec % 100);
    case 1:
      return "Granja " + std::to_string(rec / 3) + " - Galp\xf3n " + std::to_string(rec % 3 + 1);
    default:
      return std::to_string((rec * 7919 + col * 104729) % 10000000) + ".25";
  }
}

void BM_PdfPages(benchmark::State& state) {
  std::vector<TMemDataSet::Column> columns = {{"CODBOD", ftString, 2}, {"NOMBOD", ftString, 60}};
  for (int c = 0; c < 20; ++c) columns.push_back({"VALOR" + std::to_string(c), ftFMTBcd, 0});
  TMemDataSet data(columns, kRows, Value);
  TDataSource source(&data);
  TDBGridEh grid;
  grid.SetFont({.Name = "Arial Narrow", .Size = 8});
  grid.Columns().BeginUpdate();
  for (const TMemDataSet::Column& column : columns) grid.Columns().Add().SetFieldName(column.Name);
  grid.Columns().EndUpdate();
  grid.SetDataSource(&source);
  grid.resize(1418, 484);
  grid.setAttribute(Qt::WA_DontShowOnScreen);
  grid.show();
  data.Open();
  TReportPrintSpec spec;
  spec.KeyFields = {"CODBOD", "NOMBOD"};
  spec.ChartLabelField = "CODBOD";
  spec.UnitCostField = "VALOR19";
  for (int c = 0; c < 7; ++c) spec.PartFields.push_back("VALOR" + std::to_string(c));

  const std::string path = "/tmp/bench_print_pages_" + std::to_string(::getpid()) + ".pdf";
  double firstPage = 0, afterFirst = 0, atHalf = 0, atEnd = 0, preview = 0;
  int pageCount = 0;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    TReportPages pages(grid, spec, TPrintRows::Spooled);
    QImage image(1100, 780, QImage::Format_RGB32);
    {
      QPainter painter(&image);
      pages.DrawPage(painter, 0);
    }
    preview = timer.nsecsElapsed() / 1e6;
    pageCount = pages.PageCount();
    SaveReportPdf(pages, path, 0, -1, [&](int done, int total) {
      if (done == 1) afterFirst = ResidentMB();
      if (done == total / 2) atHalf = ResidentMB();
      return true;
    });
    atEnd = ResidentMB();
    firstPage = preview;
  }
  state.counters["pages"] = pageCount;
  state.counters["preview_first_page_ms"] = firstPage;
  state.counters["rss_after_page1_MB"] = afterFirst;
  state.counters["rss_at_half_MB"] = atHalf;
  state.counters["rss_at_end_MB"] = atEnd;
  state.counters["file_MB"] = static_cast<double>(fs::file_size(path)) / (1024 * 1024);
  fs::remove(path);
}

BENCHMARK(BM_Procedure)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_BatchPdf)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_BatchTxt)->Iterations(2)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PdfPages)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  platform::RegisterFontSubstitutions();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
