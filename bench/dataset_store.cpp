// The client result set with the rows in memory: the report's shape (2 text columns, 20
// NUMERIC(15,2)), fed by a provider over a generated source so that no database time counts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "bench/support/ProcessCost.h"
#include "data/DBClient.h"

namespace {

constexpr int kDecimals = 20;

// Generated report rows: CODBOD "0001".., NOMBOD "BODEGA n", and 20 values of 15 digits.
class ReportSource : public TDataSet {
 public:
  explicit ReportSource(int rows) : TDataSet("QRepcliente"), rows_(rows) {}
  ~ReportSource() override { Close(); }

  bool GetFieldData(const TField& field, void* buffer) const override {
    const TRecordBuffer* record = ActiveBuffer();
    if (record == nullptr) return false;
    int row = 0;
    std::memcpy(&row, record->Data.data(), sizeof row);
    const int no = field.FieldNo();
    if (buffer == nullptr) return true;
    if (no == 1) {
      char* text = static_cast<char*>(buffer);
      text[0] = static_cast<char>('0' + row / 10 % 10);
      text[1] = static_cast<char>('0' + row % 10);
      text[2] = 0;
      return true;
    }
    if (no == 2) {
      std::snprintf(static_cast<char*>(buffer), 61, "BODEGA %d", row);
      return true;
    }
    TBcd value;
    value.Precision = 15;
    value.SignSpecialPlaces = 2;
    int64_t n = static_cast<int64_t>(row) * 1000 + no;
    for (int d = 14; d >= 0 && n > 0; --d, n /= 10) SetBcdDigit(value, d, static_cast<int>(n % 10));
    std::memcpy(buffer, &value, sizeof value);
    return true;
  }

 protected:
  void InternalOpen() override {
    InternalInitFieldDefs();
    CreateFields();
    position_ = -1;
    open_ = true;
  }
  void InternalClose() override {
    DestroyCreatedFields();
    open_ = false;
  }
  bool IsCursorOpen() const override { return open_; }
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    FieldDefs().Add(TFieldDef{"CODBOD", ftString, 2});
    FieldDefs().Add(TFieldDef{"NOMBOD", ftString, 60});
    for (int i = 0; i < kDecimals; ++i) {
      FieldDefs().Add(TFieldDef{"VALOR" + std::to_string(i), ftFMTBcd, 2, 15});
    }
  }
  size_t RecordBufferSize() const override { return sizeof(int); }
  TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override {
    const int target =
        mode == gmCurrent ? position_ : (mode == gmNext ? position_ + 1 : position_ - 1);
    if (target < 0) return position_ = -1, grBOF;
    if (target >= rows_) return position_ = rows_, grEOF;
    position_ = target;
    std::memcpy(buffer.Data.data(), &position_, sizeof position_);
    return grOK;
  }
  void InternalFirst() override { position_ = -1; }
  void InternalLast() override { position_ = rows_; }
  void InternalSetToRecord(const TRecordBuffer& buffer) override {
    std::memcpy(&position_, buffer.Data.data(), sizeof position_);
  }

 private:
  int rows_;
  int position_ = -1;
  bool open_ = false;
};

struct Report {
  TProviderOwner owner;
  ReportSource source;
  TDataSetProvider provider{"PRepcliente", &owner};
  TClientDataSet client{"CRepcliente", &owner};
  explicit Report(int rows) : source(rows) {
    provider.SetDataSet(&source);
    client.SetProviderName("PRepcliente");
  }
};

// Opening: the provider reads every row of the source, packs it, and the store loads it.
void BM_OpenInMemory(benchmark::State& state) {
  Report report(static_cast<int>(state.range(0)));
  {
    const bench::ProcessCost cost(state);
    for (auto _ : state) {
      report.client.Open();
      report.client.Close();
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  // Memory of the store against the packed bytes of the values it holds.
  report.client.Open();
  uint64_t held = 0;
  report.client.DSBase()->DsGetProp(dspropMEMORYUSED, &held);
  const double rows = static_cast<double>(state.range(0));
  double valueBytes = 0;
  for (int row = 0; row < state.range(0); ++row) {
    char name[64];
    valueBytes +=
        2 + std::snprintf(name, sizeof name, "BODEGA %d", row) + kDecimals * DSBcdSize(15);
  }
  state.counters["store_bytes_per_row"] = static_cast<double>(held) / rows;
  state.counters["value_bytes_per_row"] = valueBytes / rows;
  state.counters["store_to_values"] = static_cast<double>(held) / valueBytes;
  report.client.Close();
}
BENCHMARK(BM_OpenInMemory)->Arg(100000)->Unit(benchmark::kMillisecond);

Report& Million() {
  static Report* report = [] {
    auto* r = new Report(1000000);
    r->client.Open();
    return r;
  }();
  return *report;
}

// First, then Next to the end, reading one decimal field of each row.
void BM_FirstNext1M(benchmark::State& state) {
  TClientDataSet& client = Million().client;
  TField& value = client.FieldByName("VALOR3");
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    client.First();
    while (!client.Eof()) {
      benchmark::DoNotOptimize(value.IsNull());
      client.Next();
    }
  }
  state.SetItemsProcessed(state.iterations() * client.RecordCount());
}
BENCHMARK(BM_FirstNext1M)->Unit(benchmark::kMillisecond);

// Locate of the last row by a text and by a decimal key: a scan of every row.
void BM_Locate1M(benchmark::State& state, const char* field, TVariant key) {
  TClientDataSet& client = Million().client;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    client.First();
    benchmark::DoNotOptimize(client.Locate(field, {key}, loCaseInsensitive));
  }
  state.SetItemsProcessed(state.iterations() * client.RecordCount());
}
BENCHMARK_CAPTURE(BM_Locate1M, text, "NOMBOD", TVariant(std::string("bodega 999999")))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Locate1M, decimal, "VALOR19", TVariant(std::string("9999990.20")))
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
