#include "platform/ElideText.h"

#include <QFontMetrics>
#include <QStringList>

namespace platform {

QString ElideLines(const QString& text, const QFontMetrics& metrics, int maxWidth,
                   int maxLines) {
  QStringList lines = text.split('\n');
  if (maxLines > 1 && lines.size() > maxLines) {
    const qsizetype head = maxLines / 2;
    const qsizetype tail = maxLines - head - 1;
    lines = lines.mid(0, head) + QStringList{QStringLiteral("\u2026")} +
            lines.mid(lines.size() - tail);
  }
  for (QString& line : lines) {
    if (metrics.horizontalAdvance(line) > maxWidth) {
      line = metrics.elidedText(line, Qt::ElideMiddle, maxWidth);
    }
  }
  return lines.join('\n');
}

}  // namespace platform
