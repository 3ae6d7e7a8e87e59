#pragma once

// Exact decimal arithmetic for the comparison: values held as whole hundredths in a 128-bit
// integer, so that sums over any number of NUMERIC(15,2) rows and their quotients stay exact.

#include "data/FMTBcd.h"

namespace report {

__extension__ typedef __int128 TCents;

// `value` in hundredths; decimals past the second are rounded half away from zero. Throws
// EBcdOverflow when the value does not fit in 36 digits.
TCents BcdToCents(const TBcd& value);

// `cents` as a decimal with two places (at least one integer digit).
TBcd CentsToBcd(TCents cents);

// numerator / denominator rounded half away from zero. Requires: denominator != 0.
TCents DivideRounded(TCents numerator, TCents denominator);

// The change from `before` to `now` in percent of the size of `before`, in hundredths of a
// percent (12.34% -> 1234): a fall is negative whatever the sign of `before`.
// Requires: before != 0.
TCents PercentChange(TCents now, TCents before);

}  // namespace report
