#pragma once

// The attachments of this process, so that their running work can be cancelled from another
// thread (an operator's stop, a stop request) through the client library's own cancel call.

#include <ibase.h>

#include "driver/FbClient.h"

namespace ibdriver {

// Records an attachment once attached; forgets it before it is detached.
void SessionAttached(const FbClient& api, isc_db_handle* database);
void SessionDetaching(isc_db_handle* database);

// The kinds of CancelOperationsINTERBASE.
inline constexpr int kCancelRunning = 1;  // cancel what runs now: it fails as cancelled
inline constexpr int kCancelForget = 0;   // drop a cancel request that met no running work

}  // namespace ibdriver

// Cancels the work running on every attachment of the process (kind kCancelRunning), or
// forgets a cancel request no work took (kCancelForget). Callable from any thread. Returns
// the number of attachments reached.
extern "C" __attribute__((visibility("default"))) int CancelOperationsINTERBASE(int kind);
