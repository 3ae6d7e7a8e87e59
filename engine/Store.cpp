#include "engine/Store.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

namespace dsengine {

namespace {
constexpr size_t kBlockSize = 1 << 20;
constexpr uint8_t kDead = DSREC_DELETED | DSREC_INSERTED;  // inserted, then deleted or undone
}  // namespace

uint8_t* Arena::Allocate(size_t bytes) {
  if (bytes == 0) bytes = 1;
  if (bytes > left_) {
    const size_t size = std::max(bytes, kBlockSize);
    blocks_.push_back(std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]));
    if (!blocks_.back()) {
      blocks_.pop_back();
      return nullptr;
    }
    next_ = blocks_.back().get();
    left_ = size;
    reserved_ += size;
  }
  uint8_t* p = next_;
  next_ += bytes;
  left_ -= bytes;
  return p;
}

const uint8_t* Store::CopyRow(const uint8_t* data, size_t length) {
  uint8_t* p = arena_.Allocate(length);
  if (p != nullptr) std::memcpy(p, data, length);
  return p;
}

void Store::AdoptStructure(const Structure& s) {
  structure_ = s;
  initialized_ = true;
}

void Store::AppendRow(const uint8_t* data, uint32_t length, uint8_t attr) {
  rows_.push_back(Row{data, length, attr});
  order_.push_back(static_cast<uint32_t>(rows_.size() - 1));
}

void Store::Touched() {
  ++generation_;
  positionsValid_ = false;
}

DBResult Store::DsAppendPacket(const uint8_t* packet, uint32_t length, int32_t last) {
  ParsedPacket parsed;
  // The rows are kept exactly as the packet holds them, copied into the arena as they are read.
  const DBResult status =
      ParsePacket(packet, length, parsed, [this](size_t bytes) { return arena_.Allocate(bytes); });
  if (status != DBERR_NONE) return status;
  if (initialized_ && !structure_.SameColumns(parsed.structure)) return DBERR_STRUCTMISMATCH;
  if (!initialized_) AdoptStructure(parsed.structure);
  const size_t count = parsed.rowOffsets.size();
  rows_.reserve(rows_.size() + count);
  order_.reserve(order_.size() + count);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t begin = parsed.rowOffsets[i];
    const uint32_t end = i + 1 < count ? parsed.rowOffsets[i + 1] : parsed.rowsLength;
    const uint8_t* row = parsed.rows + begin;
    AppendRow(row, end - begin, static_cast<uint8_t>(row[0] & 0x0F));
  }
  lastPacket_ = last != 0;
  Touched();
  return DBERR_NONE;
}

DBResult Store::DsProps(DSProps* props) {
  if (props == nullptr) return DBERR_INVALIDPARAM;
  if (!initialized_) return DBERR_NOTINITIALIZED;
  props->iFields = static_cast<uint32_t>(structure_.columns.size());
  props->iRecBufSize = structure_.recordSize;
  props->iBookmarkSize = 4;
  props->iRecordCount = VisibleCount();
  props->iPacketVersion = structure_.version;
  props->bReadOnly = readOnly_ ? 1 : 0;
  return DBERR_NONE;
}

DBResult Store::DsFieldDescs(DSFLDDesc* descs) {
  if (descs == nullptr) return DBERR_INVALIDPARAM;
  if (!initialized_) return DBERR_NOTINITIALIZED;
  for (size_t i = 0; i < structure_.columns.size(); ++i) {
    const Column& c = structure_.columns[i];
    DSFLDDesc& d = descs[i];
    std::memset(&d, 0, sizeof d);
    std::memcpy(d.szName, c.name.data(), std::min<size_t>(c.name.size(), 31));
    d.iFldType = c.code;
    d.iFldSubType = c.subType;
    d.iTypeWord = c.typeWord;
    d.iUnits1 = c.units1;
    d.iUnits2 = c.units2;
    d.iFldLen = c.slotLen;
    d.iFldOffsInRec = c.slotOff;
    d.iNullOffsInRec = c.nullOff;
    d.iFldAttr = c.attr;
  }
  return DBERR_NONE;
}

