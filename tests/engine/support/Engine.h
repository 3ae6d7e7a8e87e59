#pragma once

// Test access to libdsengine.so: loads the library from the build's lib folder and makes its
// objects, plus a small packet builder over the writer.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/DSIntf.h"

namespace enginetest {

// Holds one reference to an engine object.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p) : p_(p) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() {
    if (p_ != nullptr) p_->Release();
  }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  T** out() { return &p_; }

 private:
  T* p_ = nullptr;
};

// Makes an object of `clsid` through the library's class factory; fails the test on error.
void* Make(const DSGUID& clsid, const DSGUID& iid);
inline IDSBase* NewStore() { return static_cast<IDSBase*>(Make(CLSID_DSBase, IID_IDSBase)); }
inline IDSCursor* NewCursor() {
  return static_cast<IDSCursor*>(Make(CLSID_DSCursor, IID_IDSCursor));
}
inline IDSWriter* NewWriter() {
  return static_cast<IDSWriter*>(Make(CLSID_DSWriter, IID_IDSWriter));
}
DllGetClassObjectFunc Entry();

// A column for BuildPacket: name, type word, "WIDTH" and "DECIMALS" (0 = not written).
struct ColumnSpec {
  std::string name;
  uint32_t type;
  int32_t width = 0;
  int32_t decimals = 0;
};
// One value: null, or bytes.
struct Cell {
  bool isNull = false;
  std::string bytes;
};
Cell Text(const std::string& s);
Cell Int32(int32_t v);
Cell Null();
// A BCD value of `precision` digits with `places` decimals, from decimal text ("-12.5").
Cell Bcd(const std::string& text, int precision, int places);

std::vector<uint8_t> BuildPacket(const std::vector<ColumnSpec>& columns,
                                 const std::vector<std::vector<Cell>>& rows);

// A store loaded with `packet` and a cursor on it.
struct Opened {
  Ref<IDSBase> store;
  Ref<IDSCursor> cursor;
  std::vector<DSFLDDesc> fields;
  uint32_t recordSize = 0;
};
void Open(const std::vector<uint8_t>& packet, Opened& out);

// Reads text field `fieldNo` of the cursor's current row ("<null>" when null).
std::string FieldText(Opened& o, uint32_t fieldNo);

}  // namespace enginetest
