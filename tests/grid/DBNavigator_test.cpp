// The record navigator bar: button widths, enabled states, clicks and auto-repeat.
#include "grid/DBNavigator.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include "tests/grid/support/MemDataSet.h"

namespace {

std::string Value(int rec, int /*col*/) { return std::to_string(rec + 1); }

struct Bar {
  explicit Bar(int records) : data({{"N", ftInteger, 0}}, records, Value), source(&data) {
    bar.SetVisibleButtons(1u << nbFirst | 1u << nbPrior | 1u << nbNext | 1u << nbLast);
    bar.SetFlat(true);
    bar.SetDataSource(&source);
    bar.resize(1418, 18);
    bar.show();
    data.Open();
  }
  std::vector<bool> Enabled() {
    return {bar.Button(nbFirst)->isEnabled(), bar.Button(nbPrior)->isEnabled(),
            bar.Button(nbNext)->isEnabled(), bar.Button(nbLast)->isEnabled()};
  }
  TMemDataSet data;
  TDataSource source;
  TDBNavigator bar;
};

}  // namespace

TEST(DBNavigator, ButtonWidthsOfTheDockedBar) {
  Bar t(3);
  std::vector<int> widths;
  std::vector<int> lefts;
  for (auto b : {nbFirst, nbPrior, nbNext, nbLast}) {
    widths.push_back(t.bar.Button(b)->width());
    lefts.push_back(t.bar.Button(b)->x());
  }
  EXPECT_EQ(widths, (std::vector<int>{354, 355, 354, 355}));
  EXPECT_EQ(lefts, (std::vector<int>{0, 354, 709, 1063}));
  EXPECT_EQ(t.bar.Button(nbFirst)->height(), 18);
  EXPECT_FALSE(t.bar.Button(nbInsert)->isVisible());
  t.bar.resize(1416, 18);
  EXPECT_EQ(t.bar.Button(nbLast)->width(), 354);
}

TEST(DBNavigator, EnabledStatesFollowThePosition) {
  Bar t(5);
  EXPECT_EQ(t.Enabled(), (std::vector<bool>{false, false, true, true}));  // first record
  t.data.Next();
  EXPECT_EQ(t.Enabled(), (std::vector<bool>{true, true, true, true}));
  t.data.Last();
  EXPECT_EQ(t.Enabled(), (std::vector<bool>{true, true, false, false}));
  t.data.Close();
  EXPECT_EQ(t.Enabled(), (std::vector<bool>{false, false, false, false}));
  Bar empty(0);
  EXPECT_EQ(empty.Enabled(), (std::vector<bool>{false, false, false, false}));
}

TEST(DBNavigator, ClicksMoveTheRecord) {
  Bar t(5);
  std::vector<TNavigateBtn> events;
  t.bar.BeforeAction = [&](TDBNavigator&, TNavigateBtn b) { events.push_back(b); };
  t.bar.OnClick = [&](TDBNavigator&, TNavigateBtn b) { events.push_back(b); };
  QTest::mouseClick(t.bar.Button(nbLast), Qt::LeftButton);
  EXPECT_EQ(t.data.RecNo(), 5);
  QTest::mouseClick(t.bar.Button(nbPrior), Qt::LeftButton);
  EXPECT_EQ(t.data.RecNo(), 4);
  QTest::mouseClick(t.bar.Button(nbFirst), Qt::LeftButton);
  EXPECT_EQ(t.data.RecNo(), 1);
  QTest::mouseClick(t.bar.Button(nbNext), Qt::LeftButton);
  EXPECT_EQ(t.data.RecNo(), 2);
  EXPECT_EQ(events.size(), 8u);
  t.data.Close();
  t.bar.BtnClick(nbNext);  // closed: nothing happens
  EXPECT_EQ(events.size(), 8u);
}

TEST(DBNavigator, HoldingNextRepeatsUntilTheLastRecord) {
  Bar t(6);
  TNavButton* next = t.bar.Button(nbNext);
  EXPECT_EQ(next->autoRepeatDelay(), 400);
  EXPECT_EQ(next->autoRepeatInterval(), 100);
  QTest::mousePress(next, Qt::LeftButton);
  QTest::qWait(150);
  EXPECT_EQ(t.data.RecNo(), 1);  // no repeat before 400 ms
  // Then one record per repeat until the last (waited for generously: the machine is shared).
  QElapsedTimer clock;
  clock.start();
  while (next->isEnabled() && clock.elapsed() < 5000) QTest::qWait(20);
  EXPECT_EQ(t.data.RecNo(), 6);
  EXPECT_FALSE(next->isEnabled());  // the move past the last record reached the end
  QTest::mouseRelease(next, Qt::LeftButton);
}
