#pragma once

// Long texts cut to fit the screen before a message box shows them.

#include <QString>

class QFontMetrics;

namespace platform {

// `text` with every line wider than `maxWidth` pixels in `metrics` cut in its middle with
// "…" (its start and end stay), and, past `maxLines` lines, the lines in the middle replaced
// by one "…" line.
QString ElideLines(const QString& text, const QFontMetrics& metrics, int maxWidth, int maxLines);

}  // namespace platform
