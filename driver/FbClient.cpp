#include "driver/FbClient.h"

#include <dlfcn.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "driver/FirebirdRoot.h"
#include "driver/LockFolderAccess.h"
#include "platform/StandardDescriptors.h"

namespace ibdriver {

namespace {

template <typename F>
bool Resolve(void* library, const char* symbol, F& target) {
  target = reinterpret_cast<F>(dlsym(library, symbol));
  return target != nullptr;
}

}  // namespace

const FbClient* FbClient::Load(const std::string& name) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<FbClient>> loaded;
  std::lock_guard<std::mutex> lock(mutex);
  auto found = loaded.find(name);
  if (found != loaded.end()) return found->second.get();
  // The root is read at the library's first call; one already in the process keeps its own.
  void* present = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (present != nullptr) {
    dlclose(present);
  } else {
    // The engine opens its shared lock files at the first attach: never as standard output.
    platform::OpenStandardDescriptors();
    ChooseFirebirdRoot(OwnFolder());
  }
  void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  auto api = std::make_unique<FbClient>();
  const char* root = std::getenv(kFirebirdRootVariable);
  api->root = root != nullptr ? root : "";
  api->programsRoot = ProgramsRoot(OwnFolder());
  api->rootProblem = FirebirdRootProblem(api->root, api->programsRoot);
  bool ok = Resolve(library, "isc_attach_database", api->attach_database) &&
            Resolve(library, "isc_detach_database", api->detach_database) &&
            Resolve(library, "isc_start_multiple", api->start_multiple) &&
            Resolve(library, "isc_commit_transaction", api->commit_transaction) &&
            Resolve(library, "isc_commit_retaining", api->commit_retaining) &&
            Resolve(library, "isc_rollback_transaction", api->rollback_transaction) &&
            Resolve(library, "isc_dsql_allocate_statement", api->dsql_allocate_statement) &&
            Resolve(library, "isc_dsql_prepare", api->dsql_prepare) &&
            Resolve(library, "isc_dsql_describe", api->dsql_describe) &&
            Resolve(library, "isc_dsql_describe_bind", api->dsql_describe_bind) &&
            Resolve(library, "isc_dsql_execute", api->dsql_execute) &&
            Resolve(library, "isc_dsql_execute2", api->dsql_execute2) &&
            Resolve(library, "isc_dsql_fetch", api->dsql_fetch) &&
            Resolve(library, "isc_dsql_free_statement", api->dsql_free_statement) &&
            Resolve(library, "isc_dsql_sql_info", api->dsql_sql_info) &&
            Resolve(library, "isc_open_blob2", api->open_blob2) &&
            Resolve(library, "isc_create_blob2", api->create_blob2) &&
            Resolve(library, "isc_get_segment", api->get_segment) &&
            Resolve(library, "isc_put_segment", api->put_segment) &&
            Resolve(library, "isc_close_blob", api->close_blob) &&
            Resolve(library, "isc_blob_info", api->blob_info) &&
            Resolve(library, "fb_interpret", api->interpret) &&
            Resolve(library, "fb_cancel_operation", api->cancel_operation);
  if (!ok) {
    dlclose(library);
    return nullptr;
  }
  return loaded.emplace(name, std::move(api)).first->second.get();
}

std::string StatusText(const FbClient& api, const ISC_STATUS* status) {
  std::string text;
  char line[1024];
  const ISC_STATUS* cursor = status;
  while (api.interpret(line, sizeof line, &cursor) > 0) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  if (HasCode(status, isc_already_opened)) {
    if (!text.empty()) text += '\n';
    text += MixedModesText(api.programsRoot.empty() ? api.root : api.programsRoot);
  }
  if (const std::string lockFolder = EngineLockFolder(); IsLockFolderRefusal(text, lockFolder)) {
    text += '\n' + LockFolderAccessText(lockFolder, CurrentUserName());
  }
  return text;
}

bool HasCode(const ISC_STATUS* status, ISC_STATUS code) {
  // Entries are (kind, value) pairs; a string with its length (isc_arg_cstring) takes two values.
  for (const ISC_STATUS* entry = status; *entry != isc_arg_end;) {
    if (*entry == isc_arg_gds && entry[1] == code) return true;
    entry += *entry == isc_arg_cstring ? 3 : 2;
  }
  return false;
}

std::string MixedModesText(const std::string& root) {
  std::string text =
      "The database file is open in another program whose Firebird engine uses it in another "
      "mode (exclusive or shared). Every program that opens a local database file directly "
      "must use the same Firebird root";
  if (!root.empty()) {
    text += ": ";
    text += kFirebirdRootVariable;
    text += "=";
    text += root;
  }
  return text + ".";
}

int64_t InfoInteger(const char* data, int length) {
  uint64_t value = 0;
  for (int i = length - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(data[i]);
  if (length > 0 && length < 8 && (static_cast<uint8_t>(data[length - 1]) & 0x80) != 0) {
    value |= ~uint64_t{0} << (8 * length);
  }
  return static_cast<int64_t>(value);
}

}  // namespace ibdriver
