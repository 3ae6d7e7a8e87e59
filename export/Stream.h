#pragma once

// Output streams of the exporters: a file stream and a memory stream behind one interface.

#include <cstddef>
#include <cstdint>
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
  // A failed write that a writer names itself: `what` is the file ("file "/srv/Costos.xlsx"",
  // "the workbook's temporary files in "/tmp""); the message is "Cannot write <what>. <the
  // system's reason>."
  EWriteError(int error, std::string what);
  int Error() const { return error_; }
  // What could not be written; empty for the stream being written.
  const std::string& What() const { return what_; }

 private:
  int error_;
  std::string what_;
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
  // Bytes written so far, or -1 when the stream cannot tell.
  virtual int64_t Position() const { return -1; }
  // Drops everything written after `position` (a value Position() gave); false when the
  // stream cannot take bytes back, and then nothing changes.
  virtual bool Truncate(int64_t /*position*/) { return false; }
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
  // Supported on regular files only.
  int64_t Position() const override;
  bool Truncate(int64_t position) override;

 private:
  void WriteSlow(const void* data, size_t size);
  void Flush();
  void WriteAll(const char* data, size_t size);
  int fd_ = -1;
  size_t used_ = 0;
  char buffer_[64 * 1024];
};

// Bytes in memory, in one mapping whose capacity grows in fixed steps of 128 KiB. The mapping
// is extended in place or moved by the kernel, so growing never copies the bytes and never
// holds an old and a new copy at once.
class TMemoryStream : public TStream {
 public:
  static constexpr size_t kGrowStep = 131072;
  TMemoryStream() = default;
  ~TMemoryStream() override;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  // Raises EMemoryStreamError when the memory cannot be had.
  void Write(const void* data, size_t size) override {
    if (size <= capacity_ - size_) {
      if (size != 0) std::char_traits<char>::copy(data_ + size_, static_cast<const char*>(data), size);
      size_ += size;
    } else {
      WriteSlow(data, size);
    }
  }
  using TStream::Write;
  std::string_view Bytes() const { return {data_, size_}; }
  size_t Size() const { return size_; }
  size_t Capacity() const { return capacity_; }
  int64_t Position() const override { return static_cast<int64_t>(size_); }
  bool Truncate(int64_t position) override;
  // Empties the stream and releases its memory.
  void Clear();
  // Copies the bytes to `target` (Size() bytes), giving back the stream's memory as it goes,
  // then empties the stream: the two copies never live side by side in full.
  void MoveTo(char* target);

 private:
  void WriteSlow(const void* data, size_t size);
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Bytes kept for a later copy: in memory up to a limit, then in an unnamed temporary file, so
// that a large document does not stay in memory.
class TSpillStream : public TStream {
 public:
  static constexpr size_t kMemoryLimit = 4 * 1024 * 1024;
  TSpillStream() = default;
  ~TSpillStream() override;
  TSpillStream(const TSpillStream&) = delete;
  TSpillStream& operator=(const TSpillStream&) = delete;

  void Write(const void* data, size_t size) override;
  using TStream::Write;
  // Writes everything kept to `target`, in order.
  void CopyTo(TStream& target);

 private:
  void Spill();
  void Flush();
  TMemoryStream memory_;  // everything before the spill, then the unwritten tail
  int fd_ = -1;
};
