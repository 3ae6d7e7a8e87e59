// Paints one full frame of a report grid of 22 columns (2 text, 20 decimal with display
// formats) sized like the report window's grid at its start size (1420 x 486), with the
// current record in the middle of the data, for 100 and for 1,000,000 records.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>

#include "bench/support/ProcessCost.h"
#include "grid/DBGridEh.h"
#include "platform/Fonts.h"
#include "tests/grid/support/MemDataSet.h"

namespace {

std::string Value(int rec, int col) {
  if (col == 0) return std::to_string(rec % 100);
  if (col == 1) return "Galp\xf3n de ponedoras " + std::to_string(rec + 1);
  return std::to_string((rec * 7919 + col * 104729) % 10000000) + "." +
         std::to_string(10 + (rec + col) % 90);
}

void PaintFrame(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  std::vector<TMemDataSet::Column> columns = {{"CODBOD", ftString, 2}, {"NOMBOD", ftString, 60}};
  for (int i = 0; i < 20; ++i) columns.push_back({"N" + std::to_string(i), ftFMTBcd, 0});
  TMemDataSet data(columns, records, Value);
  TDataSource source(&data);
  auto grid = std::make_unique<TDBGridEh>();
  grid->LockLayout();
  grid->SetOptionsEh(dghFixed3D | dghHighlightFocus | dghClearSelection | dghAutoSortMarking |
                     dghMultiSortMarking | dghEnterAsTab | dghRowHighlight | dghColumnResize |
                     dghColumnMove | dghExtendVertLines);
  grid->SetReadOnly(true);
  grid->SetFlat(true);
  grid->SetOddRowColor(platform::clSilver);
  grid->SetFont({.Name = "Arial Narrow", .Size = 8});
  grid->SetFooterColor(platform::clMoneyGreen);
  grid->SetFooterFont({.Name = "Arial Narrow", .Size = 8, .Bold = true});
  grid->SetFooterRowCount(1);
  grid->SumList().SetActive(true);
  grid->SumList().VirtualRecords = true;
  grid->ColumnDefValues().EndEllipsis = true;
  grid->SetAutoFitColWidths(true);
  grid->SetDataSource(&source);
  grid->UnlockLayout();
  grid->resize(1420, 486);
  grid->show();
  data.Open();
  for (int i = 2; i < data.Fields().Count(); ++i) {
    static_cast<TFMTBCDField&>(data.Fields()[i]).SetDisplayFormat("#,###.00");
  }
  data.MoveBy(records / 2);
  QImage image(grid->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    QPainter painter(&image);
    grid->PaintGrid(painter);
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["rows"] = grid->VisibleDataRowCount();
  grid.reset();
  data.Close();
}

BENCHMARK(PaintFrame)->Arg(100)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  platform::RegisterFontSubstitutions();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
