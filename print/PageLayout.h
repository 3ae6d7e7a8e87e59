#pragma once

// The arithmetic of the printed report's pages as pure functions: the scale of the grid's
// columns on the page, the split of the columns into bands when they cannot be read at one
// page width, the rows per page and the page count. Lengths are in points.

#include <vector>

// One printed column: its width at the grid's size and whether it identifies the row
// (the warehouse code and name), so that it repeats on every band.
struct TPrintColumn {
  double Width = 0;
  bool Key = false;
};

// What the layout is computed from.
struct TPageLayoutInput {
  std::vector<TPrintColumn> Columns;  // in the grid's order
  double PageWidth = 0;               // the paint area inside the margins
  double PageHeight = 0;
  double HeaderHeight = 0;            // the page header above the column titles (not scaled)
  double TitleHeight = 0;             // the column title row at the grid's size
  double RowHeight = 0;               // one data row at the grid's size
  double MinScale = 0.625;            // the smallest scale at which text is still read
  int Rows = 0;                       // data rows to print
  bool ChartPage = false;             // a chart page follows the rows
};

struct TPageLayoutResult {
  // The factor from the grid's size to the page: at most 1, at least MinScale.
  double Scale = 1;
  // The column indexes of each band: the key columns first, then the band's own columns,
  // each in the grid's order. One band when the columns fit at a readable scale.
  std::vector<std::vector<int>> Bands;
  int RowsPerPage = 1;
  int RowBlocks = 1;  // pages of rows per band (1 for a report without rows)
  int PageCount = 1;  // RowBlocks x bands, plus the chart page
};

TPageLayoutResult ComputePageLayout(const TPageLayoutInput& input);

// Which rows and which band a page of the rows shows. Requires: page < RowBlocks x bands.
struct TPagePlace {
  int Band = 0;
  int FirstRow = 0;
  int EndRow = 0;  // one past the last row
};
TPagePlace PlaceOfPage(const TPageLayoutResult& layout, int rows, int page);
