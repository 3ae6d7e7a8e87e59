#pragma once

// The data store (IDSBase): packed rows in an arena, a sequence-ordered index of row ids, and
// the change log. Its cursors (IDSCursor) and the packet writer (IDSWriter) live beside it.

#include <atomic>
#include <memory>
#include <vector>

#include "engine/DSIntf.h"
#include "engine/Packet.h"

namespace dsengine {

// Reference counting shared by every engine object.
template <class Interface>
class ComObject : public Interface {
 public:
  virtual ~ComObject() = default;
  DBResult QueryInterface(const DSGUID& iid, void** object) override {
    if (object == nullptr) return DS_E_POINTER;
    if (iid == IID_IDSUnknown || iid == OwnIid()) {
      *object = static_cast<Interface*>(this);
      this->AddRef();
      return DS_S_OK;
    }
    *object = nullptr;
    return DS_E_NOINTERFACE;
  }
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    const uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual const DSGUID& OwnIid() const = 0;

 private:
  std::atomic<uint32_t> refs_{1};
};

// Bytes of packed rows in blocks that never move, so row pointers stay valid.
class Arena {
 public:
  uint8_t* Allocate(size_t bytes);
  size_t BytesReserved() const { return reserved_; }

 private:
  std::vector<std::unique_ptr<uint8_t[]>> blocks_;
  uint8_t* next_ = nullptr;
  size_t left_ = 0;
  size_t reserved_ = 0;
};

struct Row {
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  uint8_t attr = 0;  // DSREC_* bits; DSREC_DELETED rows are not in the order
};

class Store final : public ComObject<IDSBase> {
 public:
  DBResult DsAppendPacket(const uint8_t* packet, uint32_t length, int32_t last) override;
  DBResult DsProps(DSProps* props) override;
  DBResult DsFieldDescs(DSFLDDesc* descs) override;
  DBResult DsOptParam(uint32_t level, uint32_t field, const char* name, uint32_t* type,
                      uint32_t* length, const void** value) override;
  DBResult DsGetProp(uint32_t prop, void* value) override;
  DBResult DsSetProp(uint32_t prop, uintptr_t value) override;
  DBResult DsDelta(IDSBase** delta) override;
  DBResult DsStream(const uint8_t** packet, uint32_t* length) override;
  DBResult DsAcceptChanges() override;
  DBResult DsRollBack(uint32_t savePoint) override;
  DBResult DsReconcile(IDSBase* reconcileStore, const uint8_t* changePacket, uint32_t changeLength,
                       const uint8_t* errorPacket, uint32_t errorLength, void* client,
                       void* callback) override;
  DBResult DsClone(uint32_t mode, uint32_t flags, IDSBase** clone) override;
  DBResult DsReleaseBlobs(uint32_t flags) override;
  DBResult DsErrorText(DBResult status, char* buffer) override;

  // --- for cursors ---
  bool Initialized() const { return initialized_; }
  const Structure& Shape() const { return structure_; }
  uint32_t VisibleCount() const { return static_cast<uint32_t>(order_.size()); }
  uint32_t RowIdAt(uint32_t position) const { return order_[position]; }
  const Row& RowById(uint32_t id) const { return rows_[id]; }
  uint32_t RowCountTotal() const { return static_cast<uint32_t>(rows_.size()); }
  // Position of a visible row id, or -1.
  int64_t PositionOf(uint32_t id) const;
  uint64_t Generation() const { return generation_; }
  bool ReadOnly() const { return readOnly_; }
  bool TrimBlanks() const { return !keepTrailingBlanks_; }

  DBResult ModifyRow(uint32_t id, const uint8_t* record);
  // Inserts before `position` (VisibleCount() = at the end); returns the new id.
  DBResult InsertRow(uint32_t position, const uint8_t* record, uint32_t& id);
  DBResult DeleteRow(uint32_t id);

 protected:
  const DSGUID& OwnIid() const override { return IID_IDSBase; }

 private:
  enum class Change : uint8_t { Modify, Insert, Delete };
  struct LogEntry {
    Change kind;
    uint8_t prevAttr;
    uint32_t id;
    uint32_t position;  // order position of an inserted or deleted row
    const uint8_t* prevData;
    uint32_t prevLength;
  };
  struct Original {
    const uint8_t* data;
    uint32_t length;
  };

  const uint8_t* CopyRow(const uint8_t* data, size_t length);
  void Touched();
  void RebuildTouched();
  uint32_t ChangeCount() const;
  // Row `id`'s data as loaded (before any change in the log).
  Original OriginalOf(uint32_t id) const;
  void AdoptStructure(const Structure& s);
  void AppendRow(const uint8_t* data, uint32_t length, uint8_t attr);

  bool initialized_ = false;
  Structure structure_;
  Arena arena_;
  std::vector<Row> rows_;
  std::vector<uint32_t> order_;
  mutable std::vector<int32_t> positions_;  // id -> position, -1 hidden; rebuilt lazily
  mutable bool positionsValid_ = false;
  uint64_t generation_ = 0;
  std::vector<LogEntry> log_;
  std::vector<uint32_t> touched_;  // ids with a change, in order of their first change
  std::vector<uint8_t> scratch_;
  std::vector<uint8_t> stream_;
  bool readOnly_ = false;
  bool keepTrailingBlanks_ = false;
  bool partial_ = false;
  bool lastPacket_ = false;
};

}  // namespace dsengine