DBResult Store::DsOptParam(uint32_t level, uint32_t field, const char* name, uint32_t* type,
                           uint32_t* length, const void** value) {
  if (level != 0 || name == nullptr) return DBERR_INVALIDPARAM;
  if (!initialized_) return DBERR_NOTINITIALIZED;
  const Attribute* a = structure_.FindAttribute(field, name);
  if (a == nullptr) return DBERR_NOTFOUND;
  if (type != nullptr) *type = a->type;
  if (length != nullptr) *length = static_cast<uint32_t>(a->value.size());
  if (value != nullptr) *value = a->value.data();
  return DBERR_NONE;
}

DBResult Store::DsGetProp(uint32_t prop, void* value) {
  if (value == nullptr) return DBERR_INVALIDPARAM;
  switch (prop) {
    case dspropREADONLY:
      *static_cast<int32_t*>(value) = readOnly_ ? 1 : 0;
      return DBERR_NONE;
    case dspropNOOFCHANGES:
      *static_cast<uint32_t*>(value) = ChangeCount();
      return DBERR_NONE;
    case dspropDSISPARTIAL:
      *static_cast<int32_t*>(value) = partial_ ? 1 : 0;
      return DBERR_NONE;
    case dspropKEEPTRAILINGBLANKS:
      *static_cast<int32_t*>(value) = keepTrailingBlanks_ ? 1 : 0;
      return DBERR_NONE;
    case dspropCHANGESMADE:
      *static_cast<int32_t*>(value) = ChangeCount() > 0 ? 1 : 0;
      return DBERR_NONE;
    case dspropMEMORYUSED:
      *static_cast<uint64_t*>(value) =
          arena_.BytesReserved() + rows_.capacity() * sizeof(Row) +
          order_.capacity() * sizeof(uint32_t) + positions_.capacity() * sizeof(int32_t) +
          log_.capacity() * sizeof(LogEntry) + touched_.capacity() * sizeof(uint32_t);
      return DBERR_NONE;
    default:
      return DBERR_NOTSUPPORTED;
  }
}

DBResult Store::DsSetProp(uint32_t prop, uintptr_t value) {
  switch (prop) {
    case dspropREADONLY:
      readOnly_ = value != 0;
      return DBERR_NONE;
    case dspropDSISPARTIAL:
      partial_ = value != 0;
      return DBERR_NONE;
    case dspropKEEPTRAILINGBLANKS:
      keepTrailingBlanks_ = value != 0;
      return DBERR_NONE;
    default:
      return DBERR_NOTSUPPORTED;
  }
}

int64_t Store::PositionOf(uint32_t id) const {
  if (id >= rows_.size()) return -1;
  if (!positionsValid_) {
    positions_.assign(rows_.size(), -1);
    for (size_t i = 0; i < order_.size(); ++i) positions_[order_[i]] = static_cast<int32_t>(i);
    positionsValid_ = true;
  }
  return positions_[id];
}

Store::Original Store::OriginalOf(uint32_t id) const {
  for (const LogEntry& e : log_) {
    if (e.id == id) return Original{e.prevData, e.prevLength};
  }
  return Original{rows_[id].data, rows_[id].length};
}

uint32_t Store::ChangeCount() const {
  uint32_t count = 0;
  for (uint32_t id : touched_) {
    const uint8_t attr = rows_[id].attr;
    if ((attr & kDead) != kDead && (attr & (DSREC_DELETED | DSREC_INSERTED | DSREC_MODIFIED))) {
      ++count;
    }
  }
  return count;
}

void Store::RebuildTouched() {
  touched_.clear();
  std::vector<bool> seen(rows_.size(), false);
  for (const LogEntry& e : log_) {
    if (!seen[e.id]) {
      seen[e.id] = true;
      touched_.push_back(e.id);
    }
  }
}

