#include "data/FMTBcd.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "data/DB.h"
#include "platform/RegionalSettings.h"

namespace {

constexpr int kMaxPrecision = 64;
constexpr int kMaxPlaces = 63;  // bits 0-5 of SignSpecialPlaces

// A decimal number as digit strings: no leading zeros in IntDigits (empty for a zero
// integer part), FracDigits exactly as many decimals as held (trailing zeros allowed).
struct Decimal {
  bool Negative = false;
  std::string IntDigits;
  std::string FracDigits;
};

bool IsAllZero(const std::string& digits) {
  return digits.find_first_not_of('0') == std::string::npos;
}

void StripLeadingZeros(std::string& digits) {
  size_t first = digits.find_first_not_of('0');
  digits.erase(0, first == std::string::npos ? digits.size() : first);
}

// Reads a well-formed value (1 <= Precision <= 64, places <= Precision).
bool DecimalFromBcd(const TBcd& value, Decimal& out) {
  int precision = value.Precision;
  int places = BcdScale(value);
  if (precision < 1 || precision > kMaxPrecision || places > precision) return false;
  std::string digits(static_cast<size_t>(precision), '0');
  for (int i = 0; i < precision; ++i) {
    int digit = BcdDigit(value, i);
    if (digit > 9) return false;
    digits[static_cast<size_t>(i)] = static_cast<char>('0' + digit);
  }
  out.Negative = BcdIsNegative(value);
  out.IntDigits = digits.substr(0, static_cast<size_t>(precision - places));
  out.FracDigits = digits.substr(static_cast<size_t>(precision - places));
  StripLeadingZeros(out.IntDigits);
  return true;
}

// Cuts or pads the decimals to `places`, rounding half up (away from zero) on the first
// dropped digit; a carry may lengthen the integer digits.
void RoundDecimal(Decimal& d, int places) {
  size_t keep = static_cast<size_t>(places);
  if (d.FracDigits.size() <= keep) {
    d.FracDigits.append(keep - d.FracDigits.size(), '0');
    return;
  }
  bool up = d.FracDigits[keep] >= '5';
  d.FracDigits.resize(keep);
  if (!up) return;
  std::string all = d.IntDigits + d.FracDigits;
  int i = static_cast<int>(all.size()) - 1;
  for (; i >= 0; --i) {
    if (all[static_cast<size_t>(i)] == '9') {
      all[static_cast<size_t>(i)] = '0';
    } else {
      ++all[static_cast<size_t>(i)];
      break;
    }
  }
  if (i < 0) all.insert(all.begin(), '1');
  d.IntDigits = all.substr(0, all.size() - keep);
  d.FracDigits = all.substr(all.size() - keep);
}

// Writes `d` with exactly `precision` digits and `places` decimals (rounding half up).
bool DecimalToBcd(Decimal d, int precision, int places, TBcd& out) {
  if (precision < 1 || precision > kMaxPrecision || places < 0 || places > precision ||
      places > kMaxPlaces) {
    return false;
  }
  RoundDecimal(d, places);
  StripLeadingZeros(d.IntDigits);
  if (static_cast<int>(d.IntDigits.size()) > precision - places) return false;
  TBcd result;
  result.Precision = static_cast<uint8_t>(precision);
  std::string digits(static_cast<size_t>(precision - places) - d.IntDigits.size(), '0');
  digits += d.IntDigits;
  digits += d.FracDigits;
  for (int i = 0; i < precision; ++i) SetBcdDigit(result, i, digits[static_cast<size_t>(i)] - '0');
  bool zero = IsAllZero(digits);
  result.SignSpecialPlaces = static_cast<uint8_t>(places | (d.Negative && !zero ? 0x80 : 0));
  out = result;
  return true;
}

// Reads "-"? digits [sep digits] with at least one digit; nothing else.
bool ParseDecimal(std::string_view text, char decimalSeparator, Decimal& out) {
  Decimal d;
  size_t i = 0;
  if (i < text.size() && text[i] == '-') {
    d.Negative = true;
    ++i;
  }
  bool seenSeparator = false;
  bool seenDigit = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      (seenSeparator ? d.FracDigits : d.IntDigits) += c;
      seenDigit = true;
    } else if (c == decimalSeparator && !seenSeparator) {
      seenSeparator = true;
    } else {
      return false;
    }
  }
  if (!seenDigit) return false;
  StripLeadingZeros(d.IntDigits);
  out = std::move(d);
  return true;
}

