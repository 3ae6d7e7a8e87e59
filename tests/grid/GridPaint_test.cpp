// Painted pixels of the report grid, grabbed from the real widget on the off-screen platform.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QScrollBar>
#include <QLabel>
#include <QTest>

#include "grid/GridPainter.h"
#include "platform/Cp1252.h"
#include "tests/grid/support/ReportGrid.h"

using namespace platform;
using gridtest::ReportGrid;

namespace {

const TColor kSilver = MakeColor(192, 192, 192);
const TColor kWhite = MakeColor(255, 255, 255);

// Row `row` (from 0) of the data area in grid rows.
int DataRow(int row) { return 1 + row; }

}  // namespace

TEST(GridPaint, StripesFollowRecordNumbersWhileScrolled) {
  ReportGrid t(40);
  TDBGridEh& g = *t.grid;
  const int rows = g.VisibleDataRowCount();
  ASSERT_GT(rows, 3);
  ASSERT_LT(rows, 40);
  // Without the focus no row is highlighted: only the stripes show. Column 3 has no text at
  // the sampled pixel (right-aligned numbers keep a 2-pixel margin).
  auto check = [&](const char* where) {
    QImage image = t.Picture();
    for (int row = 0; row < rows; ++row) {
      int recNo = g.RecordNumberOfRow(row);
      EXPECT_EQ(t.Pixel(image, 3, DataRow(row)), recNo % 2 == 1 ? kSilver : kWhite)
          << where << " row " << row << " record " << recNo;
    }
    return g.RecordNumberOfRow(0);
  };
  EXPECT_EQ(check("top"), 1);
  t.data.Last();
  int top = check("bottom");
  EXPECT_EQ(top, 40 - rows + 1);
  // One line up scrolls the window by one record: the top row changes colour with its
  // record, whatever its screen position.
  g.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(check("one line up"), top - 1);
}

TEST(GridPaint, CurrentCellHighlightAndRowTint) {
  ReportGrid t(10);
  TDBGridEh& g = *t.grid;
  ASSERT_TRUE(t.Focus());
  g.SetSelectedIndex(2);
  t.data.MoveBy(1);  // record 2: the white stripe
  QImage image = t.Picture();
  EXPECT_EQ(t.Pixel(image, 3, DataRow(1)), ColorToRGB(clHighlight));
  // The rest of the current row is a tint of the highlight over the stripe colour.
  EXPECT_EQ(t.Pixel(image, 1, DataRow(1)), TintColor(clWindow, clHighlight, true));
  EXPECT_EQ(t.Pixel(image, 1, DataRow(2)), kSilver);
  // Losing the focus removes every highlight.
  g.clearFocus();
  QApplication::processEvents();
  image = t.Picture();
  EXPECT_EQ(t.Pixel(image, 3, DataRow(1)), kWhite);
}

TEST(GridPaint, SelectAllPaintsFixedCellsSelectedAndTintsData) {
  ReportGrid t(10);
  TDBGridEh& g = *t.grid;
  ASSERT_TRUE(t.Focus());
  QImage before = t.Picture();
  const QRect title = g.CellRect(1, 0);
  const QRect footer = g.CellRect(1, g.GridRowCount() - 1);
  auto inner = [](const QImage& image, const QRect& r) {
    return FromQColor(image.pixelColor(r.right() - 2, r.bottom() - 2));
  };
  EXPECT_EQ(inner(before, title), ColorToRGB(clBtnFace));
  EXPECT_EQ(inner(before, footer), clMoneyGreen);
  EXPECT_EQ(inner(before, g.CellRect(0, 0)), ColorToRGB(clBtnFace));

  QTest::keyClick(&g, Qt::Key_A, Qt::ControlModifier);
  ASSERT_EQ(g.Selection().SelectionType(), gstAll);
  QImage after = t.Picture();
  EXPECT_EQ(inner(after, title), MakeColor(64, 64, 64));
  EXPECT_EQ(inner(after, g.CellRect(0, 0)), MakeColor(64, 64, 64));
  // The footer colour differs from the fixed colour: tinted with the highlight.
  EXPECT_EQ(inner(after, footer), TintColor(clMoneyGreen, clHighlight, true));
  EXPECT_EQ(t.Pixel(after, 1, DataRow(2)), TintColor(clSilver, clHighlight, true));
  EXPECT_EQ(t.Pixel(after, 1, DataRow(1)), TintColor(clWindow, clHighlight, true));
}

TEST(GridPaint, EmptyResultSetShowsTitlesEmptyCellsAndTheFooterBand) {
  ReportGrid t(0);
  TDBGridEh& g = *t.grid;
  QImage image = t.Picture();
  EXPECT_EQ(t.Pixel(image, 2, DataRow(0)), kWhite);
  EXPECT_EQ(t.Pixel(image, 2, g.GridRowCount() - 1), clMoneyGreen);
  EXPECT_FALSE(g.verticalScrollBar()->isVisible());
  // Extended vertical lines run through the empty rows down to the footer.
  QRect cell = g.CellRect(1, DataRow(3));
  EXPECT_EQ(FromQColor(image.pixelColor(cell.right() + 1, cell.center().y())), kSilver);
}

