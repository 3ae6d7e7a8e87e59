#include "platform/EngineStop.h"

#include <dlfcn.h>
#include <link.h>

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

namespace {

constexpr char kClientLibrary[] = "libfbclient.so.2";
constexpr char kDriverLibrary[] = "/libibdriver.so";
constexpr int kShutdownForSignal = -5;  // fb_shutrsn_signal

// The driver library's cancel entry, when the driver is loaded.
using CancelEntry = int (*)(int kind);
CancelEntry FindCancelEntry() {
  std::string path;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* found) {
        const size_t length = std::strlen(info->dlpi_name);
        const size_t suffix = sizeof kDriverLibrary - 1;
        if (length < suffix || std::strcmp(info->dlpi_name + length - suffix, kDriverLibrary) != 0)
          return 0;
        *static_cast<std::string*>(found) = info->dlpi_name;
        return 1;
      },
      &path);
  void* driver = path.empty() ? RTLD_DEFAULT : dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (driver == nullptr) return nullptr;
  auto entry = reinterpret_cast<CancelEntry>(dlsym(driver, "CancelOperationsINTERBASE"));
  if (driver != RTLD_DEFAULT) dlclose(driver);
  return entry;
}

}  // namespace

bool ShutDownEngine(std::chrono::milliseconds bound) {
  void* client = dlopen(kClientLibrary, RTLD_NOW | RTLD_NOLOAD);
  if (client == nullptr) return true;
  using Shutdown = int (*)(unsigned int, const int);
  const auto shutdown = reinterpret_cast<Shutdown>(dlsym(client, "fb_shutdown"));
  if (shutdown == nullptr) return true;
  // The engine's own shutdown has its own time limit; the wait here bounds it for certain.
  struct Progress {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
  };
  auto progress = std::make_shared<Progress>();
  const auto timeout = static_cast<unsigned int>(bound.count());
  try {
    std::thread([progress, shutdown, timeout] {
      shutdown(timeout, kShutdownForSignal);
      std::lock_guard<std::mutex> lock(progress->mutex);
      progress->finished = true;
      progress->done.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return shutdown(timeout, kShutdownForSignal) == 0;
  }
  std::unique_lock<std::mutex> lock(progress->mutex);
  return progress->done.wait_for(lock, bound, [&progress] { return progress->finished; });
}

bool CancelEngineWork() {
  const CancelEntry cancel = FindCancelEntry();
  if (cancel == nullptr) return false;
  cancel(1);
  return true;
}

void ForgetEngineCancel() {
  if (const CancelEntry cancel = FindCancelEntry()) cancel(0);
}

}  // namespace platform
