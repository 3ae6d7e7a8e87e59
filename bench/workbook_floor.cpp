// The workbook writer's own share of the time: the product's export of report-shaped rows
// (2 text and 20 number columns) against libxlsxwriter alone writing the same cells with
// one format per column in its constant-memory mode, the floor the product is measured
// against. Each run reports the whole process's CPU time and peak memory.

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <string>

#include "bench/support/ProcessCost.h"
#include "bench/support/ReportRows.h"
#include "export/ExportAsXLSX.h"
#include "platform/Cp1252.h"

namespace {

std::string OutputPath() { return "/tmp/bench_workbook_" + std::to_string(::getpid()) + ".xlsx"; }

bench::ReportRows& Rows(int count) {
  static bench::ReportRows* rows10k = new bench::ReportRows(10000);
  static bench::ReportRows* rows100k = new bench::ReportRows(100000);
  return count == 10000 ? *rows10k : *rows100k;
}

// Microseconds per row (of the loop's time).
void Finish(benchmark::State& state) {
  state.counters["us/row"] =
      benchmark::Counter(static_cast<double>(state.range(0)) / 1e6,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Product(benchmark::State& state) {
  bench::ReportRows& rows = Rows(static_cast<int>(state.range(0)));
  const std::string path = OutputPath();
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    ExportGridToFile(&CreateExporter<TDBGridEhExportAsXLSX>, rows, path, true);
  }
  ::unlink(path.c_str());
  Finish(state);
}

// The same title row, texts and numbers through the library's own cell writes.
void BM_LibraryAlone(benchmark::State& state) {
  bench::ReportRows& rows = Rows(static_cast<int>(state.range(0)));
  const std::string path = OutputPath();
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(path.c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Costos");
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format* money = workbook_add_format(workbook);
    format_set_num_format(money, "#,##0.00");
    const std::vector<int> columns = rows.VisibleColumns();
    for (int c : columns) {
      worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c),
                             platform::Cp1252ToUtf8(rows.TitleCaption(c)).c_str(), bold);
    }
    TExportCellParams params;
    lxw_row_t row = 1;
    for (rows.First(); !rows.Eof(); rows.Next(), ++row) {
      for (int c : columns) {
        if (rows.FieldType(c) == ftString) {
          rows.GetCellParams(c, params);
          worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c),
                                 platform::Cp1252ToUtf8(params.Text).c_str(), nullptr);
        } else {
          worksheet_write_number(sheet, row, static_cast<lxw_col_t>(c), rows.FieldAsFloat(c),
                                 money);
        }
      }
    }
    workbook_close(workbook);
  }
  ::unlink(path.c_str());
  Finish(state);
}

BENCHMARK(BM_LibraryAlone)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Product)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
