#pragma once

// What the process's resource limits leave the embedded database engine. Under a file size
// limit below its lock files, without space for them, or short of address space, the engine
// crashes or reports an unrelated error (a wrong password) while it opens a database; these
// checks say so first, naming the limit.

#include <string>

namespace platform {

struct EngineLimitCheck {
  // Set when the engine cannot open a database under these limits: the whole message.
  std::string refusal;
  // Set when a limit leaves the engine little room: a clause naming it ("the address space
  // limit (ulimit -v) of 250000 KiB leaves the database engine short of memory").
  std::string suspicion;
};

// True when `databaseName` is opened by the embedded engine in this process (no host).
bool IsLocalDatabase(const std::string& databaseName);

// Checks the file size limit, the free space of the engine's lock folder and the address
// space left, for opening `databaseName` through the embedded engine now.
EngineLimitCheck CheckEngineLimits(const std::string& databaseName);

// The limit a database error comes from when it says a file grew too large ("File too large")
// under a file size limit: "the file size limit (ulimit -f) of 2048 KiB"; "" otherwise.
std::string FileSizeLimitCause(const std::string& message);
// `message` followed by a line naming its likely cause: "...\nLikely cause: `cause`."; the
// message alone when `cause` is empty.
std::string WithLikelyCause(const std::string& message, const std::string& cause);
// `message` with the file size limit as its likely cause when FileSizeLimitCause names one.
std::string WithFileSizeLimitCause(const std::string& message);

}  // namespace platform
