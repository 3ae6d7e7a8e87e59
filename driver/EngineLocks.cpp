#include "driver/EngineLocks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace ibdriver {

namespace {

// The engine's shared files start with a header: type, header version (1), version, padding,
// a timestamp, then the file's process-shared mutex (glibc's layout: lock word, count, owner
// thread id, users, kind).
constexpr size_t kMutexAt = 16;
constexpr size_t kHeaderBytes = kMutexAt + 20;
constexpr uint32_t kSharedMutexKind = 0x80;

uint32_t Word(const unsigned char* bytes) {
  uint32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// A thread that has ended no longer holds anything, also while its process waits to be reaped.
bool Alive(long thread) {
  if (::kill(static_cast<pid_t>(thread), 0) != 0 && errno != EPERM) return false;
  std::ifstream stat("/proc/" + std::to_string(thread) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const size_t name = line.rfind(')');
  const char state = name != std::string::npos && name + 2 < line.size() ? line[name + 2] : '?';
  return state != 'Z' && state != 'X';
}

// The processes holding a file lock on the file with device `device` and inode `inode`
// (the engine holds one on each shared file it uses).
std::vector<long> LockHolders(dev_t device, ino_t inode) {
  char wanted[64];
  std::snprintf(wanted, sizeof wanted, "%02x:%02x:%lu", major(device), minor(device),
                static_cast<unsigned long>(inode));
  std::vector<long> holders;
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string number, kind, mode, access, id;
    long pid = 0;
    fields >> number >> kind;
    if (kind == "->") fields >> kind;  // a waiting lock
    fields >> mode >> access >> pid >> id;
    if (id == wanted && pid > 0 && Alive(pid)) holders.push_back(pid);
  }
  return holders;
}

}  // namespace

std::optional<StaleEngineLock> FindStaleEngineLock(const std::string& folder) {
  DIR* entries = ::opendir(folder.c_str());
  if (entries == nullptr) return std::nullopt;
  std::optional<StaleEngineLock> found;
  while (const dirent* entry = ::readdir(entries)) {
    if (std::strncmp(entry->d_name, "fb", 2) != 0) continue;
    const std::string path = folder + "/" + entry->d_name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat info;
    unsigned char header[kHeaderBytes];
    const bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
    ::close(fd);
    if (!read || header[2] != 1 || header[3] != 0) continue;
    const uint32_t lockWord = Word(header + kMutexAt);
    const auto owner = static_cast<long>(Word(header + kMutexAt + 8));
    const uint32_t kind = Word(header + kMutexAt + 16);
    if ((kind & kSharedMutexKind) == 0 || lockWord == 0 || owner <= 0 || Alive(owner)) continue;
    std::vector<long> users = LockHolders(info.st_dev, info.st_ino);
    if (users.empty()) continue;  // the next user starts the file afresh
    found = StaleEngineLock{entry->d_name, owner, std::move(users)};
    break;
  }
  ::closedir(entries);
  return found;
}

std::string StaleEngineLockText(const std::string& folder, const StaleEngineLock& lock) {
  std::string users;
  for (long user : lock.users) users += (users.empty() ? "" : " ") + std::to_string(user);
  return "The database engine's lock folder " + folder + " is blocked: its file " + lock.file +
         " is still locked by process " + std::to_string(lock.owner) +
         ", which ended without releasing it. Every program that opens a local database with "
         "this lock folder waits for it. End the programs that still use the folder (process " +
         users + "; they may have to be ended with kill -9), then start again: the engine "
         "then starts the folder's files afresh.";
}

struct EngineLockWatch::State {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
};

EngineLockWatch::EngineLockWatch(int status, std::chrono::milliseconds patience)
    : state_(new State) {
  try {
    std::thread([state = state_, status, patience] {
      std::unique_lock<std::mutex> lock(state->mutex);
      auto wait = patience;
      while (!state->done.wait_for(lock, wait, [state] { return state->finished; })) {
        wait = std::chrono::seconds(1);
        const std::string folder = EngineLockFolder();
        if (const auto stale = FindStaleEngineLock(folder)) {
          const std::string text = StaleEngineLockText(folder, *stale) + "\n";
          ssize_t ignored = ::write(STDERR_FILENO, text.data(), text.size());
          (void)ignored;
          std::_Exit(status);
        }
      }
      lock.unlock();
      delete state;
    }).detach();
  } catch (const std::system_error&) {
    delete state_;
    state_ = nullptr;
  }
}

EngineLockWatch::~EngineLockWatch() {
  if (state_ == nullptr) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->finished = true;
  state_->done.notify_all();
}

}  // namespace ibdriver
