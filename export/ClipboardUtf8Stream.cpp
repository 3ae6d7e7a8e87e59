#include "export/ClipboardUtf8Stream.h"

void TClipboardUtf8Stream::Write(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  size_t i = 0;
  if (pendingByte_ >= 0 && size > 0) {
    Unit(static_cast<char16_t>(pendingByte_ | bytes[0] << 8));
    pendingByte_ = -1;
    i = 1;
  }
  for (; i + 1 < size && !ended_; i += 2) {
    Unit(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
  }
  if (i < size && !ended_) pendingByte_ = bytes[i];
}

void TClipboardUtf8Stream::Unit(char16_t unit) {
  if (ended_) return;
  if (highSurrogate_ != 0) {
    const char16_t high = highSurrogate_;
    highSurrogate_ = 0;
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
      Append(0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (unit - 0xDC00));
      return;
    }
    Append(0xFFFD);
  }
  if (unit == 0) {
    ended_ = true;
  } else if (unit >= 0xD800 && unit <= 0xDBFF) {
    highSurrogate_ = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    Append(0xFFFD);
  } else {
    Append(unit);
  }
}

void TClipboardUtf8Stream::Append(char32_t code) {
  if (code < 0x80) {
    text_.append(static_cast<char>(code));
  } else if (code < 0x800) {
    const char out[] = {static_cast<char>(0xC0 | code >> 6),
                        static_cast<char>(0x80 | (code & 0x3F))};
    text_.append(out, 2);
  } else if (code < 0x10000) {
    const char out[] = {static_cast<char>(0xE0 | code >> 12),
                        static_cast<char>(0x80 | (code >> 6 & 0x3F)),
                        static_cast<char>(0x80 | (code & 0x3F))};
    text_.append(out, 3);
  } else {
    const char out[] = {
        static_cast<char>(0xF0 | code >> 18), static_cast<char>(0x80 | (code >> 12 & 0x3F)),
        static_cast<char>(0x80 | (code >> 6 & 0x3F)), static_cast<char>(0x80 | (code & 0x3F))};
    text_.append(out, 4);
  }
}

QByteArray TClipboardUtf8Stream::Take() {
  if (highSurrogate_ != 0 && !ended_) Append(0xFFFD);
  highSurrogate_ = 0;
  pendingByte_ = -1;
  ended_ = false;
  QByteArray text = std::move(text_);
  text_ = QByteArray();
  return text;
}
