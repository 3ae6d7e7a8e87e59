// Incremental search driven through real key events on the report grid, with a timer the test
// fires instead of waiting.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "tests/grid/support/ReportGrid.h"

using gridtest::ReportGrid;

namespace {

// Warehouses whose names share prefixes in different cases; record 3 costs 1234567.
std::string SearchValue(int rec, int col) {
  static const char* const kNames[] = {"Zeta",   "Granja Norte", "GRANADA",
                                       "granero sur", "Bodega", "Granja Sur"};
  switch (col) {
    case 0:
      return "0" + std::to_string(rec);
    case 1:
      return kNames[rec % 6];
    default:
      return rec == 3 ? "1234567" : std::to_string(rec * 1000 + 7);
  }
}

class FakeTimer : public TIncSearchTimerEh {
 public:
  void Start(int milliseconds) override {
    running_ = true;
    interval_ = milliseconds;
  }
  void Stop() override { running_ = false; }
  bool Running() const override { return running_; }
  int Interval() const { return interval_; }
  void Fire() {
    ASSERT_TRUE(running_);
    running_ = false;
    OnTimeOut();
  }

 private:
  bool running_ = false;
  int interval_ = -1;
};

struct SearchGrid {
  SearchGrid() : t(6, 600, 300, SearchValue), g(*t.grid) {
    auto owned = std::make_unique<FakeTimer>();
    timer = owned.get();
    g.SetIncSearchTimer(std::move(owned));
    g.Columns()[2]->SetDisplayFormat("#,###");
    g.SetSelectedIndex(1);
    EXPECT_TRUE(t.Focus());
  }
  void Type(const char* text) { QTest::keyClicks(&g, text); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(&g, key, mods);
  }
  int RecNo() const { return t.data.RecNo(); }
  // Pixels of the search colour (clYellow) inside grid cell (col, row).
  int YellowPixels(int col, int row) {
    QImage image = t.Picture();
    QRect r = g.CellRect(col, row);
    int count = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        if (image.pixelColor(x, y) == QColor(Qt::yellow)) ++count;
      }
    }
    return count;
  }

  ReportGrid t;
  TDBGridEh& g;
  FakeTimer* timer = nullptr;
};

}  // namespace

TEST(IncSearch, TypedLettersFindTheFirstNameInTheCaseOfTheData) {
  SearchGrid s;
  s.Type("g");
  EXPECT_TRUE(s.g.IncSearchActive());
  EXPECT_EQ(s.g.IncSearchText(), "G");
  EXPECT_EQ(s.RecNo(), 2);
  s.Type("ra");
  EXPECT_EQ(s.g.IncSearchText(), "Gra");
  EXPECT_EQ(s.RecNo(), 2);
  EXPECT_TRUE(s.timer->Running());
  EXPECT_EQ(s.timer->Interval(), 1500);

  // Highlight over the cell text and the yellow indicator arrow, only while active.
  const int row = 1 + 1;  // title row, then record 2 on data row 1
  EXPECT_GT(s.YellowPixels(2, row), 20);
  EXPECT_GT(s.YellowPixels(0, row), 5);
  EXPECT_EQ(s.YellowPixels(2, row + 1), 0);

  // A fourth letter no name has after "Gra" is dropped: the text and the record stay.
  s.Type("x");
  EXPECT_EQ(s.g.IncSearchText(), "Gra");
  EXPECT_EQ(s.RecNo(), 2);

  // Backspace shortens the text and keeps the record.
  s.Key(Qt::Key_Backspace);
  EXPECT_EQ(s.g.IncSearchText(), "Gr");
  EXPECT_EQ(s.RecNo(), 2);

  // The time-out ends the search and removes the highlight; typing starts again from the top.
  s.timer->Fire();
  EXPECT_FALSE(s.g.IncSearchActive());
  EXPECT_EQ(s.g.IncSearchText(), "");
  EXPECT_EQ(s.YellowPixels(2, row), 0);
  EXPECT_EQ(s.YellowPixels(0, row), 0);
  s.t.data.Last();
  s.Type("g");
  EXPECT_EQ(s.RecNo(), 2);
}

