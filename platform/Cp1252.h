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

// File names are the file system's bytes (UTF-8) from end to end; they are converted only to
// be shown. FileNameText: a file name, or another text the system gives (UTF-8), as the
// program's text for a message; bytes that are not UTF-8 are taken as Windows-1252 already.
std::string FileNameText(std::string_view fileName);
// A file name as Qt shows it (bytes that are not UTF-8 read as Windows-1252), and the file
// name of a text the operator chose or typed.
QString FileNameToQString(std::string_view fileName);
std::string FileNameFromQString(const QString& text);

// The Qt boundary.
QString ToQString(std::string_view cp1252);
std::string FromQString(const QString& text);

}  // namespace platform
