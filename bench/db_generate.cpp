// Creating a company database of N warehouses x 1 month of sample data (schema, rows,
// indexes), and running COSTOS_AVICOLA over all of them.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "bench/support/ProcessCost.h"
#include "db/CompanyDatabase.h"

namespace {

namespace fs = std::filesystem;

fs::path NewFolder() {
  std::string pattern = (fs::temp_directory_path() / "galvora-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

db::CompanyDatabaseOptions Sample(int warehouses) {
  db::CompanyDatabaseOptions options;
  options.sample = db::SampleData{1, warehouses, 1};
  return options;
}

void BM_CreateCompanyDatabase(benchmark::State& state) {
  const int warehouses = static_cast<int>(state.range(0));
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    const fs::path folder = NewFolder();
    db::CreateCompanyDatabase((folder / "galvora.fdb").string(), Sample(warehouses));
    state.PauseTiming();
    fs::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["warehouses/s"] =
      benchmark::Counter(static_cast<double>(warehouses) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CreateCompanyDatabase)
    ->Arg(1000)
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

void BM_CostosAvicola(benchmark::State& state) {
  const int warehouses = static_cast<int>(state.range(0));
  const fs::path folder = NewFolder();
  const std::string path = (folder / "galvora.fdb").string();
  db::CreateCompanyDatabase(path, Sample(warehouses));
  size_t rows = 0;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    rows =
        db::QueryText(path, "select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')").rows.size();
  }
  fs::remove_all(folder);
  if (rows != static_cast<size_t>(warehouses)) state.SkipWithError("wrong row count");
}
BENCHMARK(BM_CostosAvicola)->Arg(100000)->Iterations(2)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
