// The comparison against one report at 100,000 warehouses (target: the comparison's wall time
// within 1.2 times one report's). One report: the procedure run for one period read through
// the report's client result set, every value of every row taken. The comparison: the two
// periods run on two connections at once, matched and totalled. Both in the same run, on the
// installation BENCH_COMPARE_DEMO (default /tmp/galvora-bench-compare-100k: galvora-demo with
// 100,000 warehouses over January and February 2022, made when missing).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/DemoInstallation.h"
#include "bench/support/ProcessCost.h"
#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/SqlExpr.h"
#include "report/Comparison.h"
#include "report/ReportFields.h"
#include "report/ReportSource.h"
#include "report/dm.h"

namespace {

std::string Demo() {
  const char* folder = std::getenv("BENCH_COMPARE_DEMO");
  return folder ? folder : "/tmp/galvora-bench-compare-100k";
}

std::string Database() { return report::ReportDatabaseName(Demo(), "001"); }

bool EnsureDemo() {
  static const bool ready = [] {
    if (std::filesystem::exists(Database())) return true;
    const std::string command = bench::BinFolder() + "/galvora-demo " + Demo() + " --warehouses " +
                                std::to_string(bench::kDemoRows) + " --months 2 > /dev/null";
    return std::system(command.c_str()) == 0;
  }();
  return ready;
}

// The demo's company database on the data module's connection.
void OpenDemo(Tfdm& dataModule) {
  TSQLConnection& connection = *dataModule.Galvora;
  connection.Params().SetValue("Database", Database());
  connection.Params().SetValue("User_Name", "SYSDBA");
  connection.Params().SetValue("password", "masterkey");
  connection.Open();
}

// Reads the open `data` to its end taking every value of every row; returns the rows.
long TakeEveryValue(TDataSet& data) {
  long rows = 0;
  TBcd value;
  for (; !data.Eof(); data.Next(), ++rows) {
    benchmark::DoNotOptimize(data.Fields()[0].AsString());
    benchmark::DoNotOptimize(data.Fields()[1].AsString());
    for (int f = 2; f < report::kReportFieldCount; ++f) {
      benchmark::DoNotOptimize(data.Fields()[f].GetData(&value));
    }
  }
  return rows;
}

// One report of February 2022 read row by row, every value taken; returns the rows.
long ReadOneReport() {
  Tfdm dataModule;
  OpenDemo(dataModule);
  report::TReportSource source(dataModule);
  TClientDataSet& data = source.Report();
  data.SetPacketRecords(1000);
  data.SetUniDirectional(true);
  data.SetCommandText(report::ReportCommandText(EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28)));
  data.Open();
  const long rows = TakeEveryValue(data);
  data.Close();
  return rows;
}

// The engine's page cache warmed once, so that neither side pays for the first reads.
void WarmUp() {
  static const long rows = ReadOneReport();
  benchmark::DoNotOptimize(rows);
}

void BM_OneReport(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  WarmUp();
  long rows = 0;
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) rows = ReadOneReport();
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_OneReport)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The procedure alone: the same period read through the statement, without the result set.
void BM_ProcedureOnly(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  WarmUp();
  long rows = 0;
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      Tfdm dataModule;
      OpenDemo(dataModule);
      TSQLQuery& query = *dataModule.QRepcliente;
      query.SetSQL(report::ReportCommandText(EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28)));
      query.Open();
      rows = TakeEveryValue(query);
      query.Close();
    }
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ProcedureOnly)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Comparison(benchmark::State& state) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  WarmUp();
  size_t rows = 0;
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      const report::TComparison comparison = report::RunComparison(
          Database(), "SYSDBA", "masterkey",
          report::ComparisonPeriods(EncodeDate(2022, 2, 1), EncodeDate(2022, 2, 28),
                                    report::TReferenceKind::Previous));
      rows = comparison.Rows.size();
    }
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_Comparison)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
