#pragma once

// The client side of the record store engine: loading libdsengine.so once per process, making
// its objects, holding their references, and raising its statuses as EDBClient errors.

#include <cstdint>
#include <string>

#include "data/DB.h"
#include "engine/DSIntf.h"

// An engine status raised as a client data-set error, with the engine's text for it.
class EDBClient : public EDatabaseError {
 public:
  EDBClient(std::string message, DBResult status)
      : EDatabaseError(std::move(message)), status_(status) {}
  DBResult ErrorCode() const { return status_; }

 private:
  DBResult status_;
};

// One reference to an engine object (released when the holder goes).
template <class T>
class DSRef {
 public:
  DSRef() = default;
  explicit DSRef(T* object) : object_(object) {}
  DSRef(DSRef&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  DSRef& operator=(DSRef&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = other.object_;
      other.object_ = nullptr;
    }
    return *this;
  }
  DSRef(const DSRef&) = delete;
  DSRef& operator=(const DSRef&) = delete;
  ~DSRef() { Reset(); }

  void Reset() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
  }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // For out parameters: releases the held object first.
  T** Out() {
    Reset();
    return &object_;
  }

 private:
  T* object_ = nullptr;
};

namespace dsclient {

// The engine library's file name; the registry's InProcServer32 entry of the data store class
// may name another.
inline constexpr const char* kEngineLibrary = "libdsengine.so";

// Loads the engine library at the first call (under a process-wide lock) and returns its
// DllGetClassObject. Throws EDatabaseError "Error loading <library>" when it cannot be loaded
// or has no entry point.
DllGetClassObjectFunc EngineEntry();

// The library the loader uses: the default value of HKEY_CLASSES_ROOT\CLSID\{data store
// class}\InProcServer32 in the program's registry (HKEY_CLASSES_ROOT being read as
// HKEY_CURRENT_USER\Software\Classes, then HKEY_LOCAL_MACHINE\Software\Classes) when
// present, else kEngineLibrary.
std::string EngineLibraryName();

// Loads `name` (a bare name is looked for in the program's library folder first) and returns
// its DllGetClassObject. Throws EDatabaseError "Error loading <name>" when it cannot.
DllGetClassObjectFunc LoadEngineLibrary(const std::string& name);

// Makes an engine object of `clsid` with interface `iid`; raises engine statuses as EDBClient.
IDSBase* NewStore();
IDSCursor* NewCursor();
IDSWriter* NewWriter();

// Raises a non-zero status as EDBClient with the engine's text (`store` gives the text when
// present, else the built-in one).
void Check(DBResult status, IDSBase* store = nullptr);
std::string StatusText(DBResult status);

}  // namespace dsclient
