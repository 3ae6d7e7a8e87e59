#pragma once

// Stopping the database engine's work in this process through the engine's own calls, so that
// a process never ends while one of its threads is inside the engine: such a thread may hold a
// mutex in the engine's shared lock files, and every later engine user on the machine would
// wait on it for ever.

#include <chrono>

namespace platform {

// Asks the client library, when it is loaded, to cancel running work, detach every attachment
// and shut the engine down (fb_shutdown), and waits until it has, at most `bound`. Returns true
// when the engine finished in time or was never loaded. The engine takes no further work
// afterwards: call it only on the way out of the process.
bool ShutDownEngine(std::chrono::milliseconds bound = std::chrono::seconds(2));

// Cancels the statement running now on every attachment of the database driver: it fails as
// cancelled. Callable from any thread. Returns false when no driver is loaded.
bool CancelEngineWork();
// Drops a cancel request that met no running statement, so that the next one runs. Call once
// the cancelled work has ended.
void ForgetEngineCancel();

}  // namespace platform
