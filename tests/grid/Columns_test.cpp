// Column defaults that follow the grid and the field, option mirrors, cell kinds, heights,
// the layout lock, mouse resizing and moving, the scroll bar and footer texts.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QScrollBar>

#include "tests/grid/support/ReportGrid.h"

using namespace platform;
using gridtest::ReportGrid;

TEST(Columns, UnassignedPropertiesFollowTheGridAndTheField) {
  ReportGrid t(3);
  TDBGridEh& g = *t.grid;
  TColumnEh& name = *g.Columns()[1];
  TColumnEh& total = *g.Columns()[2];
  // Titles come from the field's label, else the field name; without a field, FieldName.
  EXPECT_EQ(name.Title().Caption(), "NOMBOD");
  t.data.FieldByName("NOMBOD").SetDisplayLabel("Nombre Bodega");
  EXPECT_EQ(name.Title().Caption(), "Nombre Bodega");
  name.Title().SetCaption("Nombre");
  EXPECT_EQ(name.Title().Caption(), "Nombre");
  // Alignment follows the field: numbers right, text left.
  EXPECT_EQ(total.Alignment(), taRightJustify);
  EXPECT_EQ(name.Alignment(), taLeftJustify);
  // Colour and fonts follow later changes of the grid.
  EXPECT_EQ(name.Color(), clWindow);
  g.SetColor(clCream);
  EXPECT_EQ(name.Color(), clCream);
  name.SetColor(clAqua);
  g.SetColor(clWindow);
  EXPECT_EQ(name.Color(), clAqua);
  EXPECT_EQ(name.Font().Name, "Arial Narrow");
  EXPECT_EQ(name.Title().Font().Name, "MS Sans Serif");
  EXPECT_EQ(name.Title().Color(), clBtnFace);
  g.SetFixedColor(clSilver);
  EXPECT_EQ(name.Title().Color(), clSilver);
  EXPECT_EQ(name.Footer().Color(), clMoneyGreen);
  EXPECT_TRUE(name.Footer().Font().Bold);
  EXPECT_TRUE(name.EndEllipsis());
  EXPECT_TRUE(name.Title().TitleButton());
  EXPECT_FALSE(name.Title().ToolTips());
  EXPECT_TRUE(name.ReadOnly());  // the grid is read-only
  // Footer rows: item r of Footers when there is one, else the single Footer.
  TColumnFooterEh& extra = name.AddFooter();
  EXPECT_EQ(&name.GetFooter(0), &extra);
  EXPECT_EQ(&name.GetFooter(1), &name.Footer());
}

TEST(Columns, DefaultWidthFromFontAndDisplayWidth) {
  ReportGrid t(3);
  TDBGridEh& g = *t.grid;
  TColumnEh& column = g.Columns().Add();
  EXPECT_EQ(column.DefaultWidth(), 64);  // no field yet
  column.SetFieldName("NOMBOD");
  QFontMetrics metrics(ToQFont(column.Font()));
  EXPECT_EQ(column.DefaultWidth(), metrics.horizontalAdvance('0') * 60 + 4);
  TColumnEh& missing = g.Columns().Add();
  missing.SetFieldName("NOSUCH");
  EXPECT_EQ(missing.Field(), nullptr);
  EXPECT_EQ(missing.Title().Caption(), "NOSUCH");
  EXPECT_EQ(missing.DefaultWidth(), 64);
  EXPECT_EQ(g.ColumnDisplayText(missing), "");
}

TEST(GridOptions, MirrorsAndRefusals) {
  TDBGridEh g;
  EXPECT_TRUE(g.IndicatorOptions() & gioShowRowIndicatorEh);
  g.SetOptions(g.Options() & ~dgIndicator);
  EXPECT_FALSE(g.IndicatorOptions() & gioShowRowIndicatorEh);
  g.SetIndicatorOptions(gioShowRowIndicatorEh);
  EXPECT_TRUE(g.Options() & dgIndicator);
  g.SetOptions(g.Options() & ~dgColumnResize);
  EXPECT_FALSE(g.OptionsEh() & (dghColumnResize | dghColumnMove));
  g.SetOptionsEh(g.OptionsEh() | dghColumnResize);
  EXPECT_FALSE(g.Options() & dgColumnResize);
  g.SetOptionsEh(g.OptionsEh() | dghColumnMove);
  EXPECT_TRUE(g.Options() & dgColumnResize);
  g.SetOptionsEh(g.OptionsEh() | dghShowRecNo);
  EXPECT_TRUE(g.IndicatorOptions() & gioShowRecNoEh);
  g.SetFooterRowCount(2);
  g.SetFooterRowCount(-1);
  EXPECT_EQ(g.FooterRowCount(), 2);
  EXPECT_EQ(g.OddRowColor(), clWindow);  // follows Color while not assigned
}

