#pragma once

// Colour arithmetic of the grid's painting.

#include "platform/SystemColors.h"

// Tints `base` with `glass` per channel (after resolving system colours): half way to the
// glass, then 60% of the way to 225, then, when darkening, a quarter of the distance to 122
// away; rounded to the nearest integer (halves to even) and clamped to 0..255.
platform::TColor TintColor(platform::TColor base, platform::TColor glass, bool darken);

// Background of selected title and indicator cells: RGB(64, 64, 64).
constexpr platform::TColor kSelectedFixedColor = platform::MakeColor(64, 64, 64);
// Lines between data cells and lines of fixed cells.
constexpr platform::TColor kDataLineColor = platform::clSilver;
constexpr platform::TColor kFixedLineColor = platform::MakeColor(128, 128, 128);
