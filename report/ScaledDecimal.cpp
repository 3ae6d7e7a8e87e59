#include "report/ScaledDecimal.h"

#include "data/DB.h"

namespace report {

namespace {

constexpr int kLongest = 36;  // digits a TCents holds with room for the arithmetic

TCents Magnitude(TCents value) { return value < 0 ? -value : value; }

}  // namespace

TCents BcdToCents(const TBcd& value) {
  const int digits = value.Precision;
  const int places = BcdScale(value);
  if (digits - places > kLongest - 2) {
    // Leading zeros do not count against the size.
    for (int i = 0; i < digits - places - (kLongest - 2); ++i) {
      if (BcdDigit(value, i) != 0) throw EBcdOverflow();
    }
  }
  TCents cents = 0;
  const int kept = digits - places + std::min(places, 2);
  for (int i = 0; i < kept; ++i) cents = cents * 10 + BcdDigit(value, i);
  for (int i = places; i < 2; ++i) cents *= 10;
  if (places > 2 && kept < digits && BcdDigit(value, kept) >= 5) ++cents;
  return BcdIsNegative(value) ? -cents : cents;
}

TBcd CentsToBcd(TCents cents) {
  char digits[48];
  int count = 0;
  for (TCents rest = Magnitude(cents); rest != 0 || count < 3; rest /= 10) {
    digits[count++] = static_cast<char>(rest % 10);
  }
  TBcd result;
  result.Precision = static_cast<uint8_t>(count);
  for (int i = 0; i < count; ++i) SetBcdDigit(result, i, digits[count - 1 - i]);
  result.SignSpecialPlaces = static_cast<uint8_t>((cents < 0 ? 0x80 : 0) | 2);
  return result;
}

TCents DivideRounded(TCents numerator, TCents denominator) {
  const bool negative = (numerator < 0) != (denominator < 0);
  const TCents n = Magnitude(numerator), d = Magnitude(denominator);
  TCents quotient = n / d;
  if ((n % d) * 2 >= d) ++quotient;
  return negative ? -quotient : quotient;
}

TCents PercentChange(TCents now, TCents before) {
  return DivideRounded((now - before) * 10000, Magnitude(before));
}

}  // namespace report
