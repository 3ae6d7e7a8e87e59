// The report columns after a calculation: the figures show whole where the window has room
// for them, the warehouse name giving way first; cut titles have their hint.

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTest>

#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "platform/Fonts.h"
#include "report/ReportColumnFit.h"
#include "tests/app/support/ReportWindowFixture.h"
#include "tests/app/support/Window.h"

namespace {

using report::ShareColumnWidths;
using report::TColumnNeed;

TEST(ReportColumnFitTest, WidthsGoToFiguresFirstAndTheNameGivesWay) {
  // Column 0 is the name; texts 100/40/40, titles 60/50/70.
  const std::vector<TColumnNeed> needs{{100, 60, "N"}, {40, 50, "A"}, {40, 70, "B"}};
  const struct {
    int avail;
    std::vector<int> widths;
  } cases[] = {
      {300, {100, 50, 70}},  // everything with its title
      {220, {100, 50, 70}},
      {219, {100, 40, 40}},  // the titles give way
      {180, {100, 40, 40}},
      {179, {99, 40, 40}},   // then the name, down to its minimum
      {110, {30, 40, 40}},
      {90, {30, 40, 40}},    // no room: all are cut alike
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.avail);
    EXPECT_EQ(ShareColumnWidths(needs, c.avail, 0, 30), c.widths);
  }
}

class ReportColumnFitWindowTest : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() {
    apptest::Installation& install = NewInstallation();
    install.AddCompany("001", 12);
  }
};

// The widest text of each figure column fits its cell in a window 1350 and 1584 pixels wide,
// and stays so after the window is resized.
TEST_F(ReportColumnFitWindowTest, FiguresShowWholeWhereThereIsRoom) {
  Tfrepcostoav& w = Open();
  Connect("001");
  TDBGridEh& grid = *w.DBGridEh2;
  for (const int width : {1350, 1584}) {
    SCOPED_TRACE(width);
    w.resize(width, 654);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    ASSERT_TRUE(w.CRepcliente->Active());
    for (int pass = 0; pass < 2; ++pass) {
      const TColumnsEhList& columns = grid.VisibleColumns();
      for (int i = 0; i < columns.Count(); ++i) {
        TColumnEh& column = *columns[i];
        if (column.FieldName() == "NOMBOD" || column.FieldName() == "CODBOD") continue;
        const QFontMetrics metrics(platform::ToQFont(column.Font()));
        int widest = 0;
        for (w.CRepcliente->First(); !w.CRepcliente->Eof(); w.CRepcliente->Next()) {
          widest = std::max(widest, metrics.horizontalAdvance(platform::ToQString(
                                        grid.ColumnDisplayText(column))));
        }
        EXPECT_LE(widest + 4, column.Width()) << column.FieldName();
      }
      w.CRepcliente->First();
      // A resize to the same width after a narrower one shares the width the same way.
      w.resize(900, 654);
      w.resize(width, 654);
    }
    EXPECT_TRUE(w.grab().save(apptest::ArtifactPath(QString("columns-%1.png").arg(width))));
  }
}

}  // namespace
