#pragma once

// A cursor (IDSCursor) over a store, and the packet writer (IDSWriter).

#include <vector>

#include "engine/Store.h"

namespace dsengine {

class Cursor final : public ComObject<IDSCursor> {
 public:
  ~Cursor() override;
  DBResult CurInit(IDSBase* store) override;
  DBResult CurClone(IDSCursor* other) override;
  DBResult CurProps(DSCursorProps* props) override;
  DBResult CurRecord(void* record) override;
  DBResult CurBookmark(void* bookmark) override;
  DBResult CurSeqNo(uint32_t* seqNo) override;
  DBResult CurAttr(uint32_t* attr) override;
  DBResult CurCount(uint32_t* count) override;
  DBResult CurFirst() override;
  DBResult CurLast() override;
  DBResult CurMove(int32_t distance) override;
  DBResult CurGotoSeqNo(uint32_t seqNo) override;
  DBResult CurGotoBookmark(const void* bookmark) override;
  DBResult CurCompare(const void* bookmark1, const void* bookmark2, int32_t* result) override;
  DBResult CurGetField(const void* record, uint32_t fieldNo, void* value, int32_t* isNull) override;
  DBResult CurPutField(void* record, uint32_t fieldNo, const void* value) override;
  DBResult CurVerifyField(uint32_t fieldNo, const void* value) override;
  DBResult CurInitRecord(void* record) override;
  DBResult CurDelete() override;
  DBResult CurModify(const void* record) override;
  DBResult CurInsert(const void* record) override;
  DBResult CurLocate(const void* filter, uint32_t size) override;

 protected:
  const DSGUID& OwnIid() const override { return IID_IDSCursor; }

 private:
  enum class Where { Bof, On, Eof };
  // Brings the position up to date after the store changed.
  void Sync();
  void SetOn(uint32_t position);
  const Column* ColumnOf(uint32_t fieldNo) const;

  Store* store_ = nullptr;
  Where where_ = Where::Bof;
  uint32_t position_ = 0;
  uint32_t rowId_ = 0;
  uint64_t generation_ = 0;
};

// Evaluates a compiled filter (DSIntf.h) against packed rows.
class Filter {
 public:
  // DBERR_FILTER when the bytes cannot be read or name no field of `s`.
  DBResult Compile(const Structure& s, const uint8_t* bytes, uint32_t size);
  bool Matches(const Structure& s, const uint8_t* row) const;

 private:
  struct Term {
    uint32_t column;
    uint32_t kind;
    std::string value;
    bool prefix;
  };
  std::vector<Term> terms_;
  bool caseInsensitive_ = false;
};

class Writer final : public ComObject<IDSWriter> {
 public:
  DBResult WrXmlMode(uint32_t mode) override;
  DBResult WrInit(uint32_t version, uint32_t columns) override;
  DBResult WrColumn(const DSColumnDesc* column) override;
  DBResult WrAttribute(uint32_t column, const char* name, uint32_t type, uint32_t length,
                       const void* value) override;
  DBResult WrValue(uint32_t status, uint32_t length, const void* data) override;
  DBResult WrEndNested() override;
  DBResult WrPacket(const uint8_t** packet, uint32_t* length) override;
  DBResult WrReset() override;
  DBResult WrErrorText(DBResult status, char* buffer) override;

 protected:
  const DSGUID& OwnIid() const override { return IID_IDSWriter; }

 private:
  void StartRows();

  enum class Phase { Idle, Columns, Attributes, Rows };
  Phase phase_ = Phase::Idle;
  Structure structure_;
  uint32_t expectedColumns_ = 0;
  std::vector<uint8_t> packet_;
  size_t rowsStart_ = 0;
  size_t rowStart_ = 0;
  uint32_t rowCount_ = 0;
  uint32_t valueIndex_ = 0;  // 0 = row status next, i = column i - 1 next
  // The checksum, fed as rows complete; `rowsHasher_` is its state where the rows begin.
  DSPacketHasher hasher_;
  DSPacketHasher rowsHasher_;
};

}  // namespace dsengine
