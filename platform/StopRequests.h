#pragma once

// Stop requests (SIGTERM, SIGINT, SIGHUP) taken by a thread of the program's own. The
// embedded database engine installs handlers of its own and would otherwise swallow them.

#include <functional>

namespace platform {

// Blocks the stop signals in the calling thread, so every thread started after it inherits
// the mask (call it first in main), and starts a thread that waits for one of them and calls
// `onStop` with its number on that thread. A signal ignored when the program started (nohup)
// stays ignored.
void TakeStopRequests(std::function<void(int signal)> onStop);

}  // namespace platform
