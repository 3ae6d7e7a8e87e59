#include <cstring>

#include "engine/Cursor.h"

namespace dsengine {

namespace {
constexpr size_t kKeptCapacity = 4u << 20;
}  // namespace

DBResult Writer::WrXmlMode(uint32_t mode) { return mode == 0 ? DBERR_NONE : DBERR_NOTSUPPORTED; }

DBResult Writer::WrInit(uint32_t version, uint32_t columns) {
  if ((version != 1 && version != 3) || columns > 0xFFFF) return DBERR_INVALIDPARAM;
  structure_ = Structure();
  structure_.version = version;
  expectedColumns_ = columns;
  packet_.clear();
  rowCount_ = 0;
  valueIndex_ = 0;
  phase_ = columns == 0 ? Phase::Attributes : Phase::Columns;
  return DBERR_NONE;
}

DBResult Writer::WrColumn(const DSColumnDesc* column) {
  if (phase_ != Phase::Columns) return DBERR_WRITERSTATE;
  if (column == nullptr) return DBERR_INVALIDPARAM;
  const size_t nameLen = strnlen(column->szName, sizeof column->szName);
  if (nameLen == 0 || nameLen > 31) return DBERR_INVALIDPARAM;
  const DBResult status = CheckTypeWord(column->iType);
  if (status != DBERR_NONE) return status;
  Column c;
  c.name.assign(column->szName, nameLen);
  SetColumnType(c, column->iType);
  c.attr = column->iAttr & 7;
  structure_.columns.push_back(std::move(c));
  if (structure_.columns.size() == expectedColumns_) phase_ = Phase::Attributes;
  return DBERR_NONE;
}

DBResult Writer::WrAttribute(uint32_t column, const char* name, uint32_t type, uint32_t length,
                             const void* value) {
  if (phase_ != Phase::Attributes) return DBERR_WRITERSTATE;
  if (name == nullptr || name[0] == '\0') return DBERR_NONE;  // end of a nested set's attributes
  const size_t nameLen = std::strlen(name);
  if (nameLen > 31 || column > structure_.columns.size()) return DBERR_INVALIDPARAM;
  if (length > 0 && value == nullptr) return DBERR_INVALIDPARAM;
  Attribute a;
  a.column = static_cast<uint16_t>(column);
  a.name.assign(name, nameLen);
  a.type = type;
  if (length > 0) a.value.assign(static_cast<const char*>(value), length);
  structure_.attributes.push_back(std::move(a));
  return DBERR_NONE;
}

void Writer::StartRows() {
  structure_.ComputeLayout();
  packet_.clear();
  WritePacketPrefix(structure_, packet_);
  rowsStart_ = packet_.size();
  hasher_ = DSPacketHasher();
  hasher_.Feed(packet_.data() + DSPACKET_HEADER, rowsStart_ - DSPACKET_HEADER);
  rowsHasher_ = hasher_;
  phase_ = Phase::Rows;
}

DBResult Writer::WrValue(uint32_t status, uint32_t length, const void* data) {
  if (phase_ == Phase::Attributes) StartRows();
  if (phase_ != Phase::Rows) return DBERR_WRITERSTATE;
  const uint32_t n = static_cast<uint32_t>(structure_.columns.size());
  if (valueIndex_ == 0) {
    // Row status: one byte, then room for the null bitmap.
    if (status != 0 || length != 1 || data == nullptr) return DBERR_INVALIDPARAM;
    const uint8_t rowStatus = *static_cast<const uint8_t*>(data);
    if ((rowStatus & ~0x0F) != 0) return DBERR_INVALIDVALUE;
    rowStart_ = packet_.size();
    packet_.push_back(rowStatus);
    packet_.resize(packet_.size() + structure_.bitmapBytes, 0);
    valueIndex_ = 1;
  } else {
    const uint32_t index = valueIndex_ - 1;
    const Column& c = structure_.columns[index];
    // A BLOB left on the server is not kept by this engine: it reads as null.
    const bool isNull = status == 1 || (c.blob && length == 0x80000001u);
    if (!isNull) {
      if (status != 0 || (length > 0 && data == nullptr)) return DBERR_INVALIDPARAM;
      const uint8_t* bytes = static_cast<const uint8_t*>(data);
      if (!c.varying) {
        if (length != c.size) return DBERR_INVALIDVALUE;
      } else {
        const uint64_t limit = c.size == 1 ? 0xFF : c.size == 2 ? 0xFFFF : 0x7FFFFFFF;
        if (length > limit) return DBERR_INVALIDVALUE;
        if (c.size == 1) {
          packet_.push_back(static_cast<uint8_t>(length));
        } else if (c.size == 2) {
          PutU16(packet_, length);
        } else {
          PutU32(packet_, length);
        }
      }
      if (length > 0) packet_.insert(packet_.end(), bytes, bytes + length);
    } else {
      packet_[rowStart_ + 1 + index / 8] |= static_cast<uint8_t>(1u << (index % 8));
    }
    ++valueIndex_;
  }
  if (valueIndex_ == n + 1) {
    valueIndex_ = 0;
    ++rowCount_;
    hasher_.Feed(packet_.data() + DSPACKET_HEADER, packet_.size() - DSPACKET_HEADER);
  }
  return DBERR_NONE;
}

DBResult Writer::WrEndNested() { return DBERR_NOTSUPPORTED; }

DBResult Writer::WrPacket(const uint8_t** packet, uint32_t* length) {
  if (packet == nullptr || length == nullptr) return DBERR_INVALIDPARAM;
  if (phase_ == Phase::Attributes) StartRows();
  if (phase_ != Phase::Rows || valueIndex_ != 0) return DBERR_WRITERSTATE;
  if (packet_.size() > 0xFFFFFFF0u) return DBERR_NOMEMORY;
  DSPacketHasher hasher = hasher_;
  FinishPacket(packet_, rowCount_, &hasher);
  *packet = packet_.data();
  *length = static_cast<uint32_t>(packet_.size());
  return DBERR_NONE;
}

DBResult Writer::WrReset() {
  if (phase_ == Phase::Rows) {
    packet_.resize(rowsStart_);
    // A large packet's buffer is given back rather than kept beside the store that took its
    // rows; packets of a few thousand rows keep theirs for the next one.
    if (packet_.capacity() > kKeptCapacity) std::vector<uint8_t>(packet_).swap(packet_);
    rowCount_ = 0;
    valueIndex_ = 0;
    hasher_ = rowsHasher_;
  }
  return DBERR_NONE;
}

DBResult Writer::WrErrorText(DBResult status, char* buffer) {
  if (buffer == nullptr) return DBERR_INVALIDPARAM;
  std::strncpy(buffer, StatusText(status), 2048);
  buffer[2048] = '\0';
  return DBERR_NONE;
}

}  // namespace dsengine
