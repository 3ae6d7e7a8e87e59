// Sort marking on the report grid through real title clicks, and the sorting-service registry.
#include <gtest/gtest.h>

#include <stdexcept>

#include "grid/SortingService.h"
#include "tests/grid/support/ReportGrid.h"

using gridtest::ReportGrid;

namespace {

std::string NameAt(ReportGrid& t, int recNo) {
  t.data.First();
  t.data.MoveBy(recNo - 1);
  return t.data.FieldByName("NOMBOD").AsString();
}

QImage TitlePicture(ReportGrid& t, int col) { return t.Picture().copy(t.grid->CellRect(col, 0)); }

class CountingService : public TSortingServiceEh {
 public:
  void ApplySorting(TDBGridEh& /*grid*/, TDataSet& /*dataSet*/, bool isOpen) override {
    ++calls;
    lastOpen = isOpen;
  }
  int calls = 0;
  bool lastOpen = false;
};

}  // namespace

TEST(SortMarking, PlainClicksAlternateAndSmallDragsStillClick) {
  ReportGrid t(5, 600, 300);
  TDBGridEh& g = *t.grid;
  TColumnTitleEh& name = g.Columns()[1]->Title();
  const QPoint press = t.CellCentre(2, 0);
  struct Step {
    int dragX;
    TSortMarkerEh marker;
    int moves;
  } steps[] = {
      {0, smDownEh, 0}, {2, smUpEh, 0}, {0, smDownEh, 0},
      {4, smDownEh, 1},  // more than 3 pixels: column moving, no click
  };
  int moves = 0;
  g.OnColumnMoved = [&](TDBGridEh&, int, int) { ++moves; };
  for (const Step& step : steps) {
    QTest::mousePress(g.viewport(), Qt::LeftButton, {}, press);
    QTest::mouseMove(g.viewport(), press + QPoint(step.dragX, 0));
    if (step.moves) QTest::mouseMove(g.viewport(), t.CellCentre(1, 0));
    QTest::mouseRelease(g.viewport(), Qt::LeftButton, {},
                        step.moves ? t.CellCentre(1, 0) : press + QPoint(step.dragX, 0));
    EXPECT_EQ(name.SortMarker(), step.marker) << step.dragX;
    EXPECT_EQ(moves, step.moves) << step.dragX;
  }
  // The markers are display only: the rows keep the order they were delivered in.
  EXPECT_EQ(NameAt(t, 1), gridtest::WarehouseValue(0, 1));
  EXPECT_EQ(NameAt(t, 3), gridtest::WarehouseValue(2, 1));

  // Pressing, moving off the title and releasing elsewhere is no click.
  QTest::mousePress(g.viewport(), Qt::LeftButton, {}, t.CellCentre(1, 0));
  QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, t.CellCentre(1, 2));
  EXPECT_EQ(name.SortMarker(), smDownEh);
}

TEST(SortMarking, RemovingThePrimaryColumnLeavesOneWithoutNumber) {
  ReportGrid single(5);
  single.grid->AssignSortMarker(single.grid->Columns()[2]->Title(), smDownEh);
  const QImage alone = TitlePicture(single, 3);

  ReportGrid t(5);
  TDBGridEh& g = *t.grid;
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(1, 0));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(3, 0));
  EXPECT_EQ(g.Columns()[0]->Title().SortIndex(), 1);
  EXPECT_EQ(g.Columns()[2]->Title().SortIndex(), 2);
  EXPECT_NE(TitlePicture(t, 3), alone);  // shows its number 2
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(1, 0));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(1, 0));
  QTest::keyRelease(&g, Qt::Key_Control);
  EXPECT_EQ(g.Columns()[0]->Title().SortMarker(), smNoneEh);
  EXPECT_EQ(g.Columns()[2]->Title().SortIndex(), 1);
  EXPECT_EQ(TitlePicture(t, 3), alone);
}

TEST(SortMarking, AssignSortIndexSwapsWithTheHolder) {
  ReportGrid t(5);
  TDBGridEh& g = *t.grid;
  TColumnTitleEh& a = g.Columns()[0]->Title();
  TColumnTitleEh& b = g.Columns()[1]->Title();
  TColumnTitleEh& c = g.Columns()[2]->Title();
  for (TColumnTitleEh* title : {&a, &b, &c}) g.AssignSortMarker(*title, smUpEh);
  ASSERT_EQ(c.SortIndex(), 3);
  g.AssignSortIndex(c, 1);
  EXPECT_EQ(c.SortIndex(), 1);
  EXPECT_EQ(a.SortIndex(), 3);
  EXPECT_EQ(g.SortMarkedColumns()[0], g.Columns()[2]);
  EXPECT_EQ(g.SortMarkedColumns()[2], g.Columns()[0]);
  // An index no column holds, or a negative one, is not stored.
  g.AssignSortIndex(b, 7);
  g.AssignSortIndex(b, -1);
  EXPECT_EQ(b.SortIndex(), 2);
  // Unmarking renumbers the rest.
  g.AssignSortMarker(c, smNoneEh);
  EXPECT_EQ(b.SortIndex(), 1);
  EXPECT_EQ(a.SortIndex(), 2);
  EXPECT_EQ(c.SortIndex(), 0);
}

TEST(SortMarking, ServiceRegistryFindsTheNearestClass) {
  ReportGrid t(5, 600, 300);
  TDBGridEh& g = *t.grid;
  EXPECT_EQ(FindSortingService(t.data), nullptr);
  auto service = std::make_shared<CountingService>();
  RegisterSortingService("tdataset", service);
  RegisterSortingService("TClientDataSet", std::make_shared<CountingService>());
  EXPECT_THROW(RegisterSortingService("TDataSet", service), std::invalid_argument);
  EXPECT_EQ(FindSortingService(t.data), service);

  // A plain click applies at once; Ctrl+clicks once at the Ctrl key-up.
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, t.CellCentre(2, 0));
  EXPECT_EQ(service->calls, 1);
  EXPECT_TRUE(service->lastOpen);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(1, 0));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(3, 0));
  EXPECT_EQ(service->calls, 1);
  QTest::keyRelease(&g, Qt::Key_Control);
  EXPECT_EQ(service->calls, 2);

  // Without automatic marking a click only reports itself.
  int clicks = 0;
  g.OnTitleBtnClick = [&](TDBGridEh&, int index, TColumnEh&) { clicks += index + 1; };
  g.SetOptionsEh(g.OptionsEh() & ~dghAutoSortMarking);
  const TSortMarkerEh before = g.Columns()[1]->Title().SortMarker();
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, t.CellCentre(2, 0));
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(g.Columns()[1]->Title().SortMarker(), before);
  EXPECT_EQ(service->calls, 2);

  UnregisterSortingService("TDataSet");
  EXPECT_EQ(FindSortingService(t.data), nullptr);
  ClearSortingServices();
}
