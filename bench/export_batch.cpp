// The batch exporter's whole run (connect, query, result set, grid, writer, rename) over a
// demo installation of 100,000 warehouses, that is 100,000 report rows, against isql-fb
// running the same query into a file. The installation is made once with galvora-demo in
// BENCH_EXPORT_DEMO (default /tmp/galvora-bench-100k) and kept for later runs.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/DemoInstallation.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRows = bench::kDemoRows;
using bench::BinFolder;
using bench::Demo;
using bench::EnsureDemo;

int Run(const std::string& command) { return std::system(command.c_str()); }

void BM_BatchExport(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  const std::string output = "/tmp/bench_batch_" + std::to_string(::getpid()) + ".txt";
  const std::string command = "GALVORA_PASSWORD=masterkey QOR_REGISTRY=" + Demo() +
                              "/registry.reg " + BinFolder() + "/repcostoav-export --server " +
                              Demo() + " --user SYSDBA --company 001 --from 2022-01-01 --to " +
                              "2022-01-31 --output " + output;
  for (auto _ : state) {
    if (Run(command) != 0) return state.SkipWithError("repcostoav-export failed");
  }
  state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(fs::file_size(output));
  fs::remove(output);
}

void BM_IsqlToFile(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  const std::string script = "/tmp/bench_batch_" + std::to_string(::getpid()) + ".sql";
  const std::string output = "/tmp/bench_batch_" + std::to_string(::getpid()) + ".isql";
  std::ofstream(script) << "select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31');\n";
  const std::string command = "isql-fb -q -user SYSDBA -password masterkey -i " + script +
                              " -o " + output + " " + Demo() + "/datos/001/galvora.fdb";
  for (auto _ : state) {
    if (Run(command) != 0) return state.SkipWithError("isql-fb failed");
  }
  state.counters["rows/s"] = benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bytes"] = static_cast<double>(fs::file_size(output));
  fs::remove(output);
  fs::remove(script);
}

BENCHMARK(BM_BatchExport)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_IsqlToFile)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
