// The window's key preview after the operator has worked in the grid: clicks, the grid's
// read-only cell editor, selection and copy keys, Tab out and back. F4, F7 and Esc must still
// run their commands once each, with real events through the window's focus chain.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <string>
#include <vector>

#include "app/ConfigPanel.h"
#include "app/rngrepcostoav.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "grid/DBGridEh.h"
#include "tests/app/support/Fakes.h"
#include "tests/app/support/ReportWindowFixture.h"

namespace {

// One thing the operator does: a click or double click on a cell of the third row, or a key
// to the focused control.
struct Step {
  enum Kind { Click, DoubleClick, Key } kind;
  Qt::Key key = Qt::Key_unknown;
  Qt::KeyboardModifiers modifiers = Qt::NoModifier;
};

Step Click() { return {Step::Click}; }
Step DoubleClick() { return {Step::DoubleClick}; }
Step KeyStep(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  return {Step::Key, key, modifiers};
}

class KeyPreviewTest : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation().AddCompany("001", 3); }

  // The centre of the second column's cell in data row `row` (from 0), in viewport pixels.
  QPoint CellCentre(int row) {
    TDBGridEh& grid = *window_->DBGridEh2;
    return grid.CellRect(grid.GridColOfVisible(1), grid.TitleRowCount() + row).center();
  }

  // Everything goes in as the window system hands it over: to the window, which gives keys
  // to the focused control and turns two quick presses into a double click; and every key from
  // the same place, so that one key event may take the address of the one before, as they do
  // when the window system's events arrive.
  void Do(const Step& step) {
    QWindow* window = window_->windowHandle();
    const QPoint at = window_->DBGridEh2->viewport()->mapTo(window_.get(), CellCentre(2));
    switch (step.kind) {
      case Step::Click:
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        // The next click is a click of its own, not the second half of a double click.
        QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
        break;
      case Step::DoubleClick:
        QTest::mouseDClick(window, Qt::LeftButton, {}, at);
        QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
        break;
      case Step::Key:
        Key(step.key, step.modifiers);
        break;
    }
    QCoreApplication::processEvents();
  }

  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyPress(window_->windowHandle(), key, modifiers);
    if (window_->isVisible()) QTest::keyRelease(window_->windowHandle(), key, modifiers);
  }
};

TEST_F(KeyPreviewTest, CommandKeysAnswerAfterWorkInTheGrid) {
  const struct {
    const char* name;
    std::vector<Step> steps;
    bool editorSeen;  // the grid's cell editor opened during the steps
  } cases[] = {
      {"click, Down, Down", {Click(), KeyStep(Qt::Key_Down), KeyStep(Qt::Key_Down)}, false},
      {"click, click, Down, Down",
       {Click(), Click(), KeyStep(Qt::Key_Down), KeyStep(Qt::Key_Down)}, true},
      {"click, click, Ctrl+A, Ctrl+C",
       {Click(), Click(), KeyStep(Qt::Key_A, Qt::ControlModifier),
        KeyStep(Qt::Key_C, Qt::ControlModifier)},
       true},
      {"double click, Down", {DoubleClick(), KeyStep(Qt::Key_Down)}, true},
      {"click, click, Up, Down, Down", {Click(), Click(), KeyStep(Qt::Key_Up), KeyStep(Qt::Key_Down),
                                        KeyStep(Qt::Key_Down)}, true},
      {"click, click, Tab, Shift+Tab",
       {Click(), Click(), KeyStep(Qt::Key_Tab), KeyStep(Qt::Key_Backtab, Qt::ShiftModifier)}, true},
      {"click, click, Right, Left, Down",
       {Click(), Click(), KeyStep(Qt::Key_Right), KeyStep(Qt::Key_Left), KeyStep(Qt::Key_Down)}, true},
      {"click, Ctrl+A, Ctrl+C, Down", {Click(), KeyStep(Qt::Key_A, Qt::ControlModifier),
                                       KeyStep(Qt::Key_C, Qt::ControlModifier), KeyStep(Qt::Key_Down)},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    apptest::AnsweringSaveDialogs saves;
    apptest::RecordingBoxes boxes;
    Tfrepcostoav& w = Open();
    Connect("001");
    ASSERT_TRUE(dataModule_->Galvora->Connected());
    Press(Qt::Key_F2);
    ASSERT_EQ(w.CRepcliente->RecordCount(), 3);
    w.DBGridEh2->HideEditor();
    w.DBGridEh2->setFocus();

    bool editorSeen = false;
    for (const Step& step : c.steps) {
      Do(step);
      editorSeen = editorSeen || w.DBGridEh2->EditorVisible();
    }
    EXPECT_EQ(editorSeen, c.editorSeen);

    // F4 calculates once with the export flag and asks where to save.
    int calculations = 0;
    w.CRepcliente->BeforeOpen = [&](TDataSet&) { ++calculations; };
    Do(KeyStep(Qt::Key_F4));
    EXPECT_EQ(calculations, 1);
    EXPECT_EQ(saves.requests.size(), 1u);
    EXPECT_TRUE(w.ExportFlag());
    // F7 shows the configuration panel; Esc closes the window.
    Do(KeyStep(Qt::Key_F7));
    EXPECT_TRUE(w.AdvPanel1->isVisible());
    Do(KeyStep(Qt::Key_Escape));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>());
    CloseWindow();
    dataModule_ = std::make_unique<Tfdm>();
  }
}

// Esc reaches the window's preview first, also while the grid's cell editor is open: the
// window closes.
TEST_F(KeyPreviewTest, EscWithTheCellEditorOpenClosesTheWindow) {
  Tfrepcostoav& w = Open();
  Connect("001");
  Press(Qt::Key_F2);
  ASSERT_EQ(w.CRepcliente->RecordCount(), 3);
  Do(Click());
  Do(Click());
  ASSERT_TRUE(w.DBGridEh2->EditorVisible());
  Do(KeyStep(Qt::Key_Escape));
  EXPECT_FALSE(w.isVisible());
}

}  // namespace
