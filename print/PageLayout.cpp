#include "print/PageLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// Splits the columns into bands filled up to `fill` (at most `width`, the band's room at the
// grid's size), each starting with the key columns. A column wider than a band on its own
// still gets a band.
std::vector<std::vector<int>> SplitBands(const std::vector<TPrintColumn>& columns, double width,
                                         double fill) {
  std::vector<int> keys;
  double keyWidth = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].Key) {
      keys.push_back(static_cast<int>(i));
      keyWidth += columns[i].Width;
    }
  }
  // Keys that leave no room for anything else are not repeated.
  if (keyWidth >= width) {
    keys.clear();
    keyWidth = 0;
  }
  std::vector<std::vector<int>> bands;
  std::vector<int> band = keys;
  double used = keyWidth;
  bool hasOwn = false;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!keys.empty() && columns[i].Key) continue;
    if (hasOwn && used + columns[i].Width > fill) {
      bands.push_back(band);
      band = keys;
      used = keyWidth;
      hasOwn = false;
    }
    band.push_back(static_cast<int>(i));
    used += columns[i].Width;
    hasOwn = true;
  }
  if (hasOwn || bands.empty()) bands.push_back(band);
  return bands;
}

// The fewest bands the columns need at `width`, with the columns shared out evenly among them:
// the smallest fill that needs no more bands than filling each band up, so that no band is
// left holding a single column after full ones.
std::vector<std::vector<int>> BalancedBands(const std::vector<TPrintColumn>& columns,
                                            double width) {
  const size_t count = SplitBands(columns, width, width).size();
  double low = 0, high = width;
  for (int step = 0; step < 40 && count > 1; ++step) {
    const double middle = (low + high) / 2;
    (SplitBands(columns, width, middle).size() <= count ? high : low) = middle;
  }
  return SplitBands(columns, width, high);
}

}  // namespace

TPageLayoutResult ComputePageLayout(const TPageLayoutInput& input) {
  TPageLayoutResult result;
  double total = 0;
  for (const TPrintColumn& column : input.Columns) total += column.Width;
  result.Scale = total > 0 ? std::min(1.0, input.PageWidth / total) : 1.0;
  if (result.Scale >= input.MinScale) {
    std::vector<int> all(input.Columns.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    result.Bands = {all};
  } else {
    result.Scale = input.MinScale;
    result.Bands = BalancedBands(input.Columns, input.PageWidth / input.MinScale);
  }
  const double rowSpace =
      input.PageHeight - input.HeaderHeight - input.TitleHeight * result.Scale;
  const double rowHeight = input.RowHeight * result.Scale;
  result.RowsPerPage =
      rowHeight > 0 ? std::max(1, static_cast<int>(std::floor(rowSpace / rowHeight))) : 1;
  result.RowBlocks = std::max(1, (input.Rows + result.RowsPerPage - 1) / result.RowsPerPage);
  result.PageCount = result.RowBlocks * static_cast<int>(result.Bands.size()) +
                     (input.ChartPage ? 1 : 0);
  return result;
}

TPagePlace PlaceOfPage(const TPageLayoutResult& layout, int rows, int page) {
  const int bands = static_cast<int>(layout.Bands.size());
  TPagePlace place;
  place.Band = page % bands;
  place.FirstRow = (page / bands) * layout.RowsPerPage;
  place.EndRow = std::min(rows, place.FirstRow + layout.RowsPerPage);
  return place;
}
