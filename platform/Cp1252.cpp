#include "platform/Cp1252.h"

#include <array>

namespace platform {
namespace {

// Code points of 0x80-0x9F; the undefined bytes keep their own number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes the UTF-8 sequence at text[i]; returns its length, 0 when it is malformed.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& cp) {
  unsigned char lead = static_cast<unsigned char>(text[i]);
  size_t length = lead < 0x80                    ? 1
                  : lead >= 0xC2 && lead <= 0xDF ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  cp = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are malformed.
  static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
  return length;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  char32_t cp = 0;
  for (size_t i = 0; i < text.size();) {
    size_t length = DecodeUtf8(text, i, cp);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

char16_t Cp1252ToUnicode(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

char UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == cp) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::u16string Cp1252ToUtf16(std::string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (char c : text) result += Cp1252ToUnicode(static_cast<unsigned char>(c));
  return result;
}

std::string Utf16ToCp1252(std::u16string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;  // a surrogate pair lies outside Windows-1252
      result += '?';
    } else {
      result += UnicodeToCp1252(unit);
    }
  }
  return result;
}

std::string Cp1252ToUtf8(std::string_view text) {
  std::string result;
  result.reserve(text.size() + text.size() / 4);
  for (char c : text) AppendUtf8(result, Cp1252ToUnicode(static_cast<unsigned char>(c)));
  return result;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  char32_t cp = 0;
  for (size_t i = 0; i < text.size();) {
    size_t length = DecodeUtf8(text, i, cp);
    if (length == 0) {
      result += '?';
      ++i;
    } else {
      result += UnicodeToCp1252(cp);
      i += length;
    }
  }
  return result;
}

std::string FileNameText(std::string_view fileName) {
  return IsValidUtf8(fileName) ? Utf8ToCp1252(fileName) : std::string(fileName);
}

QString FileNameToQString(std::string_view fileName) {
  if (!IsValidUtf8(fileName)) return ToQString(fileName);
  return QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size()));
}

std::string FileNameFromQString(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

QString ToQString(std::string_view cp1252) {
  std::u16string utf16 = Cp1252ToUtf16(cp1252);
  return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

std::string FromQString(const QString& text) {
  return Utf16ToCp1252(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                           static_cast<size_t>(text.size())));
}

}  // namespace platform
