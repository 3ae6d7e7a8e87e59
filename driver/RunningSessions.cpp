#include "driver/RunningSessions.h"

#include <map>
#include <mutex>

namespace ibdriver {

namespace {

std::mutex& Guard() {
  static std::mutex mutex;
  return mutex;
}

// Never destroyed: a stop may cancel while the process ends.
std::map<isc_db_handle*, const FbClient*>& Sessions() {
  static auto* sessions = new std::map<isc_db_handle*, const FbClient*>;
  return *sessions;
}

}  // namespace

void SessionAttached(const FbClient& api, isc_db_handle* database) {
  std::lock_guard<std::mutex> lock(Guard());
  Sessions()[database] = &api;
}

void SessionDetaching(isc_db_handle* database) {
  std::lock_guard<std::mutex> lock(Guard());
  Sessions().erase(database);
}

}  // namespace ibdriver

extern "C" int CancelOperationsINTERBASE(int kind) {
  std::lock_guard<std::mutex> lock(ibdriver::Guard());
  int reached = 0;
  for (const auto& [database, api] : ibdriver::Sessions()) {
    ISC_STATUS_ARRAY status;
    if (kind == ibdriver::kCancelRunning) {
      if (api->cancel_operation(status, database, fb_cancel_raise) == 0) ++reached;
    } else {
      // Disabling drops a pending request; enabling lets the next one through again.
      api->cancel_operation(status, database, fb_cancel_disable);
      if (api->cancel_operation(status, database, fb_cancel_enable) == 0) ++reached;
    }
  }
  return reached;
}
