#pragma once

// The printed pages are drawn in dots of 1/1200 inch whatever the device: the painter is
// scaled from the device's resolution, and fonts are sized so that a font of P points is
// P points tall on paper, on screen at any zoom as on a printer or in a PDF.

#include <QFont>
#include <QString>
#include <string>

#include "platform/Fonts.h"

class QPaintDevice;
class QPainter;

inline constexpr double kDotsPerInch = 1200.0;
inline constexpr double kDotsPerPoint = kDotsPerInch / 72.0;

// Points to dots.
inline double Dots(double points) { return points * kDotsPerPoint; }

// Scales `painter` so that one unit is one dot on its device.
void ScaleToDots(QPainter& painter);

// The face of `spec` (its substituted family, bold, italic, ...) at `points` on paper, for
// drawing on `device` through a painter scaled by ScaleToDots.
QFont PrintFont(const platform::TFontSpec& spec, double points, const QPaintDevice& device);

// Draws `text` in `rect` with `flags` (alignment, vertical centre); a text wider than the
// rectangle is drawn smaller to fit its width rather than cut, so that no figure is lost.
// `width` is the text's width in the painter's font when known, else it is measured.
void DrawFittedText(QPainter& painter, const QRectF& rect, int flags, const QString& text,
                    double width = -1);

// The width of Windows-1252 texts in one font from a table of the characters' advances: a
// sum per text instead of laying each one out, for the many cells of a report.
class TTextMeasure {
 public:
  // `device` null measures in the font's own (screen) pixels.
  TTextMeasure(const QFont& font, const QPaintDevice* device);
  double Width(const std::string& cp1252) const;

  // Draws `text` (of `width`) in `rect` as DrawFittedText does, placing a text that fits by
  // its measure rather than through the painter's text layout.
  void Draw(QPainter& painter, const QRectF& rect, int flags, const QString& text,
            double width) const;

 private:
  double advance_[256];
  double ascent_ = 0, descent_ = 0;
};
