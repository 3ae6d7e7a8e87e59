// Cost of the display text of the report's decimal cells.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/support/ProcessCost.h"
#include "data/DB.h"
#include "data/FMTBcd.h"
#include "platform/RegionalSettings.h"
#include "tests/data/support/MemoryDataSet.h"

namespace {

// Values of the report's kind (precision 15, 2 places) with up to 13 integer digits.
std::vector<TBcd> ReportValues(size_t count) {
  std::mt19937_64 random(7);
  std::vector<TBcd> values(count);
  for (TBcd& value : values) {
    value.Precision = 15;
    value.SignSpecialPlaces = static_cast<uint8_t>(2 | ((random() & 7) == 0 ? 0x80 : 0));
    int digits = std::uniform_int_distribution<int>(1, 15)(random);
    for (int d = 15 - digits; d < 15; ++d) {
      SetBcdDigit(value, d, std::uniform_int_distribution<int>(0, 9)(random));
    }
  }
  return values;
}

void BM_PlainText(benchmark::State& state) {
  std::vector<TBcd> values = ReportValues(1024);
  size_t i = 0;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(BcdToPlainText(values[i++ & 1023], '.'));
  }
}
BENCHMARK(BM_PlainText);

void BM_FormatBcd(benchmark::State& state, const char* format) {
  std::vector<TBcd> values = ReportValues(1024);
  platform::TFormatSettings settings;
  size_t i = 0;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatBcd(format, values[i++ & 1023], settings));
  }
}
BENCHMARK_CAPTURE(BM_FormatBcd, grouped, "#,###");
BENCHMARK_CAPTURE(BM_FormatBcd, grouped_places, "#,###.00");
BENCHMARK_CAPTURE(BM_FormatBcd, percent, "##.00%");

// A field's display text, as a grid cell asks for it: read the value, then format it.
void BM_FieldDisplayText(benchmark::State& state) {
  TFieldDef def;
  def.Name = "TOTCOSTO";
  def.DataType = ftFMTBcd;
  def.Size = 2;
  def.Precision = 15;
  MemoryDataSet data("CRepcliente", {def});
  TFMTBCDField field(15, 2);
  field.SetFieldName("TOTCOSTO");
  field.SetDisplayFormat("#,###");
  field.SetDataSet(&data);
  data.Open();
  data.Edit();
  field.SetAsBCD(ReportValues(1)[0]);
  data.Post();
  const bench::ProcessCost cost(state);
  for (auto _ : state) benchmark::DoNotOptimize(field.DisplayText());
}
BENCHMARK(BM_FieldDisplayText);

}  // namespace

BENCHMARK_MAIN();
