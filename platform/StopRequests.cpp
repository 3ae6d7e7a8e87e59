#include "platform/StopRequests.h"

#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "platform/EngineStop.h"

namespace platform {

namespace {
std::atomic<bool> stopping{false};
}  // namespace

bool StopRequested() { return stopping.load(); }

void AwaitStopIfRequested() {
  while (stopping.load()) std::this_thread::sleep_for(std::chrono::seconds(1));
}

void TakeStopRequests(std::function<void(int signal)> onStop, std::chrono::milliseconds grace) {
  sigset_t stops;
  sigemptyset(&stops);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stops, signal);
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);
  std::thread([stops, grace, onStop = std::move(onStop)] {
    int first = 0;
    while (sigwait(&stops, &first) != 0) {
    }
    stopping.store(true);
    onStop(first);
    // The orderly end did not come in time, or the operator asked again: end now.
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(grace);
    const timespec wait{static_cast<time_t>(seconds.count()),
                        static_cast<long>((grace - seconds).count() * 1000000)};
    while (sigtimedwait(&stops, nullptr, &wait) < 0 && errno == EINTR) {
    }
    // Never out of the middle of an engine call: the engine ends its work first (bounded).
    ShutDownEngine();
    std::_Exit(128 + first);
  }).detach();
}

}  // namespace platform
