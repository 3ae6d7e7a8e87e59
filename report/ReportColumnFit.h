#pragma once

// How the report grid's columns share the window's width after a calculation: the figures
// first, then the titles; the warehouse name gives way before any figure is cut.

#include <QFontMetrics>
#include <string>
#include <vector>

class TDBGridEh;

namespace report {

// What one column needs, in pixels: its widest cell or footer text, and its title. The
// column is named by its field.
struct TColumnNeed {
  int Text = 0;
  int Title = 0;
  std::string FieldName;
};

// The reference widths for sharing `avail` pixels over columns with `needs`: every need with
// its title where all of that fits; else the texts' needs; else the same with column
// `giveWay` narrowed to what is left, down to `giveWayMin`. Where even that does not fit, the
// texts' needs with `giveWay` at `giveWayMin`: every column is cut in the same proportion.
std::vector<int> ShareColumnWidths(const std::vector<TColumnNeed>& needs, int avail,
                                   int giveWay, int giveWayMin);

// Measures the needs of the visible columns of `grid` from the texts its rows show, one text
// at a time, in the fonts the grid paints with: the titles and footers when made, then each
// cell's text as Add is given it. Requires: the grid's data link is active.
class TColumnNeedMeter {
 public:
  explicit TColumnNeedMeter(TDBGridEh& grid);
  // A cell's text in visible column `index`; a column without a field takes none.
  void Add(size_t index, const std::string& text);
  const std::vector<TColumnNeed>& Needs() const { return needs_; }

 private:
  std::vector<TColumnNeed> needs_;
  std::vector<QFontMetrics> cellFonts_;
  std::vector<bool> hasField_;
  std::vector<size_t> longest_;
};

// The needs of the visible columns of `grid` over all rows of its result set, in the fonts
// the grid paints with (the cells' text area is 4 pixels narrower than the column). The
// current row stays where it was. Requires: the grid's data link is active.
std::vector<TColumnNeed> MeasureColumnNeeds(TDBGridEh& grid);

// Gives the visible columns of `grid` the reference widths of ShareColumnWidths for `needs`
// (matched by field name, in whatever order the columns are now) over the width the columns
// share now, and lays the grid out again. The column of field `giveWay` keeps at least the
// width of `giveWayChars` average characters of its font.
void FitColumnsToNeeds(TDBGridEh& grid, const std::vector<TColumnNeed>& needs,
                       const std::string& giveWay, int giveWayChars);

}  // namespace report
