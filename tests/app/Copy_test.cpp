// The copy command in the report window: Ctrl+C on the report grid and the popup "&Copiar",
// over a real embedded company database and the real clipboard of the off-screen platform.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <algorithm>
#include <memory>

#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "grid/ColumnsEh.h"
#include "grid/DBGridEh.h"
#include "platform/Clipboard.h"
#include "report/dm.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/ReportWindowFixture.h"

namespace {

class WindowCopy : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation().AddCompany("001", 3); }
  void SetUp() override {
    ReportWindowFixture::SetUp();
    Open();
    Connect();
    Press(Qt::Key_F2);
    ASSERT_TRUE(window_->CRepcliente->Active());
    ASSERT_EQ(window_->CRepcliente->RecordCount(), 3);
  }
  static void PutForeignContents() {
    auto* data = new QMimeData;
    data->setData("application/x-other", "earlier");
    QApplication::clipboard()->setMimeData(data);
  }
  static std::string ClipboardText() { return platform::ReadClipboardFormat(platform::CF_TEXT); }

  apptest::RecordingBoxes boxes_;
};

TEST_F(WindowCopy, CtrlCOnTheGridCopiesTheCurrentCell) {
  TDBGridEh& grid = *window_->DBGridEh2;
  grid.setFocus();
  PutForeignContents();
  QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(boxes_.shown.empty());
  const std::string cell = grid.CurrentColumn()->Field()->DisplayText();
  ASSERT_FALSE(cell.empty());
  EXPECT_EQ(ClipboardText(), cell + std::string(1, '\0'));
  EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasFormat("application/x-other"));
  EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat("application/x-gridbif"));
}

TEST_F(WindowCopy, PopupCopyAfterSelectAllCopiesEveryRowAndNeedsTheGrid) {
  TDBGridEh& grid = *window_->DBGridEh2;
  // With the focus elsewhere the popup item copies nothing.
  window_->Tusua->setFocus();
  PutForeignContents();
  window_->ppmCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->mimeData()->data("application/x-other"), "earlier");

  grid.setFocus();
  QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
  ASSERT_EQ(grid.Selection().SelectionType(), gstAll);
  ASSERT_EQ(QApplication::focusWidget(), &grid)
      << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString()
                                      : std::string("none"));
  window_->ppmCopy->trigger();
  EXPECT_TRUE(boxes_.shown.empty());
  const std::string text = ClipboardText();
  EXPECT_EQ(text.rfind(grid.Columns()[0]->Title().Caption() + "\t", 0), 0u) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4) << text;  // title, 3 rows, footer
  EXPECT_EQ(text.back(), '\0');
  EXPECT_EQ(grid.Selection().SelectionType(), gstAll);
}

TEST_F(WindowCopy, CopyOutlivesRecalculationAndTheWindow) {
  // The operator copies everything, recalculates another period and closes the window; a
  // paste afterwards still gives the copied rows.
  TDBGridEh& grid = *window_->DBGridEh2;
  grid.setFocus();
  QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
  ASSERT_TRUE(platform::ClipboardHoldsDelayedData());
  const std::string copied = ClipboardText();
  ASSERT_EQ(std::count(copied.begin(), copied.end(), '\n'), 4) << copied;

  window_->EFecIni->setDate(QDate(1990, 1, 1));
  window_->EFecFin->setDate(QDate(1990, 1, 31));
  QTest::keyClick(&grid, Qt::Key_F2);
  EXPECT_EQ(ClipboardText(), copied);

  window_->close();
  EXPECT_FALSE(platform::ClipboardHoldsDelayedData());
  window_.reset();
  EXPECT_EQ(ClipboardText(), copied);
}

}  // namespace