TEST(GridLayout, HeightsCellKindsAndRowCount) {
  ReportGrid t(40, 600, 400);
  TDBGridEh& g = *t.grid;
  QFontMetrics data(ToQFont(g.Font()));
  QFontMetrics title(ToQFont(g.TitleFont()));
  EXPECT_EQ(g.DataRowHeight(), data.height() + 1 + 1);
  EXPECT_EQ(g.TitleRowHeight(), title.height() + 2);
  EXPECT_EQ(g.IndicatorWidth(), 11);
  const int h = g.viewport()->height();
  EXPECT_EQ(g.VisibleDataRowCount(),
            (h - (g.TitleRowHeight() + 1) - (g.DataRowHeight() + 1) - 1) / (g.DataRowHeight() + 1));
  const int rows = g.GridRowCount();
  EXPECT_EQ(g.GetCellType(0, 0).Horz, hcIndicator);
  EXPECT_EQ(g.GetCellType(1, 0).Vert, vcTitle);
  EXPECT_EQ(g.GetCellType(1, 1).Vert, vcData);
  EXPECT_EQ(g.GetCellType(1, rows - 1).Vert, vcFooter);
  try {
    g.GetCellType(1, rows);
    FAIL();
  } catch (const platform::Exception& e) {
    EXPECT_EQ(e.Message(), "Algorithm error in TCustomDBGridEh.GetCellType");
  }
  // The footer row is fixed at the bottom of the client area.
  EXPECT_EQ(g.CellRect(1, rows - 1).bottom(), h - 2);
  // Columns end exactly at the client width.
  QRect last = g.CellRect(3, 0);
  EXPECT_EQ(last.right() + 1, g.viewport()->width() - 1);
}

TEST(GridLayout, LockCollectsLayoutRequests) {
  ReportGrid t(5);
  TDBGridEh& g = *t.grid;
  const int before = g.Columns()[0]->Width();
  g.LockLayout();
  g.LockLayout();
  g.SetMinAutoFitWidth(2000);
  EXPECT_EQ(g.Columns()[0]->Width(), before);
  g.UnlockLayout();
  EXPECT_EQ(g.Columns()[0]->Width(), before);
  g.UnlockLayout();
  EXPECT_GT(g.Columns()[0]->Width(), before);
}

TEST(GridMouse, ResizeByDraggingATitleBorder) {
  ReportGrid t(5, 600, 300);
  TDBGridEh& g = *t.grid;
  std::vector<int> before;
  for (int i = 0; i < 3; ++i) before.push_back(g.Columns()[i]->Width());
  int changed = 0;
  g.OnColWidthsChanged = [&](TDBGridEh&) { ++changed; };
  QRect first = g.CellRect(1, 0);
  QPoint border(first.right() + 1, first.center().y());
  QTest::mousePress(g.viewport(), Qt::LeftButton, {}, border + QPoint(2, 0));
  QTest::mouseMove(g.viewport(), border + QPoint(40, 0));
  QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, border + QPoint(40, 0));
  EXPECT_EQ(changed, 1);
  EXPECT_NEAR(g.Columns()[0]->Width(), before[0] + 40, 1);
  EXPECT_NEAR(g.Columns()[1]->Width(), before[1] - 40, 1);
  EXPECT_EQ(g.Columns()[2]->Width(), before[2]);
  // A release 1 pixel from the column's left edge changes nothing.
  std::vector<int> now;
  for (int i = 0; i < 3; ++i) now.push_back(g.Columns()[i]->Width());
  first = g.CellRect(1, 0);
  QTest::mousePress(g.viewport(), Qt::LeftButton, {}, QPoint(first.right() + 1, 5));
  QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, QPoint(first.left() + 1, 5));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(g.Columns()[i]->Width(), now[i]);
  // Data rows never start a resize.
  QTest::mousePress(g.viewport(), Qt::LeftButton, {},
                    QPoint(first.right() + 1, g.CellRect(1, 2).center().y()));
  QTest::mouseRelease(g.viewport(), Qt::LeftButton, {},
                      QPoint(first.right() + 50, g.CellRect(1, 2).center().y()));
  EXPECT_EQ(g.Columns()[0]->Width(), now[0]);
}

TEST(GridMouse, TitleClickMarksAndDragMovesColumns) {
  ReportGrid t(5, 600, 300);
  TDBGridEh& g = *t.grid;
  TColumnEh* code = g.Columns()[0];
  TColumnEh* name = g.Columns()[1];
  QPoint press = t.CellCentre(2, 0);
  // A 3-pixel move still clicks: the marker toggles, the rows stay.
  QTest::mousePress(g.viewport(), Qt::LeftButton, {}, press);
  QTest::mouseMove(g.viewport(), press + QPoint(3, 0));
  QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, press + QPoint(3, 0));
  EXPECT_EQ(name->Title().SortMarker(), smDownEh);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, press);
  EXPECT_EQ(name->Title().SortMarker(), smUpEh);
  // A 4-pixel move starts column moving: no click; releasing over the first column moves it.
  int moved = 0;
  g.OnColumnMoved = [&](TDBGridEh&, int, int) { ++moved; };
  QTest::mousePress(g.viewport(), Qt::LeftButton, {}, press);
  QTest::mouseMove(g.viewport(), press + QPoint(-4, 0));
  QTest::mouseMove(g.viewport(), t.CellCentre(1, 0));
  QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, t.CellCentre(1, 0));
  EXPECT_EQ(name->Title().SortMarker(), smUpEh);
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(g.Columns()[0], name);
  EXPECT_EQ(g.Columns()[1], code);
  EXPECT_EQ(t.data.Fields()[0].FieldName(), "CODBOD");
}

