#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/Cursor.h"

namespace dsengine {
namespace {

// Upper case of a Windows-1252 byte.
uint8_t FoldCase(uint8_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<uint8_t>(c - 32);
  switch (c) {
    case 0x9A:
      return 0x8A;
    case 0x9C:
      return 0x8C;
    case 0x9E:
      return 0x8E;
    case 0xFF:
      return 0x9F;
    default:
      return c;
  }
}

// Canonical decimal text of `n` digits with `places` decimals into `out` (room for n + 3
// characters): no sign for zero, no leading integer zeros, no trailing fraction zeros.
// Returns its length.
size_t CanonicalInto(char* out, bool negative, const char* digits, size_t n, size_t places) {
  size_t lead = 0;
  const size_t integerDigits = n - places;
  while (lead < integerDigits && digits[lead] == '0') ++lead;
  size_t end = n;
  while (end > integerDigits && digits[end - 1] == '0') --end;
  size_t length = 0;
  if (negative && (lead < integerDigits || end > integerDigits)) out[length++] = '-';
  if (lead == integerDigits) {
    out[length++] = '0';
  } else {
    for (size_t i = lead; i < integerDigits; ++i) out[length++] = digits[i];
  }
  if (end > integerDigits) {
    out[length++] = '.';
    for (size_t i = integerDigits; i < end; ++i) out[length++] = digits[i];
  }
  return length;
}

std::string CanonicalDecimal(bool negative, const std::string& digits, size_t places) {
  std::string out(digits.size() + 3, '\0');
  out.resize(CanonicalInto(out.data(), negative, digits.data(), digits.size(), places));
  return out;
}

// Reads "-12.50" style text; false for anything else.
bool ParseDecimal(const std::string& text, std::string& canonical) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::string digits;
  size_t places = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits += c;
      if (point) ++places;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits.empty()) return false;
  canonical = CanonicalDecimal(negative, digits, places);
  return true;
}

// The canonical decimal text of an integer, BCD or boolean value held in a packed row, into
// `out` (room for 80 characters). Returns its length, or 0 for other types.
size_t ValueDecimal(const Column& c, const ValueView& v, char* out) {
  if (c.code == DSFLD_INT) {
    int64_t n = 0;
    switch (c.size) {
      case 1:
        n = static_cast<int8_t>(v.data[0]);
        break;
      case 2: {
        int16_t x;
        std::memcpy(&x, v.data, 2);
        n = x;
        break;
      }
      case 4: {
        int32_t x;
        std::memcpy(&x, v.data, 4);
        n = x;
        break;
      }
      default:
        std::memcpy(&n, v.data, 8);
        break;
    }
    return static_cast<size_t>(std::snprintf(out, 80, "%lld", static_cast<long long>(n)));
  }
  if (c.code == DSFLD_BCD || c.code == DSFLD_FMTBCD) {
    // Digits beyond the slot or above 64 are not read.
    const uint32_t precision =
        std::min<uint32_t>(v.data[0], std::min<uint32_t>(64, (v.length - 2) * 2));
    const uint32_t places = std::min<uint32_t>(v.data[1] & 0x3F, precision);
    char digits[66];
    for (uint32_t i = 0; i < precision; ++i) {
      const uint8_t byte = v.data[2 + i / 2];
      const int digit = (i % 2 == 0) ? byte >> 4 : byte & 0x0F;
      digits[i] = static_cast<char>('0' + (digit > 9 ? 0 : digit));
    }
    if (precision == 0) {
      out[0] = '0';
      return 1;
    }
    return CanonicalInto(out, (v.data[1] & 0x80) != 0, digits, precision, places);
  }
  if (c.code == DSFLD_BOOL) {
    out[0] = (v.data[0] | (c.size > 1 ? v.data[1] : 0)) != 0 ? '1' : '0';
    return 1;
  }
  return 0;
}

}  // namespace

DBResult Filter::Compile(const Structure& s, const uint8_t* bytes, uint32_t size) {
  terms_.clear();
  if (bytes == nullptr || size < 12 || GetU32(bytes) != DSFILTER_MAGIC) return DBERR_FILTER;
  const uint32_t options = GetU32(bytes + 4);
  const uint32_t count = GetU32(bytes + 8);
  caseInsensitive_ = (options & DSFILTER_CASEINSENSITIVE) != 0;
  const bool partial = (options & DSFILTER_PARTIAL) != 0;
  size_t pos = 12;
  for (uint32_t i = 0; i < count; ++i) {
    if (size - pos < 12) return DBERR_FILTER;
    Term t;
    t.column = GetU32(bytes + pos);
    t.kind = GetU32(bytes + pos + 4);
    const uint32_t length = GetU32(bytes + pos + 8);
    pos += 12;
    if (size - pos < length) return DBERR_FILTER;
    t.value.assign(reinterpret_cast<const char*>(bytes + pos), length);
    pos += length;
    if (t.column == 0 || t.column > s.columns.size()) return DBERR_FILTER;
    --t.column;
    const Column& c = s.columns[t.column];
    t.prefix = false;
    switch (t.kind) {
      case DSTERM_ISNULL:
        break;
      case DSTERM_TEXT:
        if (c.code != DSFLD_ZSTRING && c.code != DSFLD_UNICODE) return DBERR_FILTER;
        if (partial && !t.value.empty() && t.value.back() == '*') {
          t.value.pop_back();
          t.prefix = true;
        }
        if (caseInsensitive_) {
          for (char& ch : t.value) ch = static_cast<char>(FoldCase(static_cast<uint8_t>(ch)));
        }
        break;
      case DSTERM_NUMBER: {
        if (c.code == DSFLD_FLOAT) break;
        std::string canonical;
        if (!ParseDecimal(t.value, canonical)) return DBERR_FILTER;
        t.value = canonical;
        break;
      }
      case DSTERM_RAW:
        if (c.varying || t.value.size() != c.size) return DBERR_FILTER;
        break;
      default:
        return DBERR_FILTER;
    }
    terms_.push_back(std::move(t));
  }
  if (pos != size) return DBERR_FILTER;
  return DBERR_NONE;
}

bool Filter::Matches(const Structure& s, const uint8_t* row) const {
  for (const Term& t : terms_) {
    const Column& c = s.columns[t.column];
    const ValueView v = RowValue(s, row, t.column);
    if (t.kind == DSTERM_ISNULL) {
      if (v.state != 1) return false;
      continue;
    }
    if (v.state != 0) return false;
    switch (t.kind) {
      case DSTERM_TEXT: {
        if (t.prefix ? v.length < t.value.size() : v.length != t.value.size()) return false;
        const uint8_t* want = reinterpret_cast<const uint8_t*>(t.value.data());
        for (size_t i = 0; i < t.value.size(); ++i) {
          const uint8_t have = caseInsensitive_ ? FoldCase(v.data[i]) : v.data[i];
          if (have != want[i]) return false;
        }
        break;
      }
      case DSTERM_NUMBER: {
        if (c.code == DSFLD_FLOAT) {
          double have;
          std::memcpy(&have, v.data, 8);
          if (have != std::strtod(t.value.c_str(), nullptr)) return false;
          break;
        }
        char have[80];
        const size_t length = ValueDecimal(c, v, have);
        if (length == 0 || length != t.value.size() ||
            std::memcmp(have, t.value.data(), length) != 0) {
          return false;
        }
        break;
      }
      case DSTERM_RAW:
        if (std::memcmp(v.data, t.value.data(), c.size) != 0) return false;
        break;
    }
  }
  return true;
}

}  // namespace dsengine
