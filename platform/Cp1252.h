#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

// Conversions between Windows-1252 bytes (the program's text) and Unicode. Every byte maps
// to one code point: 0x80-0x9F as Windows-1252 defines them, and the five bytes it leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) to the control characters of the same number,
// so that any byte string survives a round trip. Characters without a Windows-1252 byte
// become '?'.
std::u16string Cp1252ToUtf16(std::string_view text);
std::string Utf16ToCp1252(std::u16string_view text);
std::string Cp1252ToUtf8(std::string_view text);
// Malformed UTF-8 sequences become '?' as well.
std::string Utf8ToCp1252(std::string_view text);

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The code point of one Windows-1252 byte, and the byte of a code point ('?' when none).
char16_t Cp1252ToUnicode(unsigned char byte);
char UnicodeToCp1252(char32_t codePoint);

// A file name of the program (Windows-1252 text) as the file system names it (UTF-8), for
// open() and the like; and back, for names the file system gives.
std::string ToFileSystemPath(std::string_view cp1252);
std::string FromFileSystemPath(std::string_view path);

// The Qt boundary.
QString ToQString(std::string_view cp1252);
std::string FromQString(const QString& text);

}  // namespace platform
