// The page arithmetic of the printed report: scale, bands of split columns with the key
// columns repeated, rows per page and page count.

#include "print/PageLayout.h"

#include <gtest/gtest.h>

namespace {

using Bands = std::vector<std::vector<int>>;

// Code and name (keys) and numeric columns, widths in points at the grid's size.
std::vector<TPrintColumn> Columns(std::initializer_list<double> widths, int keys = 2) {
  std::vector<TPrintColumn> columns;
  int i = 0;
  for (double w : widths) columns.push_back({w, i++ < keys});
  return columns;
}

TEST(PageLayout, ScaleAndBands) {
  const struct {
    const char* name;
    std::vector<TPrintColumn> columns;
    double pageWidth;
    double scale;
    Bands bands;
  } cases[] = {
      // Fits at the grid's size: never enlarged.
      {"fits", Columns({30, 100, 50, 50}), 500, 1.0, {{0, 1, 2, 3}}},
      // Shrunk to the page width while the text stays readable (0.625 or more).
      {"shrunk", Columns({30, 100, 50, 50}), 184, 0.8, {{0, 1, 2, 3}}},
      {"at the minimum", Columns({30, 100, 50, 50}), 143.75, 0.625, {{0, 1, 2, 3}}},
      // Below it: bands of 100 / 0.625 = 160 points at the grid's size, keys first in each.
      {"split", Columns({30, 50, 40, 40, 40, 40}), 100, 0.625, {{0, 1, 2, 3}, {0, 1, 4, 5}}},
      // A column wider than a band on its own still gets a band.
      {"wide column", Columns({30, 60, 300, 40}), 100, 0.625, {{0, 1, 2}, {0, 1, 3}}},
      // Keys that fill a band are not repeated.
      {"keys too wide", Columns({100, 100, 40, 40}), 100, 0.625, {{0}, {1}, {2, 3}}},
      // The columns are shared evenly among the bands: filling the first band up would leave
      // the last one with a single column.
      {"balanced", Columns({30, 50, 20, 20, 20, 20, 20}), 100, 0.625,
       {{0, 1, 2, 3, 4}, {0, 1, 5, 6}}},
      // Key columns moved to the right in the grid still lead every band.
      {"keys right",
       {{40, false}, {40, false}, {40, false}, {30, true}, {60, true}},
       100,
       0.625,
       {{3, 4, 0}, {3, 4, 1}, {3, 4, 2}}},
      // No key column: the columns are only split.
      {"no keys", Columns({80, 80, 80}, 0), 100, 0.625, {{0, 1}, {2}}},
  };
  for (const auto& c : cases) {
    TPageLayoutInput input;
    input.Columns = c.columns;
    input.PageWidth = c.pageWidth;
    input.PageHeight = 500;
    input.RowHeight = 10;
    input.MinScale = 0.625;
    const TPageLayoutResult result = ComputePageLayout(input);
    EXPECT_DOUBLE_EQ(result.Scale, c.scale) << c.name;
    EXPECT_EQ(result.Bands, c.bands) << c.name;
  }
}

TEST(PageLayout, RowsPerPageAndPageCount) {
  const struct {
    const char* name;
    double pageHeight;
    int rows;
    bool chart;
    int bands;  // 1, or 2 by a narrow page
    int rowsPerPage;
    int pageCount;
  } cases[] = {
      // (300 - header 40 - titles 20) / rows of 10 = 24 rows.
      {"exact pages", 300, 48, false, 1, 24, 2},
      {"one more row", 300, 49, false, 1, 24, 3},
      {"chart page", 300, 49, true, 1, 24, 4},
      {"zero rows", 300, 0, false, 1, 24, 1},
      {"one row", 300, 1, true, 1, 24, 2},
      // A page too short for one row still holds one.
      {"tiny page", 50, 3, false, 1, 1, 3},
      // Two bands at scale 0.625: (300 - 40 - 12.5) / 6.25 = 39 rows, each block on two pages.
      {"two bands", 300, 100, true, 2, 39, 7},
  };
  for (const auto& c : cases) {
    TPageLayoutInput input;
    input.Columns = Columns({30, 60, 60, 60});
    input.PageWidth = c.bands == 1 ? 1000 : 100;
    input.PageHeight = c.pageHeight;
    input.HeaderHeight = 40;
    input.TitleHeight = 20;
    input.RowHeight = 10;
    input.MinScale = 0.625;
    input.Rows = c.rows;
    input.ChartPage = c.chart;
    const TPageLayoutResult result = ComputePageLayout(input);
    EXPECT_EQ(static_cast<int>(result.Bands.size()), c.bands) << c.name;
    EXPECT_EQ(result.RowsPerPage, c.rowsPerPage) << c.name;
    EXPECT_EQ(result.PageCount, c.pageCount) << c.name;
  }
}

TEST(PageLayout, PlaceOfPageWalksRowBlocksThenBands) {
  TPageLayoutResult layout;
  layout.Bands = {{0, 1, 2}, {0, 1, 3}};
  layout.RowsPerPage = 10;
  layout.RowBlocks = 3;
  const struct {
    int page, band, first, end;
  } cases[] = {{0, 0, 0, 10}, {1, 1, 0, 10}, {2, 0, 10, 20}, {4, 0, 20, 25}, {5, 1, 20, 25}};
  for (const auto& c : cases) {
    const TPagePlace place = PlaceOfPage(layout, 25, c.page);
    EXPECT_EQ(place.Band, c.band) << c.page;
    EXPECT_EQ(place.FirstRow, c.first) << c.page;
    EXPECT_EQ(place.EndRow, c.end) << c.page;
  }
}

}  // namespace
