#pragma once

// The database engine's lock folder and the mutexes in its shared files. The engine's mutexes
// are process-shared but not robust: when a process dies holding one, every later engine user
// of that folder waits for ever, for as long as any process still has the file open (when the
// last one closes it, the next user starts the file afresh). These checks find such a mutex so
// that a run can say so instead of hanging.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/EngineLockFolder.h"

namespace ibdriver {

using platform::EngineLockFolder;

struct StaleEngineLock {
  std::string file;        // the shared file in the lock folder ("fb12_trace")
  long owner = 0;          // the thread id recorded as the mutex's owner, which no longer exists
  std::vector<long> users; // processes that still have the file open
};

// A mutex in `folder`'s shared files that a dead thread holds while live processes still use
// the file; nullopt when there is none.
std::optional<StaleEngineLock> FindStaleEngineLock(const std::string& folder);

// The message for a run that meets `lock` in `folder`: what happened and what to do.
std::string StaleEngineLockText(const std::string& folder, const StaleEngineLock& lock);

// While alive, watches the lock folder on a thread of its own: when the watched work is still
// running after `patience` and a stale lock shows up, writes its message to standard error and
// ends the process with `status` (the work would otherwise wait for ever).
class EngineLockWatch {
 public:
  explicit EngineLockWatch(int status, std::chrono::milliseconds patience = std::chrono::seconds(2));
  ~EngineLockWatch();
  EngineLockWatch(const EngineLockWatch&) = delete;
  EngineLockWatch& operator=(const EngineLockWatch&) = delete;

 private:
  struct State;
  State* state_;
};

}  // namespace ibdriver
