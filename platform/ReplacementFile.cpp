#include "platform/ReplacementFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <string_view>

#include "platform/Cp1252.h"
#include "platform/FileAttributes.h"

namespace platform {

namespace {

// Names that exist only while a file is being put in place (and the fallback's files). Stop
// handlers remove them; the lock keeps a rename from coming between.
std::mutex namedMutex;
std::set<std::string>& NamedFiles() {
  static std::set<std::string> names;
  return names;
}

// The last file this process put in place.
std::string& PlacedFile() {
  static std::string placed;
  return placed;
}

std::string FullPath(const std::string& name) {
  std::error_code ec;
  std::string path = std::filesystem::absolute(name, ec).string();
  return ec ? name : path;
}

// Follows symlinks to the file they finally name (which need not exist yet).
bool ResolveLinks(std::string& path, int& error) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
      if (errno == ENOENT) return true;
      error = errno;
      return false;
    }
    if (!S_ISLNK(info.st_mode)) return true;
    std::string link(PATH_MAX, '\0');
    const ssize_t size = ::readlink(path.c_str(), link.data(), link.size());
    if (size < 0) {
      error = errno;
      return false;
    }
    link.resize(static_cast<size_t>(size));
    const size_t slash = path.rfind('/');
    if (link.front() == '/' || slash == std::string::npos) {
      path = link;
    } else {
      path = path.substr(0, slash + 1) + link;
    }
  }
  error = ELOOP;
  return false;
}

// True when a descriptor of this process is open on the file (device, inode).
bool OpenInThisProcess(const struct stat& file) {
  DIR* folder = ::opendir("/proc/self/fd");
  if (folder == nullptr) return false;
  bool found = false;
  while (const dirent* entry = ::readdir(folder)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = std::atoi(entry->d_name);
    struct stat info;
    if (fd == ::dirfd(folder) || ::fstat(fd, &info) != 0) continue;
    if (info.st_dev == file.st_dev && info.st_ino == file.st_ino) {
      found = true;
      break;
    }
  }
  ::closedir(folder);
  return found;
}

// A short hidden name for a file being put in place: short so that a target name of any
// length the file system accepts still leaves room, random so that two writers never meet.
constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr char kTemporaryPrefix[] = ".~gv";
constexpr size_t kTemporaryLetters = 8;

std::string TemporaryName() {
  static thread_local std::mt19937 random{std::random_device{}()};
  std::string name = kTemporaryPrefix;
  for (size_t i = 0; i < kTemporaryLetters; ++i) {
    name += kLetters[random() % (sizeof(kLetters) - 1)];
  }
  return name;
}

bool IsTemporaryName(std::string_view name) {
  const std::string_view prefix = kTemporaryPrefix;
  return name.size() == prefix.size() + kTemporaryLetters && name.substr(0, prefix.size()) == prefix &&
         name.find_first_not_of(kLetters, prefix.size()) == std::string_view::npos;
}

