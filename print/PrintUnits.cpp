#include "print/PrintUnits.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include "platform/Cp1252.h"

void ScaleToDots(QPainter& painter) {
  const QPaintDevice* device = painter.device();
  painter.scale(device->logicalDpiX() / kDotsPerInch, device->logicalDpiY() / kDotsPerInch);
}

QFont PrintFont(const platform::TFontSpec& spec, double points, const QPaintDevice& device) {
  QFont font = platform::ToQFont(spec);
  // The device turns points into its own pixels; the painter's scale then maps dots onto them.
  font.setPointSizeF(points * kDotsPerInch / device.logicalDpiY());
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

void DrawFittedText(QPainter& painter, const QRectF& rect, int flags, const QString& text,
                    double width) {
  if (text.isEmpty()) return;
  if (width < 0) width = QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(text);
  if (width <= rect.width() || width <= 0) {
    painter.drawText(rect, flags | Qt::TextSingleLine, text);
    return;
  }
  // A smaller size of the same face: the text stays whole and readable as text in the PDF.
  painter.save();
  QFont font = painter.font();
  font.setPointSizeF(font.pointSizeF() * rect.width() / width);
  painter.setFont(font);
  painter.drawText(rect, flags | Qt::TextSingleLine, text);
  painter.restore();
}

TTextMeasure::TTextMeasure(const QFont& font, const QPaintDevice* device) {
  const QFontMetricsF metrics = device ? QFontMetricsF(font, device) : QFontMetricsF(font);
  for (int byte = 0; byte < 256; ++byte) {
    advance_[byte] =
        metrics.horizontalAdvance(QChar(platform::Cp1252ToUnicode(static_cast<unsigned char>(byte))));
  }
}

double TTextMeasure::Width(const std::string& cp1252) const {
  double width = 0;
  for (char c : cp1252) width += advance_[static_cast<unsigned char>(c)];
  return width;
}