DBResult Store::ModifyRow(uint32_t id, const uint8_t* record) {
  if (readOnly_) return DBERR_READONLY;
  Row& row = rows_[id];
  PackRecord(structure_, record, 0, TrimBlanks(), scratch_, row.data);
  const uint8_t attr = row.attr & (DSREC_INSERTED | DSREC_MODIFIED);
  const uint8_t newAttr = (attr & DSREC_INSERTED) ? attr : DSREC_MODIFIED;
  scratch_[0] = static_cast<uint8_t>((scratch_[0] & ~0x0F) | newAttr);
  const uint8_t* data = CopyRow(scratch_.data(), scratch_.size());
  if (data == nullptr) return DBERR_NOMEMORY;
  if (std::find(touched_.begin(), touched_.end(), id) == touched_.end()) touched_.push_back(id);
  log_.push_back(LogEntry{Change::Modify, row.attr, id, 0, row.data, row.length});
  row.data = data;
  row.length = static_cast<uint32_t>(scratch_.size());
  row.attr = newAttr;
  ++generation_;
  return DBERR_NONE;
}

DBResult Store::InsertRow(uint32_t position, const uint8_t* record, uint32_t& id) {
  if (readOnly_) return DBERR_READONLY;
  if (position > order_.size()) return DBERR_INVALIDPARAM;
  PackRecord(structure_, record, DSREC_INSERTED, TrimBlanks(), scratch_);
  const uint8_t* data = CopyRow(scratch_.data(), scratch_.size());
  if (data == nullptr) return DBERR_NOMEMORY;
  id = static_cast<uint32_t>(rows_.size());
  rows_.push_back(Row{data, static_cast<uint32_t>(scratch_.size()), DSREC_INSERTED});
  order_.insert(order_.begin() + position, id);
  touched_.push_back(id);
  log_.push_back(LogEntry{Change::Insert, 0, id, position, nullptr, 0});
  Touched();
  return DBERR_NONE;
}

DBResult Store::DeleteRow(uint32_t id) {
  if (readOnly_) return DBERR_READONLY;
  const int64_t position = PositionOf(id);
  if (position < 0) return DBERR_NOCURRREC;
  Row& row = rows_[id];
  if (std::find(touched_.begin(), touched_.end(), id) == touched_.end()) touched_.push_back(id);
  log_.push_back(LogEntry{Change::Delete, row.attr, id, static_cast<uint32_t>(position), row.data,
                          row.length});
  row.attr = static_cast<uint8_t>(row.attr | DSREC_DELETED);
  order_.erase(order_.begin() + position);
  Touched();
  return DBERR_NONE;
}

DBResult Store::DsAcceptChanges() {
  for (uint32_t id : touched_) {
    Row& row = rows_[id];
    // Deleted rows are gone for good; the rest become base rows.
    row.attr = (row.attr & DSREC_DELETED) ? kDead : 0;
    // The arena is the store's own memory: the row's status byte is cleared in place.
    if (row.attr == 0 && row.length > 0) const_cast<uint8_t*>(row.data)[0] &= ~0x0F;
  }
  log_.clear();
  touched_.clear();
  Touched();
  return DBERR_NONE;
}

DBResult Store::DsRollBack(uint32_t savePoint) {
  if (savePoint > log_.size()) return DBERR_INVALIDPARAM;
  while (log_.size() > savePoint) {
    const LogEntry e = log_.back();
    log_.pop_back();
    Row& row = rows_[e.id];
    switch (e.kind) {
      case Change::Modify:
        row.data = e.prevData;
        row.length = e.prevLength;
        row.attr = e.prevAttr;
        break;
      case Change::Insert: {
        auto it = std::find(order_.begin(), order_.end(), e.id);
        if (it != order_.end()) order_.erase(it);
        row.attr = kDead;
        break;
      }
      case Change::Delete:
        order_.insert(order_.begin() + std::min<size_t>(e.position, order_.size()), e.id);
        row.attr = e.prevAttr;
        break;
    }
  }
  RebuildTouched();
  Touched();
  return DBERR_NONE;
}