// Removes the files a writer that was killed left in `folder` under a temporary name. A live
// writer holds a lock on its file for as long as it has such a name, so only files no process
// holds are removed, and never the file named `targetName` itself.
void RemoveLeftBehind(const std::string& folder, const std::string& targetName) {
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  const int folderFd = ::dirfd(listing);
  while (const dirent* entry = ::readdir(listing)) {
    if (!IsTemporaryName(entry->d_name) || entry->d_name == targetName) continue;
    const int fd = ::openat(folderFd, entry->d_name,
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened, named;
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
      ::unlinkat(folderFd, entry->d_name, 0);
    }
    ::close(fd);
  }
  ::closedir(listing);
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& target) : shownName_(FullPath(target)) {
  std::string resolved = target;
  int error = 0;
  if (!ResolveLinks(resolved, error)) Fail(std::strerror(error));
  target_ = FullPath(resolved);
  const size_t slash = target_.rfind('/');
  folder_ = slash == 0 ? "/" : target_.substr(0, slash);
  if (slash + 1 == target_.size()) Fail(std::strerror(EISDIR));

  struct stat existing;
  if (::stat(target_.c_str(), &existing) == 0) {
    if (S_ISDIR(existing.st_mode)) Fail(std::strerror(EISDIR));
    if (!S_ISREG(existing.st_mode)) Fail("It is not a regular file.");
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
      Fail(std::strerror(errno));
    }
    if (OpenInThisProcess(existing)) {
      Fail("The file is open in this program (the database being read).");
    }
  } else if (errno != ENOENT) {
    Fail(std::strerror(errno));
  }

  RemoveLeftBehind(folder_, target_.substr(slash + 1));
  // The mode a new file gets (0666 less the umask); an existing target's mode is set at Commit.
  fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd_ >= 0 && ::access("/proc/self/fd", X_OK) == 0) {
    path_ = "/proc/self/fd/" + std::to_string(fd_);
    return;
  }
  // File systems without unnamed files (and kernels without them) get a hidden named file,
  // removed on failure and by stop handlers.
  const int tmpfileError = errno;
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  } else if (tmpfileError != EOPNOTSUPP && tmpfileError != EISDIR && tmpfileError != EINVAL) {
    Fail(std::strerror(tmpfileError));
  }
  OpenNamed();
}

void ReplacementFile::OpenNamed() {
  std::lock_guard<std::mutex> lock(namedMutex);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = folder_ + "/" + TemporaryName();
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
      const int error = errno;
      ::close(fd_);
      ::unlink(name.c_str());
      fd_ = -1;
      errno = error;
      break;
    }
    if (fd_ >= 0) {
      named_ = name;
      path_ = name;
      NamedFiles().insert(name);
      return;
    }
    if (errno != EEXIST) break;
  }
  Fail(std::strerror(errno));
}

ReplacementFile::~ReplacementFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!named_.empty()) {
    std::lock_guard<std::mutex> lock(namedMutex);
    ::unlink(named_.c_str());
    NamedFiles().erase(named_);
  }
}

void ReplacementFile::Commit() {
  if (fd_ < 0) Fail(std::strerror(EBADF));
  struct stat existing;
  if (::stat(target_.c_str(), &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) Fail("It is not a regular file.");
    const std::string notKept = CopyFileAttributes(fd_, target_, existing);
    if (!notKept.empty()) Fail(notKept);
  }
  if (::fsync(fd_) != 0) Fail(std::strerror(errno));

  // Held while the file has a name, so that another writer never takes it for one left behind.
  if (::flock(fd_, LOCK_EX) != 0) Fail(std::strerror(errno));
  std::lock_guard<std::mutex> lock(namedMutex);
  std::string placed = named_;
  if (placed.empty()) {
    // The unnamed file gets a hidden name first: a link cannot replace an existing name.
    const std::string source = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100 && placed.empty(); ++attempt) {
      const std::string name = folder_ + "/" + TemporaryName();
      if (::linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        placed = name;
      } else if (errno != EEXIST) {
        Fail(std::strerror(errno));
      }
    }
    if (placed.empty()) Fail(std::strerror(EEXIST));
  }
  if (::rename(placed.c_str(), target_.c_str()) != 0) {
    const int renameError = errno;
    if (named_.empty()) ::unlink(placed.c_str());
    Fail(std::strerror(renameError));
  }
  NamedFiles().erase(named_);
  named_.clear();
  PlacedFile() = target_;
  ::close(fd_);
  fd_ = -1;
  path_.clear();
  // The new name reaches the disk with the folder.
  const int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

std::string ReplacementFile::DiscardUnfinished() {
  // Held until the process ends, so that no new name appears after the clean-up.
  namedMutex.lock();
  for (const std::string& name : NamedFiles()) ::unlink(name.c_str());
  NamedFiles().clear();
  return PlacedFile();
}

void ReplacementFile::Fail(const std::string& reason) const {
  // The name and the system's error text are UTF-8; the message is the program's text.
  throw EFCreateError(FormatMessage("Cannot create file \"%s\". %s",
                                    {FileNameText(shownName_), FileNameText(reason)}));
}

}  // namespace platform
