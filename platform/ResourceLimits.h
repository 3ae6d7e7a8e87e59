#pragma once

// The process's resource limits and what they leave, for messages that name the limit a
// failure comes from; and a guard that turns a crash inside a library into such a message.

#include <csignal>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The soft limit of `resource` (RLIMIT_FSIZE, RLIMIT_AS, ...); nullopt when unlimited.
std::optional<uint64_t> SoftLimit(int resource);
// The address space this process has mapped now, in bytes (0 when unknown).
uint64_t AddressSpaceInUse();
// Bytes an unprivileged user may still write in the file system holding `folder`; nullopt
// when unknown (for example, the folder does not exist).
std::optional<uint64_t> FreeSpace(const std::string& folder);
// The address space limit for out-of-memory messages: " (the address space limit, ulimit -v,
// is 150000 KiB)"; empty without a limit.
std::string AddressSpaceLimitText();
// "Out of memory while `doing`", the address space limit and a full stop: what a failed
// allocation says ("Out of memory." when `doing` is empty).
std::string OutOfMemoryMessage(const std::string& doing);
// A size for messages: "512 KiB", "1 MiB", "1.5 MiB" (units of 1024).
std::string SizeText(uint64_t bytes);

// While alive, a crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) of any thread writes `message`
// (its "%s" replaced by the signal's description, "Bus error") and a line end to standard
// error and ends the process with `status`. Guards nest: the latest one made speaks while it
// lives, and on its destruction the handlers and the guard it replaced come back. They must end
// in the reverse order of their making (as scopes do); one that ends out of order ends the
// process with a message and SIGABRT. For work in a library whose failure under resource limits is
// a crash: the process cannot go on after one, but it can say why.
class CrashGuard {
 public:
  CrashGuard(const std::string& message, int status);
  ~CrashGuard();
  CrashGuard(const CrashGuard&) = delete;
  CrashGuard& operator=(const CrashGuard&) = delete;

 private:
  static void Crashed(int signal);
  static constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
  struct sigaction previous_[sizeof(kSignals) / sizeof(kSignals[0])];
  stack_t previousStack_{};
  std::string messages_[sizeof(kSignals) / sizeof(kSignals[0])];
  int status_;
  // The guard this one replaced, which speaks again once this one ends.
  CrashGuard* outer_;
};

}  // namespace platform