TEST(IncSearch, NextAndPreviousStepWithoutWrapping) {
  SearchGrid s;
  s.Type("gra");
  ASSERT_EQ(s.RecNo(), 2);
  struct Step {
    Qt::KeyboardModifiers mods;
    int recNo;
    const char* text;
  } steps[] = {
      {Qt::ControlModifier, 3, "GRA"},
      {Qt::ControlModifier, 4, "gra"},
      {Qt::ControlModifier, 6, "Gra"},
      {Qt::ControlModifier, 6, "Gra"},  // the last match: no wrap
      {Qt::ControlModifier | Qt::ShiftModifier, 4, "gra"},
      {Qt::ControlModifier | Qt::ShiftModifier, 3, "GRA"},
      {Qt::ControlModifier | Qt::ShiftModifier, 2, "Gra"},
      {Qt::ControlModifier | Qt::ShiftModifier, 2, "Gra"},  // the first match
  };
  for (const Step& step : steps) {
    s.Key(Qt::Key_Return, step.mods);
    EXPECT_EQ(s.RecNo(), step.recNo) << step.text;
    EXPECT_EQ(s.g.IncSearchText(), step.text);
    EXPECT_TRUE(s.g.IncSearchActive());
  }
}

TEST(IncSearch, NumericColumnsCompareThePlainValue) {
  SearchGrid s;
  s.g.SetSelectedIndex(2);
  s.Type("1234");
  EXPECT_EQ(s.RecNo(), 4);
  EXPECT_EQ(s.g.IncSearchText(), "1234");
  EXPECT_EQ(s.g.ColumnDisplayText(*s.g.Columns()[2]), "1,234,567");
  s.timer->Fire();
  // The thousands separator is not part of the compared text: it matches nothing.
  s.Type("1");
  EXPECT_EQ(s.RecNo(), 2);  // 1007
  s.Type(",");
  EXPECT_EQ(s.g.IncSearchText(), "1");
  EXPECT_EQ(s.RecNo(), 2);
}

TEST(IncSearch, WhatEndsASearch) {
  SearchGrid s;
  // Enter ends it and, as Tab, moves to the next column.
  s.Type("gra");
  s.Key(Qt::Key_Return);
  EXPECT_FALSE(s.g.IncSearchActive());
  EXPECT_EQ(s.g.SelectedIndex(), 2);
  EXPECT_EQ(s.RecNo(), 2);

  struct Case {
    const char* name;
    Qt::Key key;
  } cases[] = {{"Escape", Qt::Key_Escape}, {"Down", Qt::Key_Down}, {"Right", Qt::Key_Right}};
  for (const Case& c : cases) {
    s.g.SetSelectedIndex(1);
    s.Type("b");
    ASSERT_EQ(s.RecNo(), 5) << c.name;
    ASSERT_TRUE(s.g.IncSearchActive()) << c.name;
    s.Key(c.key);
    EXPECT_FALSE(s.g.IncSearchActive()) << c.name;
    EXPECT_EQ(s.g.IncSearchText(), "") << c.name;
  }

  // Ctrl+F starts a search with no time-out: it stays until a move.
  s.g.SetSelectedIndex(1);
  s.Key(Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(s.g.IncSearchActive());
  s.Type("gran");
  EXPECT_EQ(s.g.IncSearchText(), "Gran");
  EXPECT_FALSE(s.timer->Running());
  s.Key(Qt::Key_Up);
  EXPECT_FALSE(s.g.IncSearchActive());
}

TEST(IncSearch, PasteExtendsAnActiveSearch) {
  SearchGrid s;
  QGuiApplication::clipboard()->setText("ANJA s");
  s.Type("g");
  s.Type("r");
  s.Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(s.g.IncSearchText(), "Granja S");
  EXPECT_EQ(s.RecNo(), 6);
}

TEST(IncSearch, ClosedResultSetIgnoresCharacters) {
  SearchGrid s;
  s.t.data.Close();
  s.Type("g");
  EXPECT_FALSE(s.g.IncSearchActive());
}

TEST(IncSearch, PrefixComparisonIgnoresCase) {
  struct Case {
    const char* text;
    const char* prefix;
    bool matches;
  } cases[] = {
      {"Galp\xf3n 1", "GALP\xd3", true},  // accented letters fold too
      {"Granja", "gRA", true},          {"Gr", "Gra", false},
      {"1,234", "12", false},           {"", "", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IncSearchPrefixMatches(c.text, c.prefix), c.matches) << c.text << " / " << c.prefix;
  }
}
