#pragma once

// The engine's view of a packet: the structure (columns, attributes, record-buffer layout),
// the checked reader and the row codec shared by the store, its cursors and the writer.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/DSIntf.h"

namespace dsengine {

struct Column {
  std::string name;
  uint32_t typeWord = 0;
  uint32_t code = 0;
  bool varying = false;
  uint32_t size = 0;  // fixed: value bytes; varying: length prefix bytes (1, 2 or 4)
  uint32_t attr = 0;
  bool blob = false;
  int32_t subType = dsstNone;
  int32_t units1 = 0;
  int32_t units2 = 0;
  uint32_t slotLen = 0;
  uint32_t slotOff = 0;
  uint32_t nullOff = 0;
};

struct Attribute {
  uint16_t column = 0;
  std::string name;
  uint32_t type = 0;
  std::string value;
};

// Columns and attributes of a store or packet, and the record-buffer layout derived from them.
struct Structure {
  uint32_t version = 1;
  uint32_t kind = 0;  // 0 data packet, 1 change packet
  std::vector<Column> columns;
  std::vector<Attribute> attributes;
  uint32_t recordSize = 0;
  uint32_t bitmapBytes = 0;

  // Fills units, subtypes and the slot layout from the columns and their attributes.
  void ComputeLayout();
  const Attribute* FindAttribute(uint32_t column, const char* name) const;
  bool SameColumns(const Structure& other) const;
};

// Checks a column's type word: DBERR_NONE, or DBERR_NOTSUPPORTED / DBERR_INVALIDVALUE.
DBResult CheckTypeWord(uint32_t typeWord);
// Fills the type parts of `column` from its type word (which must have passed CheckTypeWord).
void SetColumnType(Column& column, uint32_t typeWord);

// A packet that passed every check: its structure and the bounds of each row.
struct ParsedPacket {
  Structure structure;
  const uint8_t* rows = nullptr;     // first row
  std::vector<uint32_t> rowOffsets;  // row i starts at rows + rowOffsets[i]
  uint32_t rowsLength = 0;           // bytes of all rows
};

// Reads `packet` of `length` bytes; never reads outside it. DBERR_INVALIDPACKET when
// truncated, corrupted or inconsistent. With `allocateRows`, the rows are copied into the
// block it returns (for the bytes of all rows) and `out.rows` points there.
DBResult ParsePacket(const uint8_t* packet, uint32_t length, ParsedPacket& out,
                     const std::function<uint8_t*(size_t)>& allocateRows = nullptr);

// Length of the row starting at `row` (at most `available` bytes are read); 0 when the row is
// malformed or does not fit.
uint32_t RowLength(const Structure& s, const uint8_t* row, size_t available);

// Appends the packet's header, columns and attributes (header counts and checksum are filled by
// FinishPacket).
void WritePacketPrefix(const Structure& s, std::vector<uint8_t>& out);
// Fills the row count, total length and checksum of a packet whose rows are all written;
// `hasher`, when given, has been fed the packet's first bytes already (from byte 20 on).
void FinishPacket(std::vector<uint8_t>& packet, uint32_t rowCount,
                  DSPacketHasher* hasher = nullptr);

// One column of a packed row.
struct ValueView {
  int32_t state = 0;  // 0 value, 1 null, 2 unchanged
  const uint8_t* data = nullptr;
  uint32_t length = 0;
};

// Reads column `index` of a packed row (which passed RowLength).
ValueView RowValue(const Structure& s, const uint8_t* row, uint32_t index);
// Unpacks a packed row into a record buffer of s.recordSize bytes.
void UnpackRow(const Structure& s, const uint8_t* row, uint8_t* record);
// Packs a record buffer into `out` (cleared first) with row status `status`. Columns whose null
// byte is 2 are written as unchanged (and DSREC_SPARSE is added) when `sparse` is allowed.
// With `trimBlanks`, texts lose their trailing blanks, except that a text equal up to trailing
// blanks to the same column of `previous` (the packed row being replaced, when given) keeps
// that row's bytes.
void PackRecord(const Structure& s, const uint8_t* record, uint8_t status, bool trimBlanks,
                std::vector<uint8_t>& out, const uint8_t* previous = nullptr);

// Text of an engine status.
const char* StatusText(DBResult status);

inline void PutU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline uint32_t GetU16(const uint8_t* p) { return p[0] | (p[1] << 8); }
inline uint32_t GetU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void SetU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace dsengine
