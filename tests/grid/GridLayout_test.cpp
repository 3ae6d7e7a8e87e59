// Width arithmetic: spreading the client width, mouse resizes, navigator buttons, tints.
#include "grid/GridLayout.h"

#include <gtest/gtest.h>

#include <numeric>

#include "grid/GridPainter.h"
#include "grid/GridsEh.h"

namespace {

std::vector<TColumnWidthEh> Columns(std::vector<int> refs) {
  std::vector<TColumnWidthEh> columns;
  for (int ref : refs) {
    TColumnWidthEh c;
    c.Width = ref;
    c.Assigned = true;
    c.RefWidth = ref;
    columns.push_back(c);
  }
  return columns;
}

std::vector<int> Widths(const std::vector<TColumnWidthEh>& columns) {
  std::vector<int> widths;
  for (const auto& c : columns) widths.push_back(c.Width);
  return widths;
}

// Right edge of the last column's line: indicator, its line, then each column and its line.
int RightEdge(const std::vector<TColumnWidthEh>& columns) {
  int x = 11 + 1;
  for (const auto& c : columns) x += c.Width + 1;
  return x;
}

TAutoFitFrameEh Frame(int clientWidth) {
  TAutoFitFrameEh frame;
  frame.ClientWidth = clientWidth;
  return frame;
}

}  // namespace

TEST(MulDiv, RoundsHalvesAwayFromZeroAndGivesMinusOneForZeroDivisor) {
  EXPECT_EQ(MulDiv(100, 3, 2), 150);
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);
  EXPECT_EQ(MulDiv(64, 1000, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);  // 64-bit product
}

