#pragma once

// The grid's glyph resources, drawn by code: the indicator images (current row arrow, edit,
// insert, multi-select marks, the arrow on the incremental-search colour) and the sort
// markers.

#include <QPoint>
#include <QRect>

#include "grid/ColumnsEh.h"

class QPainter;

// Indices of the indicator image list.
enum TIndicatorImageEh {
  iiArrow = 0,        // DBGARROWEH, the current row
  iiEdit = 1,         // DBEDITEH
  iiInsert = 2,       // DBINSERTEH
  iiMultiDot = 3,     // DBMULTIDOTEH
  iiMultiArrow = 4,   // DBMULTIARROWEH
  iiArrowW = 5,       // DBGARROWEHW, the current row inside a multi-row selection
  iiSearchArrow = 6,  // DBGARROWEHW on clYellow, while an incremental search is active
};

constexpr int kIndicatorGlyphWidth = 6;
constexpr int kIndicatorGlyphHeight = 11;
constexpr int kSortMarkerWidth = 10;
constexpr int kSortMarkerHeight = 9;

// Draws indicator image `image` centred in `area`.
void DrawIndicatorGlyph(QPainter& painter, int image, const QRect& area);
// Draws DBSMDOWNEH (smDownEh) or DBSMUPEH (smUpEh) with its top-left corner at `at`.
void DrawSortMarkerGlyph(QPainter& painter, TSortMarkerEh marker, QPoint at);