DBResult Store::DsDelta(IDSBase** delta) {
  if (delta == nullptr) return DBERR_INVALIDPARAM;
  if (!initialized_) return DBERR_NOTINITIALIZED;
  Store* d = new (std::nothrow) Store();
  if (d == nullptr) return DBERR_NOMEMORY;
  Structure s = structure_;
  s.kind = 1;
  d->AdoptStructure(s);
  std::unordered_map<uint32_t, Original> originals;
  for (const LogEntry& e : log_) {
    if (originals.find(e.id) == originals.end() && e.prevAttr == 0 && e.prevData != nullptr) {
      originals.emplace(e.id, Original{e.prevData, e.prevLength});
    }
  }
  std::vector<uint8_t> original(s.recordSize), current(s.recordSize), row;
  for (uint32_t id : touched_) {
    const Row& r = rows_[id];
    if ((r.attr & kDead) == kDead || r.attr == 0) continue;
    auto orig = originals.find(id);
    if (r.attr & DSREC_INSERTED) {
      row.assign(r.data, r.data + r.length);
      row[0] = DSREC_INSERTED;
      d->AppendRow(d->CopyRow(row.data(), row.size()), static_cast<uint32_t>(row.size()),
                   DSREC_INSERTED);
      continue;
    }
    if (orig == originals.end()) continue;
    if (r.attr & DSREC_DELETED) {
      row.assign(orig->second.data, orig->second.data + orig->second.length);
      row[0] = DSREC_DELETED;
      d->AppendRow(d->CopyRow(row.data(), row.size()), static_cast<uint32_t>(row.size()),
                   DSREC_DELETED);
      continue;
    }
    // Modified: the unchanged row, then a row holding only the changed values.
    row.assign(orig->second.data, orig->second.data + orig->second.length);
    row[0] = DSREC_ORIGINAL;
    d->AppendRow(d->CopyRow(row.data(), row.size()), static_cast<uint32_t>(row.size()),
                 DSREC_ORIGINAL);
    UnpackRow(structure_, orig->second.data, original.data());
    UnpackRow(structure_, r.data, current.data());
    for (const Column& c : s.columns) {
      if (original[c.nullOff] == current[c.nullOff] &&
          (current[c.nullOff] != 0 ||
           std::memcmp(&original[c.slotOff], &current[c.slotOff], c.slotLen) == 0)) {
        current[c.nullOff] = 2;
      }
    }
    PackRecord(s, current.data(), DSREC_MODIFIED, false, row);
    d->AppendRow(d->CopyRow(row.data(), row.size()), static_cast<uint32_t>(row.size()),
                 DSREC_MODIFIED);
  }
  d->Touched();
  *delta = d;
  return DBERR_NONE;
}

DBResult Store::DsStream(const uint8_t** packet, uint32_t* length) {
  if (packet == nullptr || length == nullptr) return DBERR_INVALIDPARAM;
  if (!initialized_) return DBERR_NOTINITIALIZED;
  stream_.clear();
  WritePacketPrefix(structure_, stream_);
  for (uint32_t id : order_) {
    const Row& r = rows_[id];
    stream_.insert(stream_.end(), r.data, r.data + r.length);
  }
  FinishPacket(stream_, static_cast<uint32_t>(order_.size()));
  *packet = stream_.data();
  *length = static_cast<uint32_t>(stream_.size());
  return DBERR_NONE;
}

