#include "data/DSEngine.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>

#include "platform/ProgramFolder.h"
#include "platform/Registry.h"

namespace dsclient {
namespace {

std::mutex engineLock;
DllGetClassObjectFunc engineEntry = nullptr;

void* Make(const DSGUID& clsid, const DSGUID& iid) {
  DllGetClassObjectFunc entry = EngineEntry();
  IDSClassFactory* factory = nullptr;
  Check(entry(&clsid, &IID_IDSClassFactory, reinterpret_cast<void**>(&factory)));
  void* object = nullptr;
  const DBResult status = factory->CreateInstance(nullptr, iid, &object);
  factory->Release();
  Check(status);
  return object;
}

}  // namespace

std::string EngineLibraryName() {
  const std::string key =
      std::string("Software\\Classes\\CLSID\\") + DSBASE_CLSID_TEXT + "\\InProcServer32";
  for (platform::RegistryRoot root :
       {platform::RegistryRoot::CurrentUser, platform::RegistryRoot::LocalMachine}) {
    std::optional<platform::RegistryValue> value = platform::SystemRegistry().Value(root, key, "");
    if (value &&
        (value->kind == platform::RegistryValue::String ||
         value->kind == platform::RegistryValue::ExpandString) &&
        !value->text.empty()) {
      return value->text;
    }
  }
  return kEngineLibrary;
}

DllGetClassObjectFunc LoadEngineLibrary(const std::string& name) {
  // The library stays loaded until the program ends.
  void* library = dlopen(platform::ResolveLibraryPath(name).c_str(), RTLD_NOW | RTLD_LOCAL);
  void* entry = library == nullptr ? nullptr : dlsym(library, "DllGetClassObject");
  if (entry == nullptr) throw EDatabaseError("Error loading " + name);
  return reinterpret_cast<DllGetClassObjectFunc>(entry);
}

DllGetClassObjectFunc EngineEntry() {
  std::lock_guard<std::mutex> guard(engineLock);
  if (engineEntry == nullptr) engineEntry = LoadEngineLibrary(EngineLibraryName());
  return engineEntry;
}

IDSBase* NewStore() { return static_cast<IDSBase*>(Make(CLSID_DSBase, IID_IDSBase)); }
IDSCursor* NewCursor() { return static_cast<IDSCursor*>(Make(CLSID_DSCursor, IID_IDSCursor)); }
IDSWriter* NewWriter() { return static_cast<IDSWriter*>(Make(CLSID_DSWriter, IID_IDSWriter)); }

std::string StatusText(DBResult status) {
  DSRef<IDSBase> store;
  char text[2049] = {};
  // Any store gives the engine's texts; making one needs the library loaded already.
  IDSClassFactory* factory = nullptr;
  if (EngineEntry()(&CLSID_DSBase, &IID_IDSClassFactory, reinterpret_cast<void**>(&factory)) ==
      DS_S_OK) {
    factory->CreateInstance(nullptr, IID_IDSBase, reinterpret_cast<void**>(store.Out()));
    factory->Release();
  }
  if (store) store->DsErrorText(status, text);
  return text;
}

void Check(DBResult status, IDSBase* store) {
  if (status == DBERR_NONE) return;
  std::string text;
  if (store != nullptr) {
    char buffer[2049] = {};
    store->DsErrorText(status, buffer);
    text = buffer;
  } else {
    text = StatusText(status);
  }
  if (text.empty()) {
    char code[32];
    std::snprintf(code, sizeof code, "Engine error $%X", static_cast<unsigned>(status));
    text = code;
  }
  throw EDBClient(text, status);
}

}  // namespace dsclient
