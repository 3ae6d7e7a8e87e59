#pragma once

// Output streams of the exporters: a file stream and a memory stream behind one interface.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Errors.h"
#include "platform/ReplacementFile.h"

// Stream failures; "Cannot create file "%s". %s" comes from the file being created.
using platform::EFCreateError;
using platform::EStreamError;
// "Stream write error"; Error() keeps the system's error number when there is one (0 for a
// write that took nothing), for callers that name the cause.
class EWriteError : public EStreamError {
 public:
  explicit EWriteError(int error = 0) : EStreamError("Stream write error"), error_(error) {}
  int Error() const { return error_; }

 private:
  int error_;
};
// "Out of memory while expanding memory stream"
class EMemoryStreamError : public EStreamError {
 public:
  EMemoryStreamError() : EStreamError("Out of memory while expanding memory stream") {}
};

// A sink of bytes. Write either takes all bytes or raises an EStreamError.
class TStream {
 public:
  virtual ~TStream() = default;
  virtual void Write(const void* data, size_t size) = 0;
  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
};

// Buffered writes to an open file descriptor the caller owns. A short write (full disk, file
// size limit) raises EWriteError, at the write or at Close.
class TFileStream : public TStream {
 public:
  explicit TFileStream(int descriptor) : fd_(descriptor) {}
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  void Write(const void* data, size_t size) override {
    if (size <= sizeof(buffer_) - used_) {
      std::char_traits<char>::copy(buffer_ + used_, static_cast<const char*>(data), size);
      used_ += size;
    } else {
      WriteSlow(data, size);
    }
  }
  using TStream::Write;
  // Writes what is buffered; raises EWriteError when that fails. The descriptor stays open.
  void Close();

 private:
  void WriteSlow(const void* data, size_t size);
  void Flush();
  void WriteAll(const char* data, size_t size);
  int fd_ = -1;
  size_t used_ = 0;
  char buffer_[64 * 1024];
};

// Bytes in memory; the capacity grows in whole steps of 128 KiB, at least doubling.
class TMemoryStream : public TStream {
 public:
  static constexpr size_t kGrowStep = 131072;
  void Write(const void* data, size_t size) override;
  using TStream::Write;
  const std::string& Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }
  // Empties the stream and releases its memory.
  void Clear();

 private:
  std::string bytes_;
};
