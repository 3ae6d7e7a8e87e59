#include "grid/GridGlyphs.h"

#include <QPainter>
#include <QPolygon>

namespace {

const QColor kBlack(0, 0, 0);
const QColor kDarkGrey(128, 128, 128);
const QColor kWhite(255, 255, 255);

// A right-pointing arrow 4 pixels wide and 7 high inside the 6 x 11 image at `origin`.
void DrawArrow(QPainter& painter, QPoint origin, const QColor& color) {
  painter.setPen(color);
  for (int i = 0; i < 4; ++i) {
    painter.drawLine(origin.x() + 1 + i, origin.y() + 2 + i, origin.x() + 1 + i,
                     origin.y() + 8 - i);
  }
}

}  // namespace

void DrawIndicatorGlyph(QPainter& painter, int image, const QRect& area) {
  QPoint origin(area.left() + (area.width() - kIndicatorGlyphWidth) / 2,
                area.top() + (area.height() - kIndicatorGlyphHeight) / 2);
  painter.save();
  switch (image) {
    case iiArrow:
      DrawArrow(painter, origin, kBlack);
      break;
    case iiEdit:
      // An I-beam: the record is being edited.
      painter.setPen(kBlack);
      painter.drawLine(origin.x() + 2, origin.y() + 1, origin.x() + 2, origin.y() + 9);
      painter.drawLine(origin.x() + 1, origin.y() + 1, origin.x() + 3, origin.y() + 1);
      painter.drawLine(origin.x() + 1, origin.y() + 9, origin.x() + 3, origin.y() + 9);
      break;
    case iiInsert:
      // An asterisk: the record is being inserted.
      painter.setPen(kBlack);
      painter.drawLine(origin.x() + 2, origin.y() + 3, origin.x() + 2, origin.y() + 7);
      painter.drawLine(origin.x(), origin.y() + 5, origin.x() + 4, origin.y() + 5);
      painter.drawLine(origin.x(), origin.y() + 3, origin.x() + 4, origin.y() + 7);
      painter.drawLine(origin.x(), origin.y() + 7, origin.x() + 4, origin.y() + 3);
      break;
    case iiMultiDot:
      painter.fillRect(QRect(origin.x() + 1, origin.y() + 4, 3, 3), kBlack);
      break;
    case iiMultiArrow:
      DrawArrow(painter, origin, kBlack);
      painter.fillRect(QRect(origin.x() + 5, origin.y() + 4, 1, 3), kBlack);
      break;
    case iiArrowW:
      painter.fillRect(QRect(origin, QSize(kIndicatorGlyphWidth, kIndicatorGlyphHeight)), kWhite);
      DrawArrow(painter, origin, kBlack);
      break;
    case iiSearchArrow:
      painter.fillRect(QRect(origin, QSize(kIndicatorGlyphWidth, kIndicatorGlyphHeight)),
                       QColor(255, 255, 0));
      DrawArrow(painter, origin, kBlack);
      break;
    default:
      break;
  }
  painter.restore();
}

void DrawSortMarkerGlyph(QPainter& painter, TSortMarkerEh marker, QPoint at) {
  if (marker == smNoneEh) return;
  painter.save();
  const int x = at.x();
  const int y = at.y();
  // An outlined triangle 9 wide: dark grey on the left edge (and the base), white on the
  // right edge.
  if (marker == smDownEh) {
    painter.setPen(kDarkGrey);
    painter.drawLine(x, y + 1, x + 8, y + 1);
    painter.drawLine(x, y + 1, x + 4, y + 8);
    painter.setPen(kWhite);
    painter.drawLine(x + 8, y + 1, x + 4, y + 8);
  } else {
    painter.setPen(kDarkGrey);
    painter.drawLine(x + 4, y + 1, x, y + 8);
    painter.setPen(kWhite);
    painter.drawLine(x + 4, y + 1, x + 8, y + 8);
    painter.drawLine(x, y + 8, x + 8, y + 8);
  }
  painter.restore();
}
