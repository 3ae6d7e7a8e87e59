#include "export/Stream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

void TFileStream::WriteSlow(const void* data, size_t size) {
  Flush();
  if (size >= sizeof(buffer_)) {
    WriteAll(static_cast<const char*>(data), size);
  } else {
    std::memcpy(buffer_, data, size);
    used_ = size;
  }
}

void TFileStream::Flush() {
  if (used_ == 0) return;
  const size_t count = used_;
  used_ = 0;
  WriteAll(buffer_, count);
}

void TFileStream::WriteAll(const char* data, size_t size) {
  if (fd_ < 0) throw EWriteError();
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw EWriteError(errno);
    if (written == 0) throw EWriteError(ENOSPC);
    data += written;
    size -= static_cast<size_t>(written);
  }
}

void TFileStream::Close() {
  Flush();
}

void TMemoryStream::Write(const void* data, size_t size) {
  const size_t needed = bytes_.size() + size;
  if (needed > bytes_.capacity()) {
    try {
      // Whole steps of 128 KiB, at least doubling, so that a large document is not copied
      // once per step.
      const size_t target = std::max(needed, bytes_.capacity() * 2);
      bytes_.reserve((target + kGrowStep - 1) / kGrowStep * kGrowStep);
    } catch (const std::bad_alloc&) {
      throw EMemoryStreamError();
    } catch (const std::length_error&) {
      throw EMemoryStreamError();
    }
  }
  bytes_.append(static_cast<const char*>(data), size);
}

void TMemoryStream::Clear() {
  std::string().swap(bytes_);
}