DBResult Store::DsReconcile(IDSBase*, const uint8_t*, uint32_t, const uint8_t* errorPacket,
                            uint32_t errorLength, void*, void*) {
  // The error packet names the delta rows that failed (ERROR_RECORDNO) and the resolver's
  // response plus 1 (ERROR_RESPONSE); an abort (2) keeps every change.
  std::vector<uint32_t> failed;
  if (errorPacket != nullptr) {
    ParsedPacket parsed;
    const DBResult status = ParsePacket(errorPacket, errorLength, parsed);
    if (status != DBERR_NONE) return status;
    const Structure& e = parsed.structure;
    int recordNo = -1, response = -1;
    for (size_t i = 0; i < e.columns.size(); ++i) {
      if (e.columns[i].typeWord != DSTypeWord(DSFLD_INT, 4)) continue;
      if (e.columns[i].name == "ERROR_RECORDNO") recordNo = static_cast<int>(i);
      if (e.columns[i].name == "ERROR_RESPONSE") response = static_cast<int>(i);
    }
    if (recordNo < 0) return DBERR_INVALIDPACKET;
    for (uint32_t offset : parsed.rowOffsets) {
      const uint8_t* row = parsed.rows + offset;
      const ValueView no = RowValue(e, row, static_cast<uint32_t>(recordNo));
      if (no.state == 0) failed.push_back(GetU32(no.data));
      if (response >= 0) {
        const ValueView r = RowValue(e, row, static_cast<uint32_t>(response));
        if (r.state == 0 && GetU32(r.data) == 2) return DBERR_NONE;
      }
    }
  }
  // Delta row numbers of each changed row, as DsDelta lays them out.
  std::vector<uint32_t> keep;
  uint32_t deltaRow = 0;
  for (uint32_t id : touched_) {
    const Row& r = rows_[id];
    uint32_t rowsInDelta = 0;
    if ((r.attr & kDead) == kDead || r.attr == 0) {
      rowsInDelta = 0;
    } else if (r.attr & DSREC_INSERTED) {
      rowsInDelta = 1;
    } else if (OriginalOf(id).data != nullptr) {
      rowsInDelta = (r.attr & DSREC_DELETED) ? 1 : 2;
    }
    for (uint32_t k = 1; k <= rowsInDelta; ++k) {
      if (std::find(failed.begin(), failed.end(), deltaRow + k) != failed.end()) {
        keep.push_back(id);
        break;
      }
    }
    deltaRow += rowsInDelta;
  }
  for (uint32_t id : touched_) {
    if (std::find(keep.begin(), keep.end(), id) != keep.end()) continue;
    Row& row = rows_[id];
    row.attr = (row.attr & DSREC_DELETED) ? kDead : 0;
    if (row.attr == 0 && row.length > 0) const_cast<uint8_t*>(row.data)[0] &= ~0x0F;
  }
  log_.erase(std::remove_if(log_.begin(), log_.end(),
                            [&keep](const LogEntry& e) {
                              return std::find(keep.begin(), keep.end(), e.id) == keep.end();
                            }),
             log_.end());
  RebuildTouched();
  Touched();
  return DBERR_NONE;
}

DBResult Store::DsClone(uint32_t mode, uint32_t, IDSBase** clone) {
  if (clone == nullptr || mode > 1) return DBERR_INVALIDPARAM;
  if (!initialized_) return DBERR_NOTINITIALIZED;
  Store* c = new (std::nothrow) Store();
  if (c == nullptr) return DBERR_NOMEMORY;
  c->AdoptStructure(structure_);
  if (mode == 1) {
    for (uint32_t id : order_) {
      const Row& r = rows_[id];
      c->AppendRow(c->CopyRow(r.data, r.length), r.length, r.attr);
    }
  }
  c->Touched();
  *clone = c;
  return DBERR_NONE;
}

DBResult Store::DsReleaseBlobs(uint32_t) { return DBERR_NONE; }

DBResult Store::DsErrorText(DBResult status, char* buffer) {
  if (buffer == nullptr) return DBERR_INVALIDPARAM;
  std::strncpy(buffer, StatusText(status), 2048);
  buffer[2048] = '\0';
  return DBERR_NONE;
}

}  // namespace dsengine
