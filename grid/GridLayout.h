#pragma once

// The width arithmetic of the grid and its navigator bar as pure functions: the width rule of
// one column, the spreading of the client width over the columns, the reference rescaling of a
// mouse resize and the navigator's button widths.

#include <vector>

// What the width arithmetic needs of one visible column.
struct TColumnWidthEh {
  int Width = 64;         // the width in force (the default while not assigned)
  int DefaultWidth = 64;  // what the width reads while not assigned
  bool Assigned = false;  // the width was set and no longer follows the default
  int MinWidth = 0;
  int MaxWidth = 0;     // 0 = no limit
  int RefWidth = 64;    // AutoFitRefWidth
  bool AutoFit = true;  // AutoFitColWidth
  bool Fixed = false;   // fixed mark of the spreading
};

// Sets a column's width: -1 is ignored, the default width of a column that follows its
// default is ignored, otherwise the width becomes assigned and is clamped to MaxWidth (when
// above 0) and then to MinWidth (never below 0).
void SetColumnWidth(TColumnWidthEh& column, int value);

// Geometry the spreading subtracts from the client width.
struct TAutoFitFrameEh {
  int ClientWidth = 0;
  int MinAutoFitWidth = 0;
  bool Indicator = true;
  int IndicatorWidth = 11;
  bool ColLines = true;
};

// Shares the client width out over `columns` (the visible columns in display order) in
// proportion to their reference widths; columns clamped by their limits keep their width and
// the rightmost free autofit column absorbs the rounding remainder. Returns the width shared
// out (avail, never below 0).
int SpreadAutoFitWidths(std::vector<TColumnWidthEh>& columns, const TAutoFitFrameEh& frame);

// A mouse resize of visible column `index` to `newWidth` pixels. Returns false when the width
// is 1 pixel or less (ignored). With `autoFit`, an autofit column rescales its reference width
// and its right-hand neighbour gives or takes the difference (the caller then spreads again);
// otherwise the column takes the new width.
bool ResizeColumnByMouse(std::vector<TColumnWidthEh>& columns, int index, int newWidth,
                         bool autoFit);

// The widths of `buttons` navigator buttons spread over `barWidth` pixels. An aligned bar
// spreads the remainder one pixel at a time (1418 over 4: 354, 355, 354, 355); a bar that is
// not aligned gives every button the same width.
std::vector<int> NavigatorButtonWidths(int barWidth, int buttons, bool aligned);
