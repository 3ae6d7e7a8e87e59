#include "print/PrintUnits.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

#include "platform/Cp1252.h"
#include "print/PdfPainter.h"

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
  ascent_ = metrics.ascent();
  descent_ = metrics.descent();
}

void TTextMeasure::Draw(QPainter& painter, const QRectF& rect, int flags, const QString& text,
                        double width) const {
  if (text.isEmpty()) return;
  if (width > rect.width()) return DrawFittedText(painter, rect, flags, text, width);
  double x = rect.left();
  if (flags & Qt::AlignRight) {
    x = rect.right() - width;
  } else if (flags & Qt::AlignHCenter) {
    x = rect.left() + (rect.width() - width) / 2;
  }
  const double baseline = rect.top() + (rect.height() + ascent_ - descent_) / 2;
  // Into a PDF the text goes as one run of glyphs, without being laid out again.
  if (!DrawPdfTextRun(painter, QPointF(x, baseline), text)) {
    painter.drawText(QPointF(x, baseline), text);
  }
}

double TTextMeasure::Width(const std::string& cp1252) const {
  double width = 0;
  for (char c : cp1252) width += advance_[static_cast<unsigned char>(c)];
  return width;
}
