#pragma once

// A sink that takes UTF-16LE bytes, as the Unicode text writer writes them, and keeps them as
// UTF-8 text, converting as they come: the text a plain-text paste receives, made without
// holding the UTF-16 block.

#include <QByteArray>

#include "export/Stream.h"

class TClipboardUtf8Stream : public TStream {
 public:
  // Takes bytes split anywhere (inside a code unit or a surrogate pair). A zero code unit ends
  // the text: it and what follows are left out. A lone surrogate becomes U+FFFD.
  void Write(const void* data, size_t size) override;
  using TStream::Write;
  // The text so far (a surrogate still waiting for its pair becomes U+FFFD); the stream is
  // left empty.
  QByteArray Take();

 private:
  void Unit(char16_t unit);
  void Append(char32_t code);

  QByteArray text_;
  int pendingByte_ = -1;        // the first byte of a code unit split between writes
  char16_t highSurrogate_ = 0;  // waiting for its low half
  bool ended_ = false;          // a zero code unit came
};
