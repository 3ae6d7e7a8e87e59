#include "report/ServerList.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Cp1252.h"

namespace report {

std::string ServerListPath(const std::string& installFolder) {
  return installFolder + "/" + kServerListFile;
}

std::vector<std::string> ParseServerList(std::string_view bytes) {
  std::vector<std::string> entries;
  std::string line;
  line.reserve(kServerLineMax);
  // A UTF-8 byte-order mark (a file saved by a Windows editor) is no part of the first entry.
  size_t position = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (position < bytes.size()) {
    char byte = bytes[position++];
    if (byte == '\r' || byte == '\n') {
      std::string entry = line.substr(0, line.find('\0'));
      // A line that is not UTF-8 comes from a Windows installation: Windows-1252, converted.
      if (!platform::IsValidUtf8(entry)) entry = platform::Cp1252ToUtf8(entry);
      entries.push_back(std::move(entry));
      line.clear();
      if (byte == '\r') ++position;  // the byte after a CR belongs to the line end
    } else if (line.size() < kServerLineMax) {
      line += byte;
    }
  }
  return entries;
}

namespace {

// Closes the descriptor (and so drops its lock) on every way out.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::vector<std::string> ReadServerList(const std::string& path) {
  // Opened without waiting, so that a FIFO in its place cannot hold up the start; only a
  // regular file is read.
  FileHandle file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return {};
  struct stat info;
  if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  if (flock(file.get(), LOCK_EX | LOCK_NB) != 0) return {};
  std::string bytes(static_cast<size_t>(info.st_size), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t got = read(file.get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  bytes.resize(done);  // a file that shrank while read gives what was there
  return ParseServerList(bytes);
}

}  // namespace report