// Bits a holder of `d` needs: its integer digits plus its decimals, within the BCD limits.
bool DecimalToSmallestBcd(Decimal d, TBcd& out) {
  StripLeadingZeros(d.IntDigits);
  int intDigits = static_cast<int>(d.IntDigits.size());
  if (intDigits > kMaxPrecision) return false;
  int places = std::min<int>(static_cast<int>(d.FracDigits.size()),
                             std::min(kMaxPlaces, kMaxPrecision - intDigits));
  RoundDecimal(d, places);
  StripLeadingZeros(d.IntDigits);
  intDigits = static_cast<int>(d.IntDigits.size());
  if (intDigits + places > kMaxPrecision) {
    // A carry made the integer part one digit longer: give up one decimal.
    if (places == 0) return false;
    --places;
    RoundDecimal(d, places);
    StripLeadingZeros(d.IntDigits);
    intDigits = static_cast<int>(d.IntDigits.size());
  }
  return DecimalToBcd(d, std::max(1, intDigits + places), places, out);
}

}  // namespace

int BcdDigit(const TBcd& value, int index) {
  uint8_t byte = value.Fraction[index / 2];
  return (index % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
}

void SetBcdDigit(TBcd& value, int index, int digit) {
  uint8_t& byte = value.Fraction[index / 2];
  if (index % 2 == 0) {
    byte = static_cast<uint8_t>((byte & 0x0F) | (digit << 4));
  } else {
    byte = static_cast<uint8_t>((byte & 0xF0) | (digit & 0x0F));
  }
}

bool BcdIsZero(const TBcd& value) {
  int precision = std::min<int>(value.Precision, kMaxPrecision);
  for (int i = 0; i < precision; ++i) {
    if (BcdDigit(value, i) != 0) return false;
  }
  return true;
}

bool NormalizeBcd(const TBcd& value, int precision, int places, TBcd& out) {
  Decimal d;
  if (!DecimalFromBcd(value, d)) return false;
  return DecimalToBcd(std::move(d), precision, places, out);
}

namespace {

// Room for the plain notation: sign, leading "0", separator and at most 64 digits.
constexpr size_t kPlainRoom = kMaxPrecision + 4;

constexpr auto kPowers10 = [] {
  std::array<uint64_t, 20> powers{};
  powers[0] = 1;
  for (size_t i = 1; i < powers.size(); ++i) powers[i] = powers[i - 1] * 10;
  return powers;
}();

// Throws EBcdOverflow unless 1 <= Precision <= 64 and the places fit in it.
void CheckWellFormed(const TBcd& value) {
  if (value.Precision == 0 || value.Precision > kMaxPrecision ||
      BcdScale(value) > value.Precision) {
    throw EBcdOverflow();
  }
}

// A value of at most 19 digits as its plain notation shows it: the integer part, and the
// decimals left once trailing zeros are dropped (kept when every digit is a decimal).
struct PlainParts {
  bool negative = false;  // the sign bit, which a zero may carry too
  uint64_t integer = 0;
  uint64_t decimals = 0;
  int shown = 0;  // digits of `decimals` shown, leading zeros included; 0 = no separator
};

// The parts of a well-formed value (1 <= Precision <= 64, places <= Precision) written with
// `decimalSeparator`; false when it has more than 19 digits. Throws EBcdOverflow for a digit
// that is not one.
bool SmallPlainParts(const TBcd& value, char decimalSeparator, PlainParts& parts) {
  const int precision = value.Precision;
  const int places = BcdScale(value);
  if (precision > 19) return false;
  // Digit i is the high nibble of byte i / 2 when i is even, else the low one.
  auto digitsOf = [&value](int from, int to) {
    uint64_t number = 0;
    for (int i = from; i < to; ++i) {
      const uint8_t byte = value.Fraction[i / 2];
      const unsigned digit = i % 2 == 0 ? byte >> 4 : byte & 0x0Fu;
      if (digit > 9) throw EBcdOverflow();
      number = number * 10 + digit;
    }
    return number;
  };
  parts.negative = BcdIsNegative(value);
  parts.integer = digitsOf(0, precision - places);
  parts.decimals = digitsOf(precision - places, precision);
  parts.shown = places;
  if (places < precision) {
    while (parts.shown > 0 && parts.decimals % 10 == 0) {
      parts.decimals /= 10;
      --parts.shown;
    }
  }
  // "0.0" reads as "0" (with the point as the separator).
  if (decimalSeparator == '.' && parts.integer == 0 && parts.decimals == 0 && parts.shown == 1) {
    parts.shown = 0;
  }
  return true;
}

// Writes the integer digits of `parts` ("0" for none) and its separator and decimals at `out`;
// returns the end.
char* WritePlainParts(const PlainParts& parts, char decimalSeparator, char* out) {
  out = std::to_chars(out, out + 20, parts.integer).ptr;
  if (parts.shown == 0) return out;
  *out++ = decimalSeparator;
  uint64_t decimals = parts.decimals;
  for (int k = parts.shown - 1; k >= 0; --k) {
    out[k] = static_cast<char>('0' + decimals % 10);
    decimals /= 10;
  }
  return out + parts.shown;
}

// The digits of the plain notation from text[1] on (text[0] is kept for the sign): the integer
// digits without leading zeros, then the separator and the decimals, trailing zeros dropped
// when the value has integer places too. Returns the size used.
size_t PlainDigits(const TBcd& value, char decimalSeparator, char* text) {
  const int precision = value.Precision;
  const int places = BcdScale(value);
  PlainParts parts;
  if (SmallPlainParts(value, decimalSeparator, parts)) {
    return static_cast<size_t>(WritePlainParts(parts, decimalSeparator, text + 1) - text);
  }
  size_t size = 1;
  const bool trims = places > 0 && places < precision;
  char digits[kMaxPrecision];
  for (int i = 0; i < precision; i += 2) {
    const uint8_t byte = value.Fraction[i / 2];
    const int high = byte >> 4, low = byte & 0x0F;
    if (high > 9 || (i + 1 < precision && low > 9)) throw EBcdOverflow();
    digits[i] = static_cast<char>('0' + high);
    if (i + 1 < precision) digits[i + 1] = static_cast<char>('0' + low);
  }
  const int integerDigits = precision - places;
  int i = 0;
  while (i < integerDigits && digits[i] == '0') ++i;  // leading zeros skipped
  for (; i < integerDigits; ++i) text[size++] = digits[i];
  if (places > 0) {
    if (size == 1) text[size++] = '0';
    text[size++] = decimalSeparator;
  }
  for (; i < precision; ++i) text[size++] = digits[i];
  if (trims) {
    // Drop trailing zeros, then a separator left last.
    size_t end = size;
    while (end > 1 && text[end - 1] == '0') --end;
    size = std::max<size_t>(end, 2);
    if (size > 2 && text[size - 1] == decimalSeparator) --size;
  }
  return size;
}

// The plain notation of `value`, written into `text`.
std::string_view PlainText(const TBcd& value, char decimalSeparator, char (&text)[kPlainRoom]) {
  CheckWellFormed(value);
  const size_t size = PlainDigits(value, decimalSeparator, text);
  if (size == 1) return "0";
  const char* begin = text + 1;
  if (BcdIsNegative(value)) {
    text[0] = '-';
    --begin;
  }
  const std::string_view result(begin, static_cast<size_t>(text + size - begin));
  if (result == "-0" || result == "0.0" || result == "-0.0") return "0";
  return result;
}

}  // namespace

std::string BcdToPlainText(const TBcd& value, char decimalSeparator) {
  char text[kPlainRoom];
  return std::string(PlainText(value, decimalSeparator, text));
}

bool TryTextToBcd(std::string_view text, char decimalSeparator, TBcd& out) {
  Decimal d;
  if (!ParseDecimal(text, decimalSeparator, d)) return false;
  return DecimalToSmallestBcd(std::move(d), out);
}

double BcdToDouble(const TBcd& value) {
  std::string text = BcdToPlainText(value, '.');
  double result = 0;
  std::from_chars(text.data(), text.data() + text.size(), result);
  return result;
}

TBcd DoubleToBcd(double value, int precision, int places) {
  if (!std::isfinite(value)) throw EBcdOverflow();
  // The shortest decimal text that reads back as `value`, then decimal rounding.
  char buffer[400];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (ec != std::errc()) throw EBcdOverflow();
  Decimal d;
  TBcd result;
  if (!ParseDecimal(std::string_view(buffer, static_cast<size_t>(end - buffer)), '.', d) ||
      !DecimalToBcd(std::move(d), precision, places, result)) {
    throw EBcdOverflow();
  }
  return result;
}

TBcd IntegerToBcd(int64_t value) {
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  TBcd result;
  result.Precision = static_cast<uint8_t>(digits.size());
  for (size_t i = 0; i < digits.size(); ++i) {
    SetBcdDigit(result, static_cast<int>(i), digits[i] - '0');
  }
  result.SignSpecialPlaces = value < 0 ? 0x80 : 0;
  return result;
}

int BcdCompare(const TBcd& a, const TBcd& b) {
  Decimal x, y;
  if (!DecimalFromBcd(a, x) || !DecimalFromBcd(b, y)) throw EBcdOverflow();
  auto trim = [](Decimal& d) {
    size_t last = d.FracDigits.find_last_not_of('0');
    d.FracDigits.resize(last == std::string::npos ? 0 : last + 1);
    if (d.IntDigits.empty() && d.FracDigits.empty()) d.Negative = false;
  };
  trim(x);
  trim(y);
  if (x.Negative != y.Negative) return x.Negative ? -1 : 1;
  int magnitude = 0;
  if (x.IntDigits.size() != y.IntDigits.size()) {
    magnitude = x.IntDigits.size() < y.IntDigits.size() ? -1 : 1;
  } else if (int c = x.IntDigits.compare(y.IntDigits); c != 0) {
    magnitude = c < 0 ? -1 : 1;
  } else if (int f = x.FracDigits.compare(y.FracDigits); f != 0) {
    magnitude = f < 0 ? -1 : 1;
  }
  return x.Negative ? -magnitude : magnitude;
}

namespace {

bool IsDigitFormatChar(char c) { return c == '#' || c == '0' || c == ',' || c == '.'; }

// A display format taken apart: the literals around the digits and the digit layout.
struct ParsedFormat {
  std::string format;
  std::string leading, trailing;
  bool grouped = false;
  int decimalPlaces = 0;
  bool zeroPlaceholder = false;  // a '0' from the last integer place on forces fixed notation
};

// Each column formats every row with the same format: the last few formats stay parsed.
const ParsedFormat& ParseFormat(std::string_view format) {
  constexpr size_t kKept = 16;
  thread_local std::vector<ParsedFormat> kept;
  thread_local size_t next = 0;
  for (const ParsedFormat& known : kept) {
    if (known.format == format) return known;
  }
  ParsedFormat* slot;
  if (kept.size() < kKept) {
    kept.reserve(kKept);
    slot = &kept.emplace_back();
  } else {
    slot = &kept[next];
    next = (next + 1) % kKept;
    *slot = ParsedFormat();
  }
  ParsedFormat& parsed = *slot;
  parsed.format.assign(format);

  // Literals: a run at the start goes in front, every other run goes to the end.
  std::string digitFormat;
  for (size_t i = 0; i < format.size();) {
    if (IsDigitFormatChar(format[i])) {
      digitFormat += format[i++];
      continue;
    }
    size_t start = i;
    while (i < format.size() && !IsDigitFormatChar(format[i])) ++i;
    (start == 0 ? parsed.leading : parsed.trailing) += format.substr(start, i - start);
  }

  parsed.grouped = digitFormat.find(',') != std::string::npos;
  std::erase(digitFormat, ',');

  size_t point = digitFormat.find('.');
  const int integerPlaces =
      static_cast<int>(point == std::string::npos ? digitFormat.size() : point);
  parsed.decimalPlaces =
      point == std::string::npos ? 0 : static_cast<int>(digitFormat.size() - point - 1);
  size_t from = integerPlaces == 0 ? 0 : static_cast<size_t>(integerPlaces - 1);
  parsed.zeroPlaceholder =
      from < digitFormat.size() &&
      digitFormat.substr(from, static_cast<size_t>(parsed.decimalPlaces) + 1).find('0') !=
          std::string::npos;
  return parsed;
}

}  // namespace

namespace {

// The formatted text of a value from its plain notation: the integer digits, the decimals and
// whether the notation has a separator, with the sign shown or not. Grouped and fixed styles
// mark thousands and pad the decimals to the format's places; the plain style keeps the
// notation as it is.
std::string Compose(const ParsedFormat& parsed, bool styled, bool negative,
                    std::string_view integer, std::string_view decimals, bool separator,
                    const platform::TFormatSettings& settings) {
  const char decimalSeparator = settings.DecimalSeparator;
  const int decimalPlaces = parsed.decimalPlaces;
  // A thousands mark equal to the decimal separator would make "1.234.56" ambiguous: then no
  // marks are written.
  const char thousands = styled && parsed.grouped && settings.ThousandSeparator != decimalSeparator
                             ? settings.ThousandSeparator
                             : '\0';
  const size_t marks = thousands != '\0' && !integer.empty() ? (integer.size() - 1) / 3 : 0;
  const size_t shown = styled && decimalPlaces > 0
                           ? std::max(decimals.size(), static_cast<size_t>(decimalPlaces))
                           : decimals.size();
  const bool showsDecimals = (separator || (styled && decimalPlaces > 0)) && shown > 0;
  // Written in place: the exact length is known.
  std::string result(parsed.leading.size() + negative + integer.size() + marks +
                         (showsDecimals ? 1 + shown : 0) + parsed.trailing.size(),
                     '0');
  char* out = std::copy(parsed.leading.begin(), parsed.leading.end(), result.data());
  if (negative) *out++ = '-';
  for (size_t k = 0; k < integer.size(); ++k) {
    // A thousands mark before every third digit counted from the right.
    if (thousands != '\0' && k > 0 && (integer.size() - k) % 3 == 0) *out++ = thousands;
    *out++ = integer[k];
  }
  if (showsDecimals) {
    *out++ = decimalSeparator;
    out = std::copy(decimals.begin(), decimals.end(), out);
    out += shown - decimals.size();  // the padding zeros are already there
  }
  std::copy(parsed.trailing.begin(), parsed.trailing.end(), out);
  return result;
}

// FormatBcd for a value of at most 19 digits, with integer arithmetic on its plain parts.
std::string FormatSmall(const ParsedFormat& parsed, PlainParts parts,
                        const platform::TFormatSettings& settings) {
  const int decimalPlaces = parsed.decimalPlaces;
  const bool styled =
      parsed.grouped || parsed.zeroPlaceholder || parts.shown > decimalPlaces;
  if (styled && decimalPlaces > 0 && parts.shown > decimalPlaces) {
    // More decimals than the format shows: round half up on the first dropped digit.
    const uint64_t unit = kPowers10[parts.shown - decimalPlaces];
    uint64_t kept = parts.decimals / unit;
    if (parts.decimals % unit >= unit / 2) ++kept;
    if (kept == kPowers10[decimalPlaces]) {
      kept = 0;
      ++parts.integer;
    }
    parts.decimals = kept;
    parts.shown = decimalPlaces;
    while (parts.shown > 0 && parts.decimals % 10 == 0) {
      parts.decimals /= 10;
      --parts.shown;
    }
  }
  // A value that shows as zero gets no "-".
  const bool negative = parts.negative && (parts.integer != 0 || parts.decimals != 0);
  char integer[20];
  const char* integerEnd = std::to_chars(integer, integer + 20, parts.integer).ptr;
  char decimals[20];
  for (int k = parts.shown - 1; k >= 0; --k) {
    decimals[k] = static_cast<char>('0' + parts.decimals % 10);
    parts.decimals /= 10;
  }
  return Compose(parsed, styled, negative,
                 std::string_view(integer, static_cast<size_t>(integerEnd - integer)),
                 std::string_view(decimals, static_cast<size_t>(parts.shown)), parts.shown > 0,
                 settings);
}

}  // namespace

std::string FormatBcd(std::string_view format, const TBcd& value,
                      const platform::TFormatSettings& settings) {
  const char decimalSeparator = settings.DecimalSeparator;
  const ParsedFormat& parsed = ParseFormat(format);
  const bool grouped = parsed.grouped;
  const int decimalPlaces = parsed.decimalPlaces;

  CheckWellFormed(value);
  PlainParts parts;
  if (decimalPlaces <= 19 && SmallPlainParts(value, decimalSeparator, parts)) {
    return FormatSmall(parsed, parts, settings);
  }

  char plain[kPlainRoom];
  std::string_view text = PlainText(value, decimalSeparator, plain);
  auto countDecimals = [&](std::string_view t) {
    size_t sep = t.find(decimalSeparator);
    return sep == std::string_view::npos ? 0 : static_cast<int>(t.size() - sep - 1);
  };

  bool fixed = false;
  if (!grouped) fixed = parsed.zeroPlaceholder || countDecimals(text) > decimalPlaces;

  if ((grouped || fixed) && decimalPlaces > 0 && countDecimals(text) > decimalPlaces) {
    // More decimals than the format shows: round half up to the format's places.
    Decimal d;
    TBcd rounded;
    if (!DecimalFromBcd(value, d)) throw EBcdOverflow();
    RoundDecimal(d, decimalPlaces);
    StripLeadingZeros(d.IntDigits);
    int digits = std::max(1, static_cast<int>(d.IntDigits.size())) + decimalPlaces;
    if (!DecimalToBcd(std::move(d), digits + 1, decimalPlaces, rounded)) throw EBcdOverflow();
    text = PlainText(rounded, decimalSeparator, plain);
  }

  // A value that shows as zero (negative zero, or rounded to zero) gets no "-".
  std::string_view digits = text;
  const bool negative = !digits.empty() && digits[0] == '-' &&
                        digits.find_first_of("123456789") != std::string_view::npos;
  if (!digits.empty() && digits[0] == '-') digits.remove_prefix(1);
  const size_t sep = digits.find(decimalSeparator);
  return Compose(parsed, grouped || fixed, negative, digits.substr(0, sep),
                 sep == std::string_view::npos ? std::string_view() : digits.substr(sep + 1),
                 sep != std::string_view::npos, settings);
}
