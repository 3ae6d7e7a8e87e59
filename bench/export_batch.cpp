// The batch exporter's whole run (connect, query, result set, grid, writer, rename) over a
// demo installation of 100,000 warehouses, that is 100,000 report rows, against isql-fb
// running the same query into a file in the same character set. The installation is made once
// with galvora-demo in BENCH_EXPORT_DEMO (default /tmp/galvora-bench-100k) and kept for later
// runs.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/DemoInstallation.h"
#include "bench/support/ProcessCost.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = bench::kDemoRows;
using bench::BinFolder;
using bench::Demo;
using bench::EnsureDemo;

// Runs `command` through the shell; returns its exit status and raises `peakBytes` to the
// peak resident memory of that run (the shell and what it ran).
int Run(const std::string& command, double& peakBytes) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return -1;
  peakBytes = std::max(peakBytes, static_cast<double>(usage.ru_maxrss) * 1024.0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The exporter writing the format of the output's extension (txt, csv, htm, rtf).
void BM_BatchExport(benchmark::State& state, const char* extension) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  const std::string output =
      "/tmp/bench_batch_" + std::to_string(::getpid()) + "." + extension;
  const std::string command = "GALVORA_PASSWORD=masterkey QOR_REGISTRY=" + Demo() +
                              "/registry.reg " + BinFolder() + "/repcostoav-export --server " +
                              Demo() + " --user SYSDBA --company 001 --from 2022-01-01 --to " +
                              "2022-01-31 --output " + output;
  double peak = 0;
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      if (Run(command, peak) != 0) return state.SkipWithError("repcostoav-export failed");
    }
  }
  state.counters["child_peak_MB"] = peak / 1e6;
  state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(fs::file_size(output));
  fs::remove(output);
}

void BM_IsqlToFile(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  const std::string script = "/tmp/bench_batch_" + std::to_string(::getpid()) + ".sql";
  const std::string output = "/tmp/bench_batch_" + std::to_string(::getpid()) + ".isql";
  std::ofstream(script) << "select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31');\n";
  const std::string command = "isql-fb -q -ch WIN1252 -user SYSDBA -password masterkey -i " + script +
                              " -o " + output + " " + Demo() + "/datos/001/galvora.fdb";
  double peak = 0;
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      if (Run(command, peak) != 0) return state.SkipWithError("isql-fb failed");
    }
  }
  state.counters["child_peak_MB"] = peak / 1e6;
  state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(fs::file_size(output));
  fs::remove(output);
  fs::remove(script);
}

BENCHMARK_CAPTURE(BM_BatchExport, txt, "txt")->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BatchExport, csv, "csv")->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BatchExport, htm, "htm")->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_BatchExport, rtf, "rtf")->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_IsqlToFile)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
