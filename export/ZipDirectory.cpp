#include "export/ZipDirectory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kEnd64LocatorSignature = 0x07064b50;
constexpr uint32_t kEnd64Signature = 0x06064b50;
constexpr uint32_t kEntrySignature = 0x02014b50;
constexpr uint32_t kNoValue32 = 0xFFFFFFFF;

uint64_t Little(const std::string& bytes, size_t at, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  }
  return value;
}

bool ReadAt(int fd, uint64_t offset, size_t size, std::string& out) {
  out.assign(size, '\0');
  size_t done = 0;
  while (done < size) {
    const ssize_t count =
        ::pread(fd, out.data() + done, size - done, static_cast<off_t>(offset + done));
    if (count <= 0) return false;
    done += static_cast<size_t>(count);
  }
  return true;
}

}  // namespace

std::optional<uint64_t> ZipEntrySize(int fd, std::string_view name) {
  struct stat info;
  if (::fstat(fd, &info) != 0 || info.st_size < 22) return std::nullopt;
  const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
  // The end record sits in the last 22 bytes plus a comment of up to 65,535 bytes.
  const uint64_t tailSize = fileSize < 22 + 65535 ? fileSize : 22 + 65535;
  std::string tail;
  if (!ReadAt(fd, fileSize - tailSize, static_cast<size_t>(tailSize), tail)) return std::nullopt;
  size_t end = tail.size() - 22;
  while (Little(tail, end, 4) != kEndSignature) {
    if (end == 0) return std::nullopt;
    --end;
  }
  uint64_t directorySize = Little(tail, end + 12, 4);
  uint64_t directoryOffset = Little(tail, end + 16, 4);
  if (directoryOffset == kNoValue32 || directorySize == kNoValue32) {
    if (end < 20 || Little(tail, end - 20, 4) != kEnd64LocatorSignature) return std::nullopt;
    std::string end64;
    if (!ReadAt(fd, Little(tail, end - 12, 8), 56, end64) ||
        Little(end64, 0, 4) != kEnd64Signature) {
      return std::nullopt;
    }
    directorySize = Little(end64, 40, 8);
    directoryOffset = Little(end64, 48, 8);
  }
  std::string directory;
  if (directoryOffset + directorySize > fileSize ||
      !ReadAt(fd, directoryOffset, static_cast<size_t>(directorySize), directory)) {
    return std::nullopt;
  }
  for (size_t at = 0; at + 46 <= directory.size();) {
    if (Little(directory, at, 4) != kEntrySignature) return std::nullopt;
    const size_t nameLength = Little(directory, at + 28, 2);
    const size_t extraLength = Little(directory, at + 30, 2);
    const size_t commentLength = Little(directory, at + 32, 2);
    const size_t next = at + 46 + nameLength + extraLength + commentLength;
    if (next > directory.size()) return std::nullopt;
    if (std::string_view(directory).substr(at + 46, nameLength) == name) {
      uint64_t size = Little(directory, at + 24, 4);
      if (size != kNoValue32) return size;
      // The ZIP64 extra field holds the uncompressed size first.
      for (size_t extra = at + 46 + nameLength; extra + 4 <= at + 46 + nameLength + extraLength;) {
        const size_t length = Little(directory, extra + 2, 2);
        if (extra + 4 + length > directory.size()) return std::nullopt;
        if (Little(directory, extra, 2) == 0x0001 && length >= 8) {
          return Little(directory, extra + 4, 8);
        }
        extra += 4 + length;
      }
      return std::nullopt;
    }
    at = next;
  }
  return std::nullopt;
}
