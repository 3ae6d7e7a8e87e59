// The selection model driven through real key and mouse events on the report grid.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QWheelEvent>

#include "tests/grid/support/ReportGrid.h"

using gridtest::ReportGrid;

namespace {

void Key(TDBGridEh& g, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(&g, key, mods);
}

int RecNo(ReportGrid& t) { return t.data.RecNo(); }

}  // namespace

TEST(Selection, AfterSelectAllSomeMovesKeepItAndOthersClearIt) {
  struct Case {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    bool keeps;
  } cases[] = {
      {"Down", Qt::Key_Down, Qt::NoModifier, true},
      {"Up", Qt::Key_Up, Qt::NoModifier, true},
      {"Home", Qt::Key_Home, Qt::NoModifier, true},
      {"End", Qt::Key_End, Qt::NoModifier, true},
      {"Ctrl+Left", Qt::Key_Left, Qt::ControlModifier, true},
      {"Ctrl+Right", Qt::Key_Right, Qt::ControlModifier, true},
      {"Right", Qt::Key_Right, Qt::NoModifier, false},
      {"Left", Qt::Key_Left, Qt::NoModifier, false},
      {"PgDn", Qt::Key_PageDown, Qt::NoModifier, false},
      {"PgUp", Qt::Key_PageUp, Qt::NoModifier, false},
      {"Tab", Qt::Key_Tab, Qt::NoModifier, false},
      {"Enter as Tab", Qt::Key_Return, Qt::NoModifier, false},
      {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, false},
      {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, false},
      {"Ctrl+PgUp", Qt::Key_PageUp, Qt::ControlModifier, false},
      {"Ctrl+Down", Qt::Key_Down, Qt::ControlModifier, false},
      {"Escape", Qt::Key_Escape, Qt::NoModifier, false},
  };
  ReportGrid t(40);
  TDBGridEh& g = *t.grid;
  for (const Case& c : cases) {
    t.data.First();
    t.data.MoveBy(4);  // record 5
    g.SetSelectedIndex(1);
    Key(g, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(g.Selection().SelectionType(), gstAll) << c.name;
    Key(g, c.key, c.mods);
    EXPECT_EQ(g.Selection().SelectionType(), c.keeps ? gstAll : gstNon) << c.name;
    Key(g, Qt::Key_Escape);
  }
}

TEST(Selection, ReportGridStateTable) {
  ReportGrid t(40);
  TDBGridEh& g = *t.grid;
  t.data.MoveBy(4);
  ASSERT_EQ(RecNo(t), 5);
  EXPECT_EQ(g.Selection().SelectionType(), gstNon);

  // Ctrl+A, then Down keeps the selection and moves to record 6; Right clears it.
  Key(g, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(g.Selection().SelectionType(), gstAll);
  Key(g, Qt::Key_Down);
  EXPECT_EQ(RecNo(t), 6);
  EXPECT_EQ(g.Selection().SelectionType(), gstAll);
  Key(g, Qt::Key_Right);
  EXPECT_EQ(g.Selection().SelectionType(), gstNon);
  EXPECT_EQ(g.SelectedIndex(), 1);

  // A right click inside the selection keeps it and makes the cell current; a left click
  // clears it.
  Key(g, Qt::Key_A, Qt::ControlModifier);
  QTest::mouseClick(g.viewport(), Qt::RightButton, {}, t.CellCentre(3, 1 + 2));
  EXPECT_EQ(g.Selection().SelectionType(), gstAll);
  EXPECT_EQ(g.SelectedIndex(), 2);
  EXPECT_EQ(g.RecordNumberOfRow(2), RecNo(t));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, t.CellCentre(1, 1 + 1));
  EXPECT_EQ(g.Selection().SelectionType(), gstNon);
  EXPECT_EQ(g.SelectedIndex(), 0);

  // The wheel keeps it and moves one record per notch.
  Key(g, Qt::Key_A, Qt::ControlModifier);
  int before = RecNo(t);
  QPoint at = t.CellCentre(1, 2);
  QWheelEvent wheel(at, g.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(g.viewport(), &wheel);
  EXPECT_EQ(RecNo(t), before + 2);
  EXPECT_EQ(g.Selection().SelectionType(), gstAll);

  // A new calculation (the result set reopened) starts with nothing selected.
  t.data.Close();
  t.data.Open();
  EXPECT_EQ(g.Selection().SelectionType(), gstNon);
}

TEST(Selection, SelectAllNeedsRowsAndWithoutMultiSelectShiftOnlyMoves) {
  ReportGrid empty(0);
  Key(*empty.grid, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(empty.grid->Selection().SelectionType(), gstNon);
  EXPECT_FALSE(empty.grid->CanSelectAll());
  empty.data.Close();
  Key(*empty.grid, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(empty.grid->Selection().SelectionType(), gstNon);

  ReportGrid t(10);
  TDBGridEh& g = *t.grid;
  EXPECT_TRUE(g.CanSelectAll());
  Key(g, Qt::Key_Down, Qt::ShiftModifier);
  Key(g, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(RecNo(t), 3);
  EXPECT_EQ(g.Selection().SelectionType(), gstNon);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ShiftModifier, t.CellCentre(2, 1 + 5));
  EXPECT_EQ(g.Selection().SelectionType(), gstNon);
  EXPECT_EQ(RecNo(t), 6);
}

TEST(Selection, MultiSelectRectangleByShiftArrows) {
  ReportGrid t(20);
  TDBGridEh& g = *t.grid;
  g.SetOptions(g.Options() | dgMultiSelect);
  t.data.MoveBy(2);  // record 3
  g.SetSelectedIndex(1);
  auto bookmarkOf = [&](int recNo) {
    TBookmark saved = t.data.GetBookmark();
    t.data.First();
    t.data.MoveBy(recNo - 1);
    TBookmark b = t.data.GetBookmark();
    t.data.GotoBookmark(saved);
    return b;
  };
  for (int i = 0; i < 3; ++i) Key(g, Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(g.Selection().SelectionType(), gstRectangle);
  const TDBGridEhSelectionRect& rect = g.Selection().Rect();
  EXPECT_EQ(rect.TopRow(), bookmarkOf(3));
  EXPECT_EQ(rect.BottomRow(), bookmarkOf(6));
  EXPECT_EQ(rect.LeftCol(), 1);
  EXPECT_EQ(rect.RightCol(), 1);
  for (int i = 0; i < 2; ++i) Key(g, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(rect.TopRow(), bookmarkOf(3));
  EXPECT_EQ(rect.BottomRow(), bookmarkOf(4));
  EXPECT_TRUE(g.Selection().IsCellSelected(1, bookmarkOf(4)));
  EXPECT_FALSE(g.Selection().IsCellSelected(1, bookmarkOf(5)));
  EXPECT_FALSE(g.Selection().IsCellSelected(2, bookmarkOf(3)));
  EXPECT_FALSE(g.Selection().IsCellSelected(-1, bookmarkOf(3)));
  // Shift+Right widens it; a plain move clears it.
  Key(g, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(rect.RightCol(), 2);
  Key(g, Qt::Key_Down);
  EXPECT_EQ(g.Selection().SelectionType(), gstRectangle);  // Up/Down do not clear
  Key(g, Qt::Key_Right);
  EXPECT_EQ(g.Selection().SelectionType(), gstNon);
}

TEST(Selection, MultiSelectRowsAndColumnsWithTheMouse) {
  ReportGrid t(20);
  TDBGridEh& g = *t.grid;
  g.SetOptions(g.Options() | dgMultiSelect);
  // Indicator clicks: a plain click selects one record, Ctrl toggles more in.
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, t.CellCentre(0, 1 + 4));
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(0, 1 + 1));
  ASSERT_EQ(g.Selection().SelectionType(), gstRecordBookmarks);
  ASSERT_EQ(g.Selection().Rows().Count(), 2);
  // The row list stays sorted by bookmark whatever the order of selection.
  EXPECT_LT(t.data.CompareBookmarks(g.Selection().Rows()[0], g.Selection().Rows()[1]), 0);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ControlModifier, t.CellCentre(0, 1 + 1));
  EXPECT_EQ(g.Selection().Rows().Count(), 1);
  // The bottom of a title selects its column; Shift extends to another.
  QRect title = g.CellRect(1, 0);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {},
                    QPoint(title.center().x(), title.bottom() - 1));
  ASSERT_EQ(g.Selection().SelectionType(), gstColumns);
  QRect third = g.CellRect(3, 0);
  QTest::mouseClick(g.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                    QPoint(third.center().x(), third.bottom() - 1));
  EXPECT_EQ(g.Selection().Columns().Count(), 3);
  EXPECT_TRUE(g.Selection().IsColumnFixedSelected(2));
}

TEST(Selection, TypesAllowed) {
  ReportGrid t(5);
  TDBGridEh& g = *t.grid;
  for (auto type : {gstRecordBookmarks, gstRectangle, gstColumns, gstAll}) {
    EXPECT_FALSE(g.IsTypeAllowed(type)) << type;
  }
  EXPECT_TRUE(g.IsTypeAllowed(gstNon));
  g.SetOptions(g.Options() | dgMultiSelect);
  for (auto type : {gstRecordBookmarks, gstRectangle, gstColumns, gstAll}) {
    EXPECT_TRUE(g.IsTypeAllowed(type)) << type;
  }
  g.SetOptions(g.Options() | dgRowSelect);
  EXPECT_TRUE(g.IsTypeAllowed(gstRecordBookmarks));
  EXPECT_FALSE(g.IsTypeAllowed(gstRectangle));
  EXPECT_FALSE(g.IsTypeAllowed(gstColumns));
  g.SetAllowedSelections(gstRecordBookmarksBit);
  EXPECT_FALSE(g.IsTypeAllowed(gstAll));
  EXPECT_FALSE(g.CanSelectAll());
}

TEST(Selection, ClosedLinkRowListRaises) {
  ReportGrid t(3);
  t.data.Close();
  EXPECT_THROW(t.grid->Selection().Rows().CurrentRowSelected(), EDatabaseError);
}

TEST(GridKeys, TabWrapsAndNeverAppendsOnTheReadOnlyGrid) {
  ReportGrid t(3);
  TDBGridEh& g = *t.grid;
  Key(g, Qt::Key_Tab);
  Key(g, Qt::Key_Tab);
  EXPECT_EQ(g.SelectedIndex(), 2);
  Key(g, Qt::Key_Tab);
  EXPECT_EQ(g.SelectedIndex(), 0);
  EXPECT_EQ(RecNo(t), 2);
  Key(g, Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(g.SelectedIndex(), 2);
  EXPECT_EQ(RecNo(t), 1);
  t.data.Last();
  g.SetSelectedIndex(2);
  Key(g, Qt::Key_Return);  // Enter as Tab
  EXPECT_EQ(g.SelectedIndex(), 0);
  EXPECT_EQ(RecNo(t), 3);
  EXPECT_EQ(t.data.RecordCount(), 3);
  EXPECT_EQ(t.data.State(), dsBrowse);
  Key(g, Qt::Key_Insert);
  Key(g, Qt::Key_Delete);
  Key(g, Qt::Key_Down);
  EXPECT_EQ(t.data.State(), dsBrowse);
  EXPECT_EQ(t.data.RecordCount(), 3);
}

TEST(GridKeys, CopyKeysReachTheCopyHook) {
  ReportGrid t(3);
  TDBGridEh& g = *t.grid;
  int copies = 0;
  g.OnCopyToClipboard = [&](TDBGridEh&) { ++copies; };
  Key(g, Qt::Key_C, Qt::ControlModifier);
  Key(g, Qt::Key_Insert, Qt::ControlModifier);
  Key(g, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(copies, 3);
  g.SetEditActions(geaSelectAllEh);
  Key(g, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(copies, 3);
}

TEST(GridKeys, InPlaceEditorIsReadOnly) {
  ReportGrid t(5);
  TDBGridEh& g = *t.grid;
  ASSERT_TRUE(t.Focus());
  g.SetSelectedIndex(1);
  Key(g, Qt::Key_F2);
  ASSERT_TRUE(g.EditorVisible());
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, &g);
  QTest::keyClicks(editor, "xyz");
  EXPECT_EQ(t.data.State(), dsBrowse);
  EXPECT_EQ(t.data.FieldByName("NOMBOD").AsString(), gridtest::WarehouseValue(0, 1));
  // Moving to another record closes it; Escape too.
  QTest::keyClick(editor, Qt::Key_Down);
  EXPECT_FALSE(g.EditorVisible());
  EXPECT_EQ(t.data.RecNo(), 2);
  // A click on the cell that is already current opens it.
  QTest::mouseClick(g.viewport(), Qt::LeftButton, {}, t.CellCentre(2, 1 + 1));
  EXPECT_TRUE(g.EditorVisible());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_FALSE(g.EditorVisible());
  // With a selection F2 opens nothing.
  Key(g, Qt::Key_A, Qt::ControlModifier);
  Key(g, Qt::Key_F2);
  EXPECT_FALSE(g.EditorVisible());
}

TEST(Selection, DraggingBelowTheDataAreaScrollsAndExtendsTheRectangle) {
  ReportGrid t(200, 600, 300);
  TDBGridEh& g = *t.grid;
  g.SetOptions(g.Options() | dgMultiSelect);
  QPoint start = t.CellCentre(2, 1 + 1);
  QTest::mousePress(g.viewport(), Qt::LeftButton, {}, start);
  ASSERT_EQ(t.data.RecNo(), 2);
  // 30 pixels below the last data row: 30 / 6 + 1 = 6 records per tick.
  QPoint below(start.x(), g.CellRect(2, g.VisibleDataRowCount()).bottom() + 31);
  QMouseEvent move(QEvent::MouseMove, below, g.viewport()->mapToGlobal(below), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(g.viewport(), &move);
  QElapsedTimer clock;
  clock.start();
  while (t.data.RecNo() < 60 && clock.elapsed() < 5000) QTest::qWait(20);
  QTest::mouseRelease(g.viewport(), Qt::LeftButton, {}, below);
  const int reached = t.data.RecNo();
  EXPECT_GE(reached, 60);
  ASSERT_EQ(g.Selection().SelectionType(), gstRectangle);
  EXPECT_EQ(g.Selection().Rect().BottomRow(), t.data.GetBookmark());
  QTest::qWait(150);
  EXPECT_EQ(t.data.RecNo(), reached);  // the release stopped the scrolling
}
