#include "platform/ResourceLimits.h"

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Errors.h"

namespace platform {

std::optional<uint64_t> SoftLimit(int resource) {
  struct rlimit limit;
  if (::getrlimit(static_cast<__rlimit_resource_t>(resource), &limit) != 0 ||
      limit.rlim_cur == RLIM_INFINITY) {
    return std::nullopt;
  }
  return static_cast<uint64_t>(limit.rlim_cur);
}

uint64_t AddressSpaceInUse() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
  }
  return 0;
}

std::optional<uint64_t> FreeSpace(const std::string& folder) {
  struct statvfs info;
  if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

std::string AddressSpaceLimitText() {
  const auto limit = SoftLimit(RLIMIT_AS);
  if (!limit) return {};
  return " (the address space limit, ulimit -v, is " + std::to_string(*limit / 1024) + " KiB)";
}

std::string OutOfMemoryMessage(const std::string& doing) {
  return "Out of memory" + (doing.empty() ? "" : " while " + doing) + AddressSpaceLimitText() + ".";
}

std::string SizeText(uint64_t bytes) {
  char text[32];
  if (bytes >= (uint64_t{1} << 20)) {
    const double mib = static_cast<double>(bytes) / (1 << 20);
    std::snprintf(text, sizeof text,
                  mib == static_cast<double>(static_cast<uint64_t>(mib)) ? "%.0f MiB" : "%.1f MiB",
                  mib);
  } else {
    std::snprintf(text, sizeof text, "%llu KiB",
                  static_cast<unsigned long long>((bytes + 1023) / 1024));
  }
  return text;
}

namespace {

// The guard that speaks on a crash; read by the signal handler.
std::atomic<CrashGuard*> activeGuard{nullptr};
// The handler's own stack, so that it also runs when the crash came from a full stack.
alignas(16) char guardStack[64 * 1024];

void WriteError(const char* text, size_t size) {
  ssize_t ignored = ::write(STDERR_FILENO, text, size);
  (void)ignored;
}

}  // namespace

void CrashGuard::Crashed(int signal) {
  const CrashGuard* guard = activeGuard.load();
  if (guard == nullptr) ::_exit(128 + signal);
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    if (kSignals[i] != signal) continue;
    WriteError(guard->messages_[i].data(), guard->messages_[i].size());
    WriteError("\n", 1);
  }
  ::_exit(guard->status_);
}

CrashGuard::CrashGuard(const std::string& message, int status) : status_(status) {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    messages_[i] = FormatMessage(message, {::strsignal(kSignals[i])});
  }
  outer_ = activeGuard.exchange(this);
  stack_t stack{};
  stack.ss_sp = guardStack;
  stack.ss_size = sizeof guardStack;
  ::sigaltstack(&stack, &previousStack_);
  struct sigaction action {};
  action.sa_handler = Crashed;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &previous_[i]);
}

CrashGuard::~CrashGuard() {
  if (activeGuard.load() != this) {
    static constexpr char kOutOfOrder[] = "A crash guard ended while a later one was active.\n";
    WriteError(kOutOfOrder, sizeof kOutOfOrder - 1);
    ::signal(SIGABRT, SIG_DFL);
    std::abort();
  }
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
  ::sigaltstack(&previousStack_, nullptr);
  activeGuard.store(outer_);
}

}  // namespace platform
