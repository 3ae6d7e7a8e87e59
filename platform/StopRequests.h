#pragma once

// Stop requests (SIGTERM, SIGINT, SIGHUP) taken by a thread of the program's own. The
// embedded database engine installs handlers of its own and would otherwise swallow them.

#include <chrono>
#include <functional>

namespace platform {

// Blocks the stop signals in the calling thread, so every thread started after it inherits
// the mask (call it first in main), and starts a thread that waits for one of them and calls
// `onStop` with its number on that thread. The first request always ends the program: when
// it is still running `grace` after `onStop` returned, or a second request comes, the database
// engine is shut down (ShutDownEngine, at most 2 s) and the process ends with status 128 + the
// first signal. A signal ignored when the program started
// (nohup) stays ignored. Raises std::system_error when the thread cannot be started.
void TakeStopRequests(std::function<void(int signal)> onStop,
                      std::chrono::milliseconds grace = std::chrono::seconds(5));

// True once a stop request has come: the program is on its way out.
bool StopRequested();
// Blocks for good when a stop request has come, so that a failure the stop caused (a
// cancelled statement) is not reported and the stop's own status ends the process.
void AwaitStopIfRequested();

}  // namespace platform