TEST(GridScrollBar, RangeFollowsRecordNumbers) {
  ReportGrid t(40, 600, 300);
  TDBGridEh& g = *t.grid;
  QScrollBar* bar = g.verticalScrollBar();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->minimum(), 1);
  EXPECT_EQ(bar->maximum(), 40);
  EXPECT_EQ(bar->pageStep(), g.VisibleDataRowCount());
  t.data.MoveBy(9);
  EXPECT_EQ(bar->value(), 10);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(t.data.RecNo(), 40);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(t.data.RecNo(), 40 - g.VisibleDataRowCount());
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(t.data.RecNo(), 1);
  bar->setSliderPosition(25);  // tracking
  EXPECT_EQ(t.data.RecNo(), 25);
}

TEST(GridFooter, FooterTextsAndSums) {
  ReportGrid t(4);
  TDBGridEh& g = *t.grid;
  TColumnEh& total = *g.Columns()[2];
  EXPECT_EQ(g.FooterText(total, 0), "");
  total.Footer().ValueType = fvtStaticText;
  total.Footer().Value = "Total";
  EXPECT_EQ(g.FooterText(total, 0), "Total");
  total.Footer().ValueType = fvtSum;
  total.Footer().DisplayFormat = "#,###.00";
  g.SumList().RecalcAll();
  // 7.50 + 1007.50 + 2007.50 + 3007.50
  EXPECT_EQ(g.FooterText(total, 0), "6,030.00");
  total.Footer().ValueType = fvtCount;
  total.Footer().DisplayFormat.clear();
  g.SumList().RecalcAll();
  EXPECT_EQ(g.GetFooterValue(0, total), "4");
  EXPECT_EQ(t.data.RecNo(), 1);  // the recalculation goes back to where it was
}

TEST(GridMouse, CtrlClicksBuildOneMultiSortOrderAppliedAtCtrlRelease) {
  ReportGrid t(5, 600, 300);
  TDBGridEh& g = *t.grid;
  int applied = 0;
  g.OnSortMarkingChanged = [&](TDBGridEh&) { ++applied; };
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(1, 0));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(3, 0));
  EXPECT_EQ(applied, 0);
  QTest::keyRelease(&g, Qt::Key_Control);
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(g.Columns()[0]->Title().SortIndex(), 1);
  EXPECT_EQ(g.Columns()[2]->Title().SortIndex(), 2);
  ASSERT_EQ(g.SortMarkedColumns().Count(), 2);
  // Ctrl+click cycles down, up, none; the other column moves up to index 1.
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(1, 0));
  EXPECT_EQ(g.Columns()[0]->Title().SortMarker(), smUpEh);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(1, 0));
  EXPECT_EQ(g.Columns()[0]->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(g.Columns()[2]->Title().SortIndex(), 1);
  QTest::keyRelease(&g, Qt::Key_Control);
  EXPECT_EQ(applied, 2);
  QTest::keyRelease(&g, Qt::Key_Control);
  EXPECT_EQ(applied, 2);
  // A plain click keeps only its own column marked and applies at once.
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, t.CellCentre(2, 0));
  EXPECT_EQ(applied, 3);
  EXPECT_EQ(g.SortMarkedColumns().Count(), 1);
  EXPECT_EQ(g.Columns()[2]->Title().SortMarker(), smNoneEh);
}

TEST(GridFooter, SummaryEngineLeavesTheResultSetItsHandlers) {
  auto data = std::make_unique<TMemDataSet>(
      std::vector<TMemDataSet::Column>{{"V", ftFMTBcd, 0}}, 3,
      [](int rec, int) { return std::to_string(rec + 1); });
  int opened = 0;
  data->AfterOpen = [&](TDataSet&) { ++opened; };
  TDataSource source(data.get());
  {
    TDBGridEh grid;
    grid.SumList().SetActive(true);
    grid.SetFooterRowCount(1);
    grid.SetDataSource(&source);
    grid.Columns().Add().SetFieldName("V");
    grid.Columns()[0]->Footer().ValueType = fvtSum;
    data->Open();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(grid.FooterText(*grid.Columns()[0], 0), "6");
    data->Close();
  }
  // The grid is gone: the result set runs its own handler only.
  data->Open();
  EXPECT_EQ(opened, 2);
  data->Close();
  // A grid whose data source goes first leaves handlers that are safe to run.
  auto grid = std::make_unique<TDBGridEh>();
  {
    TDataSource shortLived(data.get());
    grid->SumList().SetActive(true);
    grid->SetDataSource(&shortLived);
  }
  grid.reset();
  data->Open();
  EXPECT_EQ(opened, 3);
}
