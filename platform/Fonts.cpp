#include "platform/Fonts.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/Cp1252.h"

namespace platform {

int PointsToPixels(int points, int pixelsPerInch) {
  long long product = static_cast<long long>(points) * pixelsPerInch;
  long long half = 36;
  long long rounded = product >= 0 ? (product + half) / 72 : -((-product + half) / 72);
  return static_cast<int>(rounded);
}

QFont ToQFont(const TFontSpec& spec) {
  QFont font(ToQString(spec.Name));
  font.setPixelSize(std::max(1, PointsToPixels(std::abs(spec.Size), ScreenPixelsPerInch())));
  font.setBold(spec.Bold);
  font.setItalic(spec.Italic);
  font.setUnderline(spec.Underline);
  font.setStrikeOut(spec.StrikeOut);
  return font;
}

void RegisterFontSubstitutions() {
  const QStringList sans = {"Liberation Sans", "DejaVu Sans"};
  for (const char* name : {"MS Sans Serif", "Microsoft Sans Serif", "Tahoma", "Arial"}) {
    QFont::removeSubstitutions(name);
    QFont::insertSubstitutions(name, sans);
  }
  QFont::removeSubstitutions("Arial Narrow");
  QFont::insertSubstitutions("Arial Narrow",
                             {"Liberation Sans Narrow", "Liberation Sans", "DejaVu Sans"});
  QFont::removeSubstitutions("Courier New");
  QFont::insertSubstitutions("Courier New", {"Liberation Mono", "DejaVu Sans Mono", "DejaVu Sans"});
  QFont::removeSubstitutions("Times New Roman");
  QFont::insertSubstitutions("Times New Roman",
                             {"Liberation Serif", "DejaVu Serif", "DejaVu Sans"});
}

int ScreenPixelsPerInch() {
  if (QGuiApplication::instance() == nullptr) return 96;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 96;
  int dpi = static_cast<int>(std::lround(screen->logicalDotsPerInch()));
  return dpi > 0 ? dpi : 96;
}

}  // namespace platform
