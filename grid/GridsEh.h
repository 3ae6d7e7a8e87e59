#pragma once

// The generic cell grid's vocabulary: draw states, cell coordinates and the rounding rule that
// the width arithmetic of the grid and the navigator bar share.

#include <cstdint>

// Draw state of one painted cell: selected (the current cell or a highlighted one), focused
// (the current cell while the grid has the keyboard focus), fixed (title, indicator, footer).
enum TGridDrawStateEh : unsigned { gdSelected = 1u << 0, gdFocused = 1u << 1, gdFixed = 1u << 2 };
using TGridDrawState = unsigned;

// A cell of the generic grid: X the grid column (0 = indicator), Y the grid row (0 = title).
struct TGridCoord {
  int X = 0;
  int Y = 0;
  bool operator==(const TGridCoord&) const = default;
};

// number * numerator / denominator rounded to the nearest integer (halves away from zero),
// computed in 64 bits; -1 when denominator is 0.
int MulDiv(int number, int numerator, int denominator);
