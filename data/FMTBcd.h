#pragma once

// Exact decimal values (TBcd) and their text forms: plain notation and the BCD format
// engine used by display formats such as "#,###.00".

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {
struct TFormatSettings;
}

// The exact decimal form of a number, 34 bytes: Precision digits held two per byte in
// Fraction (first digit in the high nibble of Fraction[0]); SignSpecialPlaces bit 7 = negative,
// bits 0-5 = number of decimal places (the last digits of the digit string).
struct TBcd {
  uint8_t Precision = 1;
  uint8_t SignSpecialPlaces = 0;
  uint8_t Fraction[32] = {};
};
static_assert(sizeof(TBcd) == 34, "TBcd is laid out in 34 bytes");

// Digit `index` (from 0) of the digit string.
int BcdDigit(const TBcd& value, int index);
// Sets digit `index` (from 0) to `digit` (0-9).
void SetBcdDigit(TBcd& value, int index, int digit);
inline bool BcdIsNegative(const TBcd& value) { return (value.SignSpecialPlaces & 0x80) != 0; }
inline int BcdScale(const TBcd& value) { return value.SignSpecialPlaces & 0x3F; }
bool BcdIsZero(const TBcd& value);

// Returns the value with exactly `precision` digits and `places` decimal places, rounding half
// up when places are dropped. Returns false (and leaves `out` unspecified) when the integer
// part does not fit ("BCD overflow" for the callers).
bool NormalizeBcd(const TBcd& value, int precision, int places, TBcd& out);

// Plain notation with the given decimal separator (12500.00 -> "12500", 0.50 -> "0.5").
// Throws EBcdOverflow ("BCD overflow") for a precision of 0 or above 64.
std::string BcdToPlainText(const TBcd& value, char decimalSeparator);

// Reads a decimal text made of an optional leading "-", digits and at most one
// `decimalSeparator`, with at least one digit. Returns false for any other character, for a
// second "-" or separator, and for an empty text or one with more than 64 integer digits.
// The result holds the integer digits plus the typed decimals (decimals beyond 64 digits in
// all are rounded half up).
bool TryTextToBcd(std::string_view text, char decimalSeparator, TBcd& out);

// Conversions to and from floating point (through plain notation with "."). DoubleToBcd takes
// the shortest decimal text that reads back as `value`, rounds it half up to `places` and
// throws EBcdOverflow for NaN, infinity or an integer part wider than precision - places.
double BcdToDouble(const TBcd& value);
TBcd DoubleToBcd(double value, int precision, int places);
TBcd IntegerToBcd(int64_t value);

// Compares two values numerically: -1, 0 or 1.
int BcdCompare(const TBcd& a, const TBcd& b);

// The display text of `value` under a format with a single section ("#,###", "#,###.00",
// "###.00", "##.00%"): literals, grouping, places and the grouped/fixed/plain styles, using the
// separators of `settings`. Throws EBcdOverflow when no text can be made.
// Choices for what the system's formats never meet:
// - a value with more decimals than a format with decimal places shows is rounded half up
//   (away from zero) on the first dropped digit; with no decimal places the decimals stay;
// - a result that shows only zeros gets no "-" (negative zero, or rounded to zero);
// - a literal that starts the format goes in front, every other literal (also one between
//   digit characters) is appended at the end in its order; "%" never scales the value;
// - ";" sections, quotes and "$" are not interpreted: they are literal text.
std::string FormatBcd(std::string_view format, const TBcd& value,
                      const platform::TFormatSettings& settings);
