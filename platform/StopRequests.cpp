#include "platform/StopRequests.h"

#include <pthread.h>

#include <csignal>
#include <thread>

namespace platform {

void TakeStopRequests(std::function<void(int signal)> onStop) {
  sigset_t stops;
  sigemptyset(&stops);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stops, signal);
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);
  std::thread([stops, onStop = std::move(onStop)] {
    int signal = 0;
    if (sigwait(&stops, &signal) == 0) onStop(signal);
  }).detach();
}

}  // namespace platform
