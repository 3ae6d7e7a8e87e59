#include "engine/Cursor.h"

#include <cstring>

namespace dsengine {

Cursor::~Cursor() {
  if (store_ != nullptr) store_->Release();
}

DBResult Cursor::CurInit(IDSBase* store) {
  if (store == nullptr) return DBERR_INVALIDPARAM;
  // Only stores made by this library can be walked by its cursors.
  Store* s = dynamic_cast<Store*>(store);
  if (s == nullptr) return DBERR_INVALIDPARAM;
  if (!s->Initialized()) return DBERR_NOTINITIALIZED;
  s->AddRef();
  if (store_ != nullptr) store_->Release();
  store_ = s;
  where_ = Where::Bof;
  position_ = 0;
  generation_ = s->Generation();
  return DBERR_NONE;
}

DBResult Cursor::CurClone(IDSCursor* other) {
  Cursor* o = dynamic_cast<Cursor*>(other);
  if (o == nullptr || o->store_ == nullptr) return DBERR_INVALIDPARAM;
  const DBResult status = CurInit(o->store_);
  if (status != DBERR_NONE) return status;
  o->Sync();
  where_ = o->where_;
  position_ = o->position_;
  rowId_ = o->rowId_;
  generation_ = o->generation_;
  return DBERR_NONE;
}

void Cursor::SetOn(uint32_t position) {
  where_ = Where::On;
  position_ = position;
  rowId_ = store_->RowIdAt(position);
}

void Cursor::Sync() {
  if (store_->Generation() == generation_) return;
  generation_ = store_->Generation();
  if (where_ != Where::On) return;
  const int64_t position = store_->PositionOf(rowId_);
  if (position >= 0) {
    position_ = static_cast<uint32_t>(position);
    return;
  }
  // The row is gone: the row that took its place becomes current.
  if (position_ < store_->VisibleCount()) {
    SetOn(position_);
  } else {
    where_ = Where::Eof;
  }
}

const Column* Cursor::ColumnOf(uint32_t fieldNo) const {
  const Structure& s = store_->Shape();
  if (fieldNo == 0 || fieldNo > s.columns.size()) return nullptr;
  return &s.columns[fieldNo - 1];
}

DBResult Cursor::CurProps(DSCursorProps* props) {
  if (props == nullptr) return DBERR_INVALIDPARAM;
  if (store_ == nullptr) return DBERR_NOTINITIALIZED;
  props->iRecBufSize = store_->Shape().recordSize;
  props->iBookmarkSize = 4;
  props->bReadOnly = store_->ReadOnly() ? 1 : 0;
  return DBERR_NONE;
}

DBResult Cursor::CurRecord(void* record) {
  if (store_ == nullptr) return DBERR_NOTINITIALIZED;
  Sync();
  if (where_ == Where::Bof) return DBERR_BOF;
  if (where_ == Where::Eof) return DBERR_EOF;
  if (record != nullptr) {
    UnpackRow(store_->Shape(), store_->RowById(rowId_).data, static_cast<uint8_t*>(record));
  }
  return DBERR_NONE;
}

DBResult Cursor::CurBookmark(void* bookmark) {
  if (store_ == nullptr || bookmark == nullptr) return DBERR_INVALIDPARAM;
  Sync();
  if (where_ != Where::On) return DBERR_NOCURRREC;
  std::memcpy(bookmark, &rowId_, 4);
  return DBERR_NONE;
}

DBResult Cursor::CurSeqNo(uint32_t* seqNo) {
  if (store_ == nullptr || seqNo == nullptr) return DBERR_INVALIDPARAM;
  Sync();
  if (where_ != Where::On) {
    *seqNo = 0;
    return DBERR_NOCURRREC;
  }
  *seqNo = position_ + 1;
  return DBERR_NONE;
}

DBResult Cursor::CurAttr(uint32_t* attr) {
  if (store_ == nullptr || attr == nullptr) return DBERR_INVALIDPARAM;
  Sync();
  if (where_ != Where::On) {
    *attr = 0;
    return DBERR_NOCURRREC;
  }
  *attr = store_->RowById(rowId_).attr &
          (DSREC_DELETED | DSREC_INSERTED | DSREC_MODIFIED | DSREC_ORIGINAL);
  return DBERR_NONE;
}

DBResult Cursor::CurCount(uint32_t* count) {
  if (store_ == nullptr || count == nullptr) return DBERR_INVALIDPARAM;
  *count = store_->VisibleCount();
  return DBERR_NONE;
}

DBResult Cursor::CurFirst() {
  if (store_ == nullptr) return DBERR_NOTINITIALIZED;
  Sync();
  where_ = Where::Bof;
  return DBERR_NONE;
}

DBResult Cursor::CurLast() {
  if (store_ == nullptr) return DBERR_NOTINITIALIZED;
  Sync();
  where_ = Where::Eof;
  return DBERR_NONE;
}

DBResult Cursor::CurMove(int32_t distance) {
  if (store_ == nullptr) return DBERR_NOTINITIALIZED;
  Sync();
  const int64_t count = store_->VisibleCount();
  int64_t target;
  switch (where_) {
    case Where::Bof:
      target = -1;
      break;
    case Where::Eof:
      target = count;
      break;
    default:
      target = position_;
      break;
  }
  target += distance;
  if (target < 0) {
    where_ = Where::Bof;
    return DBERR_BOF;
  }
  if (target >= count) {
    where_ = Where::Eof;
    return DBERR_EOF;
  }
  SetOn(static_cast<uint32_t>(target));
  return DBERR_NONE;
}

DBResult Cursor::CurGotoSeqNo(uint32_t seqNo) {
  if (store_ == nullptr) return DBERR_NOTINITIALIZED;
  Sync();
  if (seqNo == 0 || seqNo > store_->VisibleCount()) return DBERR_INVALIDSEQNO;
  SetOn(seqNo - 1);
  return DBERR_NONE;
}

DBResult Cursor::CurGotoBookmark(const void* bookmark) {
  if (store_ == nullptr || bookmark == nullptr) return DBERR_INVALIDPARAM;
  Sync();
  uint32_t id;
  std::memcpy(&id, bookmark, 4);
  const int64_t position = store_->PositionOf(id);
  if (position < 0) return DBERR_INVALIDBOOKMARK;
  SetOn(static_cast<uint32_t>(position));
  return DBERR_NONE;
}

DBResult Cursor::CurCompare(const void* bookmark1, const void* bookmark2, int32_t* result) {
  if (store_ == nullptr || bookmark1 == nullptr || bookmark2 == nullptr || result == nullptr) {
    return DBERR_INVALIDPARAM;
  }
  uint32_t id1, id2;
  std::memcpy(&id1, bookmark1, 4);
  std::memcpy(&id2, bookmark2, 4);
  if (id1 == id2) {
    *result = DSCMP_EQUAL;
    return DBERR_NONE;
  }
  const int64_t p1 = store_->PositionOf(id1);
  const int64_t p2 = store_->PositionOf(id2);
  if (p1 < 0 || p2 < 0) return DBERR_INVALIDBOOKMARK;
  *result = p1 < p2 ? DSCMP_LESS : DSCMP_GREATER;
  return DBERR_NONE;
}

DBResult Cursor::CurGetField(const void* record, uint32_t fieldNo, void* value, int32_t* isNull) {
  if (store_ == nullptr || record == nullptr) return DBERR_INVALIDPARAM;
  const Column* c = ColumnOf(fieldNo);
  if (c == nullptr) return DBERR_INVALIDFIELDNO;
  const uint8_t* rec = static_cast<const uint8_t*>(record);
  if (isNull != nullptr) *isNull = rec[c->nullOff];
  if (value != nullptr) std::memcpy(value, rec + c->slotOff, c->slotLen);
  return DBERR_NONE;
}

DBResult Cursor::CurVerifyField(uint32_t fieldNo, const void* value) {
  if (store_ == nullptr) return DBERR_NOTINITIALIZED;
  const Column* c = ColumnOf(fieldNo);
  if (c == nullptr) return DBERR_INVALIDFIELDNO;
  if (value == nullptr) return DBERR_NONE;
  if (c->code == DSFLD_BCD || c->code == DSFLD_FMTBCD) {
    // The value must fit the column's digits: precision and places within the slot.
    const uint8_t* v = static_cast<const uint8_t*>(value);
    const uint32_t precision = v[0];
    if (precision == 0 || precision > 64 || DSBcdSize(precision) > c->slotLen ||
        (v[1] & 0x3F) > precision) {
      return DBERR_INVALIDVALUE;
    }
  }
  return DBERR_NONE;
}

DBResult Cursor::CurPutField(void* record, uint32_t fieldNo, const void* value) {
  if (store_ == nullptr || record == nullptr) return DBERR_INVALIDPARAM;
  const Column* c = ColumnOf(fieldNo);
  if (c == nullptr) return DBERR_INVALIDFIELDNO;
  uint8_t* rec = static_cast<uint8_t*>(record);
  uint8_t* slot = rec + c->slotOff;
  if (value == nullptr) {
    rec[c->nullOff] = 1;
    std::memset(slot, 0, c->slotLen);
    return DBERR_NONE;
  }
  const DBResult status = CurVerifyField(fieldNo, value);
  if (status != DBERR_NONE) return status;
  rec[c->nullOff] = 0;
  if (c->code == DSFLD_ZSTRING || c->code == DSFLD_UNICODE) {
    const size_t len = strnlen(static_cast<const char*>(value), c->slotLen - 1);
    std::memset(slot, 0, c->slotLen);
    std::memcpy(slot, value, len);
  } else if (c->code == DSFLD_BYTES && c->varying && !c->blob) {
    const uint8_t* v = static_cast<const uint8_t*>(value);
    const uint32_t len = std::min<uint32_t>(GetU16(v), static_cast<uint32_t>(c->units1));
    slot[0] = static_cast<uint8_t>(len);
    slot[1] = static_cast<uint8_t>(len >> 8);
    std::memcpy(slot + 2, v + 2, len);
  } else {
    std::memcpy(slot, value, c->slotLen);
  }
  return DBERR_NONE;
}

DBResult Cursor::CurInitRecord(void* record) {
  if (store_ == nullptr || record == nullptr) return DBERR_INVALIDPARAM;
  const Structure& s = store_->Shape();
  uint8_t* rec = static_cast<uint8_t*>(record);
  std::memset(rec, 0, s.recordSize);
  for (const Column& c : s.columns) rec[c.nullOff] = 1;
  return DBERR_NONE;
}

DBResult Cursor::CurDelete() {
  if (store_ == nullptr) return DBERR_NOTINITIALIZED;
  Sync();
  if (where_ != Where::On) return DBERR_NOCURRREC;
  const uint32_t position = position_;
  const DBResult status = store_->DeleteRow(rowId_);
  if (status != DBERR_NONE) return status;
  generation_ = store_->Generation();
  if (position < store_->VisibleCount()) {
    SetOn(position);
  } else {
    where_ = Where::Eof;
  }
  return DBERR_NONE;
}

DBResult Cursor::CurModify(const void* record) {
  if (store_ == nullptr || record == nullptr) return DBERR_INVALIDPARAM;
  Sync();
  if (where_ != Where::On) return DBERR_NOCURRREC;
  return store_->ModifyRow(rowId_, static_cast<const uint8_t*>(record));
}

DBResult Cursor::CurInsert(const void* record) {
  if (store_ == nullptr || record == nullptr) return DBERR_INVALIDPARAM;
  Sync();
  uint32_t position = 0;
  switch (where_) {
    case Where::Bof:
      position = 0;
      break;
    case Where::Eof:
      position = store_->VisibleCount();
      break;
    default:
      position = position_;
      break;
  }
  uint32_t id = 0;
  const DBResult status = store_->InsertRow(position, static_cast<const uint8_t*>(record), id);
  if (status != DBERR_NONE) return status;
  generation_ = store_->Generation();
  SetOn(position);
  return DBERR_NONE;
}

DBResult Cursor::CurLocate(const void* filter, uint32_t size) {
  if (store_ == nullptr || filter == nullptr) return DBERR_INVALIDPARAM;
  Sync();
  Filter compiled;
  const Structure& s = store_->Shape();
  const DBResult status = compiled.Compile(s, static_cast<const uint8_t*>(filter), size);
  if (status != DBERR_NONE) return status;
  const uint32_t count = store_->VisibleCount();
  uint32_t start = 0;
  if (where_ == Where::On) start = position_ + 1;
  if (where_ == Where::Eof) start = count;
  for (uint32_t p = start; p < count; ++p) {
    if (compiled.Matches(s, store_->RowById(store_->RowIdAt(p)).data)) {
      SetOn(p);
      return DBERR_NONE;
    }
  }
  return DBERR_RECNOTFOUND;
}

}  // namespace dsengine
