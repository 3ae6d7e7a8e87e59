#pragma once

// Reference counting for the objects a driver library hands out.

#include <atomic>
#include <cstdint>

namespace ibdriver {

// Reference counting shared by every driver object; the object deletes itself with the last
// reference.
template <typename Interface>
class RefCounted : public Interface {
 public:
  int32_t QueryInterface(const void*, void** object) override {
    if (object != nullptr) *object = nullptr;
    return static_cast<int32_t>(0x80004002u);  // no other interfaces
  }
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  virtual ~RefCounted() = default;

 private:
  std::atomic<uint32_t> references_{1};
};

}  // namespace ibdriver
