// Finding a mutex that a dead process left locked in the engine's lock folder.

#include "driver/EngineLocks.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The id of a thread that has ended (a child process that exited and was reaped).
long DeadThread() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

// A shared file as the engine writes it: header version 1, then its mutex (lock word, count,
// owner thread, users, kind) at byte 16.
void WriteSharedFile(const fs::path& path, uint32_t lockWord, long owner, uint32_t kind) {
  unsigned char bytes[4096] = {};
  bytes[0] = 0xfc;
  bytes[2] = 1;
  const auto ownerWord = static_cast<uint32_t>(owner);
  std::memcpy(bytes + 16, &lockWord, 4);
  std::memcpy(bytes + 24, &ownerWord, 4);
  std::memcpy(bytes + 32, &kind, 4);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(bytes), sizeof bytes);
}

TEST(EngineLocks, FindsOnlyALockOfADeadOwnerOnAFileStillInUse) {
  const long dead = DeadThread();
  struct Case {
    const char* name;
    uint32_t lockWord;
    long owner;
    uint32_t kind;
    bool inUse;  // another process (here: this one) holds the engine's file lock on it
    bool stale;
  } cases[] = {
      {"locked by a dead owner, in use", 2, dead, 0x80, true, true},
      {"locked by a dead owner, no user left: the next user starts afresh", 2, dead, 0x80, false,
       false},
      {"locked by a live owner", 1, static_cast<long>(::getpid()), 0x80, true, false},
      {"unlocked", 0, 0, 0x80, true, false},
      {"not a process-shared mutex", 2, dead, 0, true, false},
  };
  const fs::path folder = fs::temp_directory_path() / ("engine_locks_" + std::to_string(::getpid()));
  for (const Case& c : cases) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    WriteSharedFile(folder / "fb12_trace", c.lockWord, c.owner, c.kind);
    std::ofstream(folder / "fb_init");  // empty: no header
    const int fd = ::open((folder / "fb12_trace").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    if (c.inUse) {
      ASSERT_EQ(::flock(fd, LOCK_SH), 0);
    }
    const auto stale = ibdriver::FindStaleEngineLock(folder.string());
    ::close(fd);
    EXPECT_EQ(stale.has_value(), c.stale) << c.name;
    if (stale && c.stale) {
      EXPECT_EQ(stale->file, "fb12_trace") << c.name;
      EXPECT_EQ(stale->owner, dead) << c.name;
      const std::string text = ibdriver::StaleEngineLockText(folder.string(), *stale);
      EXPECT_NE(text.find(folder.string()), std::string::npos) << text;
      EXPECT_NE(text.find(std::to_string(dead)), std::string::npos) << text;
      EXPECT_NE(text.find(std::to_string(::getpid())), std::string::npos) << text;
    }
  }
  fs::remove_all(folder);
}

}  // namespace