TEST(GridPaint, SortMarkersWithIndexes) {
  ReportGrid t(5);
  TDBGridEh& g = *t.grid;
  QImage plain = t.Picture();
  QRect title = g.CellRect(2, 0);
  QRect markerArea(title.right() - 14, title.top() + 1, 12, title.height() - 2);
  auto differs = [&](const QImage& a, const QImage& b, const QRect& area) {
    for (int x = area.left(); x <= area.right(); ++x) {
      for (int y = area.top(); y <= area.bottom(); ++y) {
        if (a.pixel(x, y) != b.pixel(x, y)) return true;
      }
    }
    return false;
  };
  g.ToggleSortMarker(g.Columns()[1]->Title(), false);
  QImage one = t.Picture();
  EXPECT_TRUE(differs(plain, one, markerArea));
  EXPECT_EQ(g.Columns()[1]->Title().SortIndex(), 1);
  // A second marked column: both titles show their index beside the triangle.
  g.ToggleSortMarker(g.Columns()[2]->Title(), true);
  EXPECT_EQ(g.Columns()[2]->Title().SortIndex(), 2);
  QImage two = t.Picture();
  QRect numberArea(title.right() - 10, title.top() + 1, 9, title.height() - 2);
  EXPECT_TRUE(differs(one, two, numberArea));
}

TEST(GridTooltips, TruncatedCellsOnly) {
  ReportGrid t(10, 400, 300);
  TDBGridEh& g = *t.grid;
  std::string text;
  TFontSpec font;
  QPoint at;
  // Record 3's name is long and cut with "..."; record 1's fits.
  QRect longCell = g.CellRect(2, DataRow(2));
  ASSERT_TRUE(g.CellHint(longCell.center(), text, font, at));
  EXPECT_EQ(text, gridtest::WarehouseValue(2, 1));
  EXPECT_EQ(font.Name, "Arial Narrow");
  EXPECT_EQ(at, QPoint(longCell.left() - 1, longCell.top() - 2));
  EXPECT_FALSE(g.CellHint(g.CellRect(2, DataRow(0)).center(), text, font, at));
  EXPECT_FALSE(g.CellHint(g.CellRect(1, DataRow(0)).center(), text, font, at));
  // Titles and footers of the report grid have no tooltips.
  EXPECT_FALSE(g.CellHint(g.CellRect(2, 0).center(), text, font, at));

  // Through the platform's hint request.
  QHelpEvent shortHelp(QEvent::ToolTip, g.CellRect(1, DataRow(0)).center(),
                       g.viewport()->mapToGlobal(g.CellRect(1, DataRow(0)).center()));
  QApplication::sendEvent(g.viewport(), &shortHelp);
  auto* hint = g.window()->findChild<QLabel*>("TToolTipsWindow");
  EXPECT_TRUE(hint == nullptr || !hint->isVisible());
  QHelpEvent longHelp(QEvent::ToolTip, longCell.center(),
                      g.viewport()->mapToGlobal(longCell.center()));
  QApplication::sendEvent(g.viewport(), &longHelp);
  hint = g.window()->findChild<QLabel*>("TToolTipsWindow");
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->text(), platform::ToQString(gridtest::WarehouseValue(2, 1)));
  // Over the cell itself, not over the row below it.
  const QPoint corner = hint->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(corner, g.viewport()->mapToGlobal(QPoint(longCell.left() - 1, longCell.top() - 2)));
  EXPECT_LE(corner.y() + hint->height(), g.viewport()->mapToGlobal(longCell.bottomLeft()).y() + 3);
  EXPECT_EQ(hint->font().family(), "Arial Narrow");
  // The pointer moving within the cell keeps it; into the next row, it goes.
  QTest::mouseMove(g.viewport(), longCell.center() + QPoint(3, 0));
  EXPECT_TRUE(hint->isVisible());
  QTest::mouseMove(g.viewport(), g.CellRect(2, DataRow(3)).center());
  EXPECT_FALSE(hint->isVisible());
}

// The hint appears exactly when painting cuts the text: the text is painted 2 pixels in from
// each side of the cell, so a text up to 3 pixels narrower than the cell is already cut.
TEST(GridTooltips, EveryCutTextHasItsHint) {
  ReportGrid t(10, 600, 300);
  TDBGridEh& g = *t.grid;
  g.SetAutoFitColWidths(false);
  const QString name = platform::ToQString(gridtest::WarehouseValue(0, 1));
  const int textWidth = QFontMetrics(platform::ToQFont(g.Columns()[1]->Font())).horizontalAdvance(name);
  for (const auto& [room, cut] : {std::pair{1, true}, {2, true}, {3, true}, {4, false}, {6, false}}) {
    SCOPED_TRACE(room);
    g.Columns()[1]->SetWidth(textWidth + room);
    const QRect cell = g.CellRect(2, DataRow(0));
    ASSERT_EQ(cell.width(), textWidth + room);
    std::string text;
    TFontSpec font;
    QPoint at;
    EXPECT_EQ(g.CellHint(cell.center(), text, font, at), cut);
    if (cut) {
      EXPECT_EQ(text, gridtest::WarehouseValue(0, 1));
    }
  }
}

TEST(GridTooltips, RightAlignedCellCutByTheGridEdge) {
  ReportGrid t(10, 400, 300);
  TDBGridEh& g = *t.grid;
  g.SetAutoFitColWidths(false);
  g.Columns()[1]->SetWidth(250);
  g.Columns()[2]->SetWidth(120);
  QRect cell = g.CellRect(3, DataRow(0));
  ASSERT_GT(cell.right(), g.viewport()->width());
  std::string text;
  TFontSpec font;
  QPoint at;
  QPoint inside(g.viewport()->width() - 5, cell.center().y());
  ASSERT_TRUE(g.CellHint(inside, text, font, at));
  EXPECT_EQ(text, "7.5");
}
