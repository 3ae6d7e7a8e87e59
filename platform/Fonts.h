#pragma once

#include <QFont>
#include <string>

#include "platform/SystemColors.h"

namespace platform {

// A font as the system describes it. Name is the system's name ("MS Sans Serif", "Arial
// Narrow"); exporters write it as it stands. Size is in points.
struct TFontSpec {
  std::string Name = "MS Sans Serif";
  int Size = 8;
  TColor Color = clWindowText;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  int Charset = 1;  // DEFAULT_CHARSET

  bool operator==(const TFontSpec&) const = default;
};

// The Qt font of `spec`: the family keeps the system's name (substitutions pick the face),
// the pixel size is Size * ScreenPixelsPerInch() / 72 rounded as the system does.
QFont ToQFont(const TFontSpec& spec);

// The character height in pixels of a font of `points` at `pixelsPerInch` (rounded half
// away from zero, like the system's MulDiv).
int PointsToPixels(int points, int pixelsPerInch);

// Registers the metric twins of the system's fonts with Qt: "MS Sans Serif", "Microsoft Sans
// Serif", "Tahoma" and "Arial" -> Liberation Sans, "Arial Narrow" -> Liberation Sans
// Narrow, "Courier New" -> Liberation Mono, "Times New Roman" -> Liberation Serif, each with
// DejaVu Sans as the last fallback. Safe to call more than once.
void RegisterFontSubstitutions();

// Pixels per inch of the primary screen (96 on the off-screen platform or without a
// screen).
int ScreenPixelsPerInch();

}  // namespace platform
