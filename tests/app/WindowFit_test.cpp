// The report window's start size and place on common screens, and its command buttons in a
// narrow window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "app/Controls.h"
#include "app/DateTimePicker.h"
#include "app/WindowFit.h"
#include "app/rngrepcostoav.h"
#include "tests/app/support/ReportWindowFixture.h"

namespace {

using app::CommandButtonPlaces;
using app::FitWindowRect;
using app::kAssumedFrame;

TEST(WindowFitTest, TheStartSizeKeepsWhereItFitsAndShrinksIntoTheScreenElse) {
  const QSize start(1420, 654);
  const struct {
    const char* name;
    QRect available;
    QRect client;
  } cases[] = {
      {"1920 x 1080 with a panel", {0, 0, 1920, 1040}, {250, 204, 1420, 654}},
      {"second screen at the right", {1920, 0, 1920, 1080}, {2170, 224, 1420, 654}},
      {"1366 x 768 with a panel", {0, 0, 1366, 740}, {8, 54, 1350, 654}},
      {"1280 x 800", {0, 0, 1280, 800}, {8, 84, 1264, 654}},
      {"800 x 600", {0, 0, 800, 600}, {8, 31, 784, 561}},
      {"1600 x 900 at scale 2", {0, 0, 800, 450}, {8, 31, 784, 411}},
      {"1366 x 768 with a panel at the left", {64, 0, 1302, 768}, {72, 68, 1286, 654}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QRect client = FitWindowRect(start, kAssumedFrame, c.available);
    EXPECT_EQ(client, c.client);
    // The framed window lies in the available area: the title bar can be reached.
    EXPECT_TRUE(c.available.contains(client.marginsAdded(kAssumedFrame)));
  }
}

TEST(WindowFitTest, CommandButtonsStayInThePanelRightOfTheDates) {
  using Places = std::array<QPoint, 4>;
  const struct {
    int width;
    Places places;
  } cases[] = {
      {1420, {{{856, 25}, {952, 25}, {1048, 25}, {1144, 25}}}},
      {1213, {{{856, 25}, {952, 25}, {1048, 25}, {1144, 25}}}},
      {1212, {{{855, 25}, {951, 25}, {1047, 25}, {1143, 25}}}},
      {900, {{{546, 25}, {641, 25}, {736, 25}, {831, 25}}}},
      {820, {{{547, 25}, {615, 25}, {683, 25}, {751, 25}}}},
      {784, {{{648, 3}, {715, 3}, {648, 55}, {715, 55}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    EXPECT_EQ(CommandButtonPlaces(c.width, 109, 546), c.places);
  }
}

class WindowFitWindowTest : public apptest::ReportWindowFixture {
 protected:
  static void SetUpTestSuite() { NewInstallation(); }
};

// At 800 x 600 (and at twice the scale on 1600 x 900) every command button and both dates
// can be reached and none covers another.
TEST_F(WindowFitWindowTest, AtEightHundredPixelsTheCommandsCanBeReached) {
  Tfrepcostoav& w = Open();
  for (const QSize client : {QSize(784, 561), QSize(784, 411), QSize(1350, 654)}) {
    SCOPED_TRACE(client.width() * 10000 + client.height());
    w.resize(client);
    QCoreApplication::processEvents();
    std::vector<QRect> taken;
    for (QWidget* control : {static_cast<QWidget*>(w.EFecIni), static_cast<QWidget*>(w.EFecFin),
                             static_cast<QWidget*>(w.SpeedButton3),
                             static_cast<QWidget*>(w.SpeedButton1),
                             static_cast<QWidget*>(w.SpeedButton4),
                             static_cast<QWidget*>(w.SpeedButton2)}) {
      const QRect at(control->mapTo(&w, QPoint(0, 0)), control->size());
      EXPECT_TRUE(w.rect().contains(at)) << control->objectName().toStdString();
      EXPECT_TRUE(w.Panel4->geometry().contains(at)) << control->objectName().toStdString();
      for (const QRect& other : taken) EXPECT_FALSE(other.intersects(at));
      taken.push_back(at);
    }
  }
}

}  // namespace
