// The library's entry point: class factories for the store, cursor and writer classes.

#include <new>

#include "engine/Cursor.h"

namespace dsengine {
namespace {

template <class Object>
class Factory final : public ComObject<IDSClassFactory> {
 public:
  DBResult CreateInstance(IDSUnknown* outer, const DSGUID& iid, void** object) override {
    if (object == nullptr) return DS_E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return DS_CLASS_E_NOAGGREGATION;
    Object* made = new (std::nothrow) Object();
    if (made == nullptr) return DS_E_OUTOFMEMORY;
    const DBResult status = made->QueryInterface(iid, object);
    made->Release();
    return status;
  }
  DBResult LockServer(int32_t) override { return DS_S_OK; }

 protected:
  const DSGUID& OwnIid() const override { return IID_IDSClassFactory; }
};

}  // namespace
}  // namespace dsengine

extern "C" __attribute__((visibility("default"))) DBResult DllGetClassObject(const DSGUID* clsid,
                                                                             const DSGUID* iid,
                                                                             void** object) {
  using namespace dsengine;
  if (clsid == nullptr || iid == nullptr || object == nullptr) return DS_E_POINTER;
  *object = nullptr;
  IDSClassFactory* factory = nullptr;
  if (*clsid == CLSID_DSBase) {
    factory = new (std::nothrow) Factory<Store>();
  } else if (*clsid == CLSID_DSCursor) {
    factory = new (std::nothrow) Factory<Cursor>();
  } else if (*clsid == CLSID_DSWriter) {
    factory = new (std::nothrow) Factory<Writer>();
  } else {
    return DS_CLASS_E_CLASSNOTAVAILABLE;
  }
  if (factory == nullptr) return DS_E_OUTOFMEMORY;
  const DBResult status = factory->QueryInterface(*iid, object);
  factory->Release();
  return status;
}
