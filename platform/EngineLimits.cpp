#include "platform/EngineLimits.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/EngineLockFolder.h"
#include "platform/Errors.h"
#include "platform/ResourceLimits.h"

namespace platform {

namespace {

// The engine's lock and monitor files are 1 MiB each, created and mapped at the first attach.
constexpr uint64_t kLockFileSize = uint64_t{1} << 20;
// Below this much free space in the lock folder the engine's first attach fails for certain
// (measured: 64 KiB fails, 128 KiB is enough); below kLockFolderRoom it may.
constexpr uint64_t kLockFolderMinimum = 64 << 10;
constexpr uint64_t kLockFolderRoom = 2 << 20;
// Address space the engine maps while it opens a database (measured about 80 MiB with one
// allocation arena): less than the minimum fails for certain; less than the room may.
constexpr uint64_t kAddressSpaceMinimum = uint64_t{64} << 20;
constexpr uint64_t kAddressSpaceRoom = uint64_t{256} << 20;

std::string Kib(uint64_t bytes) { return std::to_string(bytes / 1024) + " KiB"; }

std::string CannotOpen(const std::string& databaseName, const std::string& reason) {
  return FormatMessage("Cannot open the database \"%s\": %s", {databaseName, reason});
}

}  // namespace

bool IsLocalDatabase(const std::string& databaseName) {
  return !databaseName.empty() && databaseName.front() == '/';
}

EngineLimitCheck CheckEngineLimits(const std::string& databaseName) {
  EngineLimitCheck check;
  if (!IsLocalDatabase(databaseName)) return check;

  if (const auto limit = SoftLimit(RLIMIT_FSIZE); limit && *limit < kLockFileSize) {
    check.refusal = CannotOpen(databaseName, "the file size limit (ulimit -f) of " + Kib(*limit) +
                                                 " is below the " +
                                                 SizeText(kLockFileSize) +
                                                 " the database engine needs for its lock files.");
    return check;
  }

  const std::string folder = EngineLockFolder();
  auto free = FreeSpace(folder);
  if (!free) free = FreeSpace(folder.substr(0, folder.rfind('/') + 1));
  if (free && *free < kLockFolderRoom) {
    const std::string room = "no space for the database engine's lock files in " + folder + " (" +
                             Kib(*free) + " free)";
    if (*free < kLockFolderMinimum) {
      check.refusal = CannotOpen(databaseName, room + ".");
      return check;
    }
    check.suspicion = room;
  }

  if (const auto limit = SoftLimit(RLIMIT_AS)) {
    const uint64_t used = AddressSpaceInUse();
    const uint64_t left = *limit > used ? *limit - used : 0;
    const std::string limitText = "the address space limit (ulimit -v) of " + Kib(*limit);
    if (left < kAddressSpaceMinimum) {
      check.refusal = CannotOpen(
          databaseName, "out of memory: " + limitText + " leaves " + SizeText(left) +
                            ", less than the " + SizeText(kAddressSpaceMinimum) +
                            " the database engine needs.");
      return check;
    }
    if (left < kAddressSpaceRoom && check.suspicion.empty()) {
      check.suspicion = limitText + " leaves the database engine short of memory";
    }
  }
  return check;
}

std::string FileSizeLimitCause(const std::string& message) {
  const auto limit = SoftLimit(RLIMIT_FSIZE);
  if (!limit || message.find(std::strerror(EFBIG)) == std::string::npos) return "";
  return "the file size limit (ulimit -f) of " + Kib(*limit);
}

std::string WithLikelyCause(const std::string& message, const std::string& cause) {
  return cause.empty() ? message : message + "\nLikely cause: " + cause + ".";
}

std::string WithFileSizeLimitCause(const std::string& message) {
  return WithLikelyCause(message, FileSizeLimitCause(message));
}

}  // namespace platform