TEST(SpreadAutoFitWidths, Cases) {
  struct Case {
    const char* name;
    std::vector<int> refs;
    int maxWidthOfSecond;  // 0 = none
    int client;
    std::vector<int> expected;
  } cases[] = {
      {"shares by reference width", {36, 64, 90}, 0, 400, {73, 130, 182}},
      {"one pixel wider goes to the rightmost rounding", {36, 64, 90}, 0, 401, {73, 130, 183}},
      {"remainder absorbed by the last column", {100, 100, 100, 100}, 0, 417, {100, 100, 100, 101}},
      {"clamped column keeps its width, others re-share", {100, 100, 100}, 50, 400, {168, 50, 167}},
      {"narrower than indicator and lines: all zero", {36, 64, 90}, 0, 10, {0, 0, 0}},
      {"exactly the indicator and lines: all zero", {36, 64, 90}, 0, 15, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    auto columns = Columns(c.refs);
    if (c.maxWidthOfSecond > 0) columns[1].MaxWidth = c.maxWidthOfSecond;
    SpreadAutoFitWidths(columns, Frame(c.client));
    EXPECT_EQ(Widths(columns), c.expected) << c.name;
    if (c.client >= 15) {
      EXPECT_EQ(RightEdge(columns), c.client) << c.name;
    }
  }
}

TEST(SpreadAutoFitWidths, EdgesEndExactlyAtTheClientWidthWhileWidening) {
  auto columns = Columns({36, 90, 90, 64, 64, 90, 77});
  for (int client = 40; client <= 1600; ++client) {
    SpreadAutoFitWidths(columns, Frame(client));
    ASSERT_EQ(RightEdge(columns), client) << client;
    // The references never move, so each column stays within one pixel of its share.
    int avail = client - 11 - 7 - 1;
    for (size_t i = 0; i + 1 < columns.size(); ++i) {
      double share = static_cast<double>(columns[i].RefWidth) * avail / 511;
      ASSERT_NEAR(columns[i].Width, share, 0.51) << client;
    }
  }
}

TEST(SpreadAutoFitWidths, MinAutoFitWidthAndNonAutofitColumns) {
  auto columns = Columns({100, 100, 100});
  columns[0].AutoFit = false;
  columns[0].Width = 60;
  TAutoFitFrameEh frame = Frame(200);
  frame.MinAutoFitWidth = 500;
  int avail = SpreadAutoFitWidths(columns, frame);
  EXPECT_EQ(avail, 500 - 60 - 11 - 3 - 1);
  EXPECT_EQ(Widths(columns), (std::vector<int>{60, 213, 212}));
}

TEST(ResizeColumnByMouse, Cases) {
  struct Case {
    const char* name;
    int column;
    int newWidth;
    bool applied;
    std::vector<int> expected;
  } cases[] = {
      // Column 1 (of 4, 100 each after spreading 417) dragged 30 pixels wider: its right
      // neighbour gives the 30 pixels, the others keep their widths.
      {"middle column wider", 1, 130, true, {100, 130, 70, 101}},
      {"middle column narrower", 2, 80, true, {100, 100, 80, 121}},
      // The last column rescales only its own reference: everything re-shares.
      {"last column", 3, 151, true, {89, 89, 89, 134}},
      {"drag ending 1 pixel from the left edge", 1, 1, false, {100, 100, 100, 101}},
      {"drag ending on the left edge", 1, 0, false, {100, 100, 100, 101}},
  };
  for (const Case& c : cases) {
    auto columns = Columns({100, 100, 100, 100});
    SpreadAutoFitWidths(columns, Frame(417));
    ASSERT_EQ(Widths(columns), (std::vector<int>{100, 100, 100, 101}));
    EXPECT_EQ(ResizeColumnByMouse(columns, c.column, c.newWidth, true), c.applied) << c.name;
    SpreadAutoFitWidths(columns, Frame(417));
    EXPECT_EQ(Widths(columns), c.expected) << c.name;
  }
}

TEST(ResizeColumnByMouse, WithoutAutofitTheColumnTakesTheWidth) {
  auto columns = Columns({100, 100});
  ASSERT_TRUE(ResizeColumnByMouse(columns, 0, 42, false));
  EXPECT_EQ(Widths(columns), (std::vector<int>{42, 100}));
}

TEST(SetColumnWidth, Rules) {
  TColumnWidthEh c;  // follows its default of 64
  SetColumnWidth(c, 64);
  EXPECT_FALSE(c.Assigned);
  SetColumnWidth(c, -1);
  EXPECT_FALSE(c.Assigned);
  c.MaxWidth = 80;
  c.MinWidth = 10;
  SetColumnWidth(c, 200);
  EXPECT_TRUE(c.Assigned);
  EXPECT_EQ(c.Width, 80);
  SetColumnWidth(c, 3);
  EXPECT_EQ(c.Width, 10);
  c.MinWidth = 0;
  SetColumnWidth(c, -7);
  EXPECT_EQ(c.Width, 0);
}

TEST(NavigatorButtonWidths, SpreadsTheRemainderOnAnAlignedBar) {
  EXPECT_EQ(NavigatorButtonWidths(1418, 4, true), (std::vector<int>{354, 355, 354, 355}));
  EXPECT_EQ(NavigatorButtonWidths(1419, 4, true), (std::vector<int>{355, 354, 355, 355}));
  EXPECT_EQ(NavigatorButtonWidths(1416, 4, true), (std::vector<int>{354, 354, 354, 354}));
  EXPECT_EQ(NavigatorButtonWidths(1418, 4, false), (std::vector<int>{354, 354, 354, 354}));
  EXPECT_EQ(NavigatorButtonWidths(241, 10, true).size(), 10u);
  auto widths = NavigatorButtonWidths(247, 10, true);
  EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), 247);
}

TEST(TintColor, Table) {
  using namespace platform;
  struct Case {
    TColor base, glass;
    bool darken;
    TColor expected;
  } cases[] = {
      // White under the highlight (0078D7), darkened; blue would pass 255 and is clamped.
      {clWhite, clHighlight, true, MakeColor(202, 232, 255)},
      {clSilver, clHighlight, true, MakeColor(186, 216, 240)},
      {clWhite, clBtnShadow, false, MakeColor(218, 218, 218)},
      // Halves go to the even neighbour: 138.5 -> 138 and 139.5 -> 140.
      {MakeColor(1, 5, 0), clBlack, true, MakeColor(138, 140, 138)},
      {clBlack, clBlack, false, MakeColor(135, 135, 135)},
      {clBlack, clBlack, true, MakeColor(138, 138, 138)},
      {MakeColor(255, 0, 0), clWhite, false, MakeColor(237, 186, 186)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TintColor(c.base, c.glass, c.darken), c.expected)
        << std::hex << c.base << " " << c.glass << " " << c.darken;
  }
}
