// Peak resident memory of the batch exporter's whole run at 10,000, 100,000 and 1,000,000
// report rows, per format written in one pass over the rows (HTML and RTF keep theirs in a
// temporary file until their column widths are known), against isql-fb running the same query into a file in the
// same run (each case runs the exporter, then isql-fb, on the same database). Also wall time
// and the CPU time of every thread of each process.
//
// The installations are made with galvora-demo in BENCH_MEMORY_DEMO_PREFIX + the row count
// (default /tmp/galvora-bench-10000, ...) when missing and kept for later runs; making the
// one of 1,000,000 warehouses takes about 25 minutes. A run of one size only:
//   bench_batch_memory --benchmark_filter='/1000000'

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/DemoInstallation.h"

namespace fs = std::filesystem;

namespace {

using bench::BinFolder;

std::string DemoFor(int64_t rows) {
  const char* prefix = std::getenv("BENCH_MEMORY_DEMO_PREFIX");
  return (prefix ? prefix : "/tmp/galvora-bench-") + std::to_string(rows);
}

bool EnsureDemoFor(int64_t rows) {
  const std::string folder = DemoFor(rows);
  if (fs::exists(folder + "/datos/001/galvora.fdb")) return true;
  const std::string command = BinFolder() + "/galvora-demo " + folder + " --warehouses " +
                              std::to_string(rows) + " --months 1 > /dev/null";
  return std::system(command.c_str()) == 0;
}

// What one run of a program cost: its exit status, wall seconds, CPU seconds of all its
// threads and its peak resident bytes.
struct Cost {
  int status = -1;
  double wall = 0, cpu = 0, peak = 0;
};

Cost Run(const std::string& command) {
  Cost cost;
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return cost;
  cost.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cost.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  cost.peak = static_cast<double>(usage.ru_maxrss) * 1024.0;
  cost.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return cost;
}

// The exporter writing one format, then isql-fb with the same query, on the installation of
// state.range(0) rows.
void BM_BatchPeak(benchmark::State& state, const char* format) {
  const int64_t rows = state.range(0);
  if (!EnsureDemoFor(rows)) return state.SkipWithError("galvora-demo failed");
  const std::string demo = DemoFor(rows);
  const std::string base = "/tmp/bench_memory_" + std::to_string(::getpid());
  const std::string output = base + "." + format;
  const std::string exporter = "env GALVORA_PASSWORD=masterkey QOR_REGISTRY=" + demo +
                               "/registry.reg " + BinFolder() + "/repcostoav-export --server " +
                               demo + " --user SYSDBA --company 001 --from 2022-01-01 --to " +
                               "2022-01-31 --format " + format + " --output " + output;
  std::ofstream(base + ".sql") << "select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31');\n";
  const std::string isql = "isql-fb -q -ch WIN1252 -user SYSDBA -password masterkey -i " + base +
                           ".sql -o " + base + ".isql " + demo + "/datos/001/galvora.fdb";
  Cost mine, peer;
  for (auto _ : state) {
    const Cost a = Run(exporter);
    const Cost b = Run(isql);
    if (a.status != 0) return state.SkipWithError("repcostoav-export failed");
    if (b.status != 0) return state.SkipWithError("isql-fb failed");
    mine.wall += a.wall, mine.cpu += a.cpu, mine.peak = std::max(mine.peak, a.peak);
    peer.wall += b.wall, peer.cpu += b.cpu, peer.peak = std::max(peer.peak, b.peak);
  }
  const double n = static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["peak_MB"] = mine.peak / 1e6;
  state.counters["isql_peak_MB"] = peer.peak / 1e6;
  state.counters["wall_s"] = mine.wall / n;
  state.counters["isql_wall_s"] = peer.wall / n;
  state.counters["cpu_s"] = mine.cpu / n;
  state.counters["isql_cpu_s"] = peer.cpu / n;
  state.counters["bytes"] = static_cast<double>(fs::file_size(output));
  for (const std::string& file : {output, base + ".sql", base + ".isql"}) fs::remove(file);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
}

BENCHMARK_CAPTURE(BM_BatchPeak, csv, "csv")->Apply(Sizes);
BENCHMARK_CAPTURE(BM_BatchPeak, txt, "txt")->Apply(Sizes);
BENCHMARK_CAPTURE(BM_BatchPeak, htm, "htm")->Apply(Sizes);
BENCHMARK_CAPTURE(BM_BatchPeak, rtf, "rtf")->Apply(Sizes);
// A sheet holds 65,536 rows: the XLS file is measured at the smallest size only.
BENCHMARK_CAPTURE(BM_BatchPeak, xls, "xls")
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_BatchPeak, xlsx, "xlsx")->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
