#pragma once

// A grid set up as the report window sets it up (flat, striped, bold green footer, autofit,
// read-only, titles as buttons, copy and select-all), bound to an in-memory result set of
// warehouses. Shown and sized on the off-screen platform.

#include <QApplication>
#include <QImage>
#include <QTest>
#include <memory>
#include <string>

#include "grid/DBGridEh.h"
#include "platform/Fonts.h"
#include "tests/grid/support/MemDataSet.h"

namespace gridtest {

// Record `rec` of the warehouse table: code, name and a total cost.
inline std::string WarehouseValue(int rec, int col) {
  switch (col) {
    case 0: {
      std::string code = std::to_string(rec % 100);
      return code.size() < 2 ? "0" + code : code;
    }
    case 1:
      return rec == 2 ? "Bodega principal de ponedoras de Guarne, lote A"
                      : "Galp\xf3n " + std::to_string(rec + 1);
    default:
      return std::to_string(rec * 1000 + 7) + ".50";
  }
}

struct ReportGrid {
  explicit ReportGrid(int records = 40, int width = 600, int height = 400,
                      TMemDataSet::Generator generator = WarehouseValue)
      : data({{"CODBOD", ftString, 2}, {"NOMBOD", ftString, 60}, {"TOTCOSTO", ftFMTBcd, 0}},
             records, generator),
        source(&data) {
    platform::RegisterFontSubstitutions();
    grid = std::make_unique<TDBGridEh>();
    TDBGridEh& g = *grid;
    g.LockLayout();
    g.SetOptionsEh(dghFixed3D | dghHighlightFocus | dghClearSelection | dghAutoSortMarking |
                   dghMultiSortMarking | dghEnterAsTab | dghIncSearch | dghPreferIncSearch |
                   dghRowHighlight | dghColumnResize | dghColumnMove | dghExtendVertLines);
    g.SetEditActions(geaCopyEh | geaSelectAllEh);
    g.SetReadOnly(true);
    g.SetFlat(true);
    g.SetOddRowColor(platform::clSilver);
    g.SetFont({.Name = "Arial Narrow", .Size = 8});
    g.SetTitleFont({.Name = "MS Sans Serif", .Size = 8});
    g.SetFooterColor(platform::clMoneyGreen);
    g.SetFooterFont({.Name = "Arial Narrow", .Size = 8, .Bold = true});
    g.SetFooterRowCount(1);
    g.SumList().SetActive(true);
    g.SumList().VirtualRecords = true;
    g.ColumnDefValues().EndEllipsis = true;
    g.ColumnDefValues().ToolTips = true;
    g.ColumnDefValues().Title.TitleButton = true;
    g.Columns().BeginUpdate();
    for (const char* name : {"CODBOD", "NOMBOD", "TOTCOSTO"}) {
      TColumnEh& column = g.Columns().Add();
      column.SetFieldName(name);
      column.SetWidth(std::string(name) == "NOMBOD" ? 60 : 40);
    }
    g.Columns().EndUpdate();
    g.SetAutoFitColWidths(true);
    g.SetDataSource(&source);
    g.UnlockLayout();
    g.resize(width, height);
    g.show();
    // Key clicks of earlier tests may leave Ctrl in the application's modifier state.
    QTest::keyRelease(&g, Qt::Key_Control, Qt::NoModifier);
    data.Open();
  }

  ~ReportGrid() {
    grid.reset();
    data.Close();
  }

  // Gives the grid the keyboard focus in an active window.
  bool Focus() {
    grid->activateWindow();
    QApplication::setActiveWindow(grid.get());
    grid->setFocus();
    QApplication::processEvents();
    return grid->hasFocus();
  }

  // The painted client area.
  QImage Picture() { return grid->viewport()->grab().toImage(); }

  // The colour of an inner pixel of grid cell (col, row): one pixel inside its right edge,
  // two below its top, clear of left-aligned short text and of right-aligned text margins.
  platform::TColor Pixel(const QImage& image, int col, int row) {
    QRect r = grid->CellRect(col, row);
    return platform::FromQColor(image.pixelColor(r.right() - 1, r.top() + 2));
  }

  QPoint CellCentre(int col, int row) { return grid->CellRect(col, row).center(); }

  TMemDataSet data;
  TDataSource source;
  std::unique_ptr<TDBGridEh> grid;
};

}  // namespace gridtest
