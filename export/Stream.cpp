#include "export/Stream.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

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

int64_t TFileStream::Position() const {
  if (fd_ < 0) return -1;
  struct stat info;
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  const off_t offset = ::lseek(fd_, 0, SEEK_CUR);
  if (offset < 0) return -1;
  return static_cast<int64_t>(offset) + static_cast<int64_t>(used_);
}

bool TFileStream::Truncate(int64_t position) {
  const int64_t current = Position();
  if (current < 0 || position < 0 || position > current) return false;
  const int64_t flushed = current - static_cast<int64_t>(used_);
  if (position >= flushed) {
    used_ = static_cast<size_t>(position - flushed);
    return true;
  }
  if (::ftruncate(fd_, position) != 0 || ::lseek(fd_, position, SEEK_SET) != position) {
    return false;
  }
  used_ = 0;
  return true;
}

TMemoryStream::~TMemoryStream() { Clear(); }

void TMemoryStream::WriteSlow(const void* data, size_t size) {
  if (size > std::numeric_limits<size_t>::max() - size_ - kGrowStep) throw EMemoryStreamError();
  const size_t capacity = (size_ + size + kGrowStep - 1) / kGrowStep * kGrowStep;
  void* grown = data_ == nullptr
                    ? ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                             -1, 0)
                    : ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
  if (grown == MAP_FAILED) throw EMemoryStreamError();
  data_ = static_cast<char*>(grown);
  capacity_ = capacity;
  std::memcpy(data_ + size_, data, size);
  size_ += size;
}

bool TMemoryStream::Truncate(int64_t position) {
  if (position < 0 || static_cast<uint64_t>(position) > size_) return false;
  size_ = static_cast<size_t>(position);
  return true;
}

void TMemoryStream::Clear() {
  if (data_ != nullptr) ::munmap(data_, capacity_);
  data_ = nullptr;
  size_ = 0;
  capacity_ = 0;
}

void TMemoryStream::MoveTo(char* target) {
  // One step at a time; each step's pages go back to the system once copied.
  for (size_t done = 0; done < size_; done += kGrowStep) {
    const size_t count = std::min(kGrowStep, size_ - done);
    std::memcpy(target + done, data_ + done, count);
    ::madvise(data_ + done, kGrowStep, MADV_DONTNEED);
  }
  Clear();
}

TSpillStream::~TSpillStream() {
  if (fd_ >= 0) ::close(fd_);
}

void TSpillStream::Write(const void* data, size_t size) {
  memory_.Write(data, size);
  if (memory_.Size() < kMemoryLimit) return;
  if (fd_ < 0) Spill();
  Flush();
}

void TSpillStream::Spill() {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder == '\0') folder = "/tmp";
  fd_ = ::open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0) throw EWriteError();
}

void TSpillStream::Flush() {
  std::string_view bytes = memory_.Bytes();
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) throw EWriteError();
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  memory_.Truncate(0);
}

void TSpillStream::CopyTo(TStream& target) {
  if (fd_ < 0) {
    target.Write(memory_.Bytes());
    return;
  }
  Flush();
  std::string block(1 << 20, '\0');
  off_t offset = 0;
  while (true) {
    const ssize_t count = ::pread(fd_, block.data(), block.size(), offset);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) throw EStreamError("Stream read error");
    if (count == 0) break;
    target.Write(block.data(), static_cast<size_t>(count));
    offset += count;
  }
}

EWriteError::EWriteError(int error, std::string what)
    : EStreamError("Cannot write " + what + ". " +
                   (error != 0 ? std::string(std::strerror(error)) : "Stream write error") + "."),
      error_(error),
      what_(std::move(what)) {}
