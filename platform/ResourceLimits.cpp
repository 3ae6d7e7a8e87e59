#include "platform/ResourceLimits.h"

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
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
  return "Out of memory" + (doing.empty() ? "" : " while " + doing) + AddressSpaceLimitText() +
         ".";
}

std::string SizeText(uint64_t bytes) {
  char text[32];
  if (bytes >= (uint64_t{1} << 20)) {
    const double mib = static_cast<double>(bytes) / (1 << 20);
    std::snprintf(text, sizeof text, mib == static_cast<double>(static_cast<uint64_t>(mib))
                                         ? "%.0f MiB"
                                         : "%.1f MiB",
                  mib);
  } else {
    std::snprintf(text, sizeof text, "%llu KiB",
                  static_cast<unsigned long long>((bytes + 1023) / 1024));
  }
  return text;
}

namespace {

// The guard's message per signal, and its status; set before the handlers are.
const std::string* guardMessages = nullptr;
int guardStatus = 0;
// The handler's own stack, so that it also runs when the crash came from a full stack.
alignas(16) char guardStack[64 * 1024];

}  // namespace

void CrashGuard::Crashed(int signal) {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    if (kSignals[i] != signal) continue;
    ssize_t ignored = ::write(STDERR_FILENO, guardMessages[i].data(), guardMessages[i].size());
    ignored = ::write(STDERR_FILENO, "\n", 1);
    (void)ignored;
  }
  ::_exit(guardStatus);
}

CrashGuard::CrashGuard(const std::string& message, int status) {
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    messages_[i] = FormatMessage(message, {::strsignal(kSignals[i])});
  }
  guardMessages = messages_;
  guardStatus = status;
  stack_t stack{};
  stack.ss_sp = guardStack;
  stack.ss_size = sizeof guardStack;
  ::sigaltstack(&stack, &previousStack_);
  struct sigaction action{};
  action.sa_handler = Crashed;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &previous_[i]);
}

CrashGuard::~CrashGuard() {
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
  ::sigaltstack(&previousStack_, nullptr);
}

}  // namespace platform
