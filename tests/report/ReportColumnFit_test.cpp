// The column needs measured one text at a time as the rows come (the batch exporter's one
// read of its rows) are the needs measured over the grid's result set.

#include "report/ReportColumnFit.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "grid/DBGridEh.h"
#include "print/SpooledExportSource.h"
#include "tests/grid/support/ReportGrid.h"

namespace {

using gridtest::ReportGrid;

std::string Described(const std::vector<report::TColumnNeed>& needs) {
  std::string text;
  for (const report::TColumnNeed& need : needs) {
    text += need.FieldName + " " + std::to_string(need.Text) + "/" + std::to_string(need.Title) +
            "; ";
  }
  return text;
}

TEST(ColumnNeedMeter, TextsAsTheRowsComeGiveTheNeedsOfTheResultSet) {
  const QTemporaryDir dir;
  ::setenv("TMPDIR", dir.path().toUtf8().constData(), 1);
  // Names whose widest is neither the first nor the last row's, past the title's width.
  const auto value = [](int rec, int col) -> std::string {
    if (col == 1) return rec == 17 ? "WWWWWWWWWWWWWWWW" : rec == 3 ? "iiiiiiiiiiiii" : "Galp\xf3n";
    return gridtest::WarehouseValue(rec, col);
  };
  ReportGrid whole(40, 600, 400, value), once(40, 600, 400, value);
  const std::vector<report::TColumnNeed> expected = report::MeasureColumnNeeds(*whole.grid);
  report::TColumnNeedMeter meter(*once.grid);
  TSpooledExportSource rows(*once.grid, "the report's rows",
                            [&](size_t position, const TExportCellParams& cell) {
                              meter.Add(position, cell.Text);
                            });
  ::unsetenv("TMPDIR");
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_GT(expected[1].Text, expected[1].Title);
  EXPECT_EQ(Described(meter.Needs()), Described(expected));
}

}  // namespace
