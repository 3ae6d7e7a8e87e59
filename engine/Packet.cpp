#include "engine/Packet.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace dsengine {
namespace {

struct SubTypeName {
  const char* name;
  int32_t subType;
};
constexpr SubTypeName kSubTypes[] = {{"FixedChar", dsstFixedChar},
                                     {"Money", dsstMoney},
                                     {"Binary", dsstBinary},
                                     {"Autoinc", dsstAutoinc},
                                     {"Text", dsstText},
                                     {"Graphics", dsstGraphics},
                                     {"Formatted", dsstFormatted},
                                     {"Ole", dsstOle},
                                     {"dBASEOle", dsstDBaseOle},
                                     {"TypedBinary", dsstTypedBinary},
                                     {"ADTNestedTable", dsstADTNestedTable},
                                     {"Reference", dsstReference},
                                     {"HBinary", dsstHBinary},
                                     {"HMemo", dsstHMemo},
                                     {"Guid", dsstGuid},
                                     {"WideText", dsstWideText}};

int32_t AttributeInt(const Attribute* a, int32_t fallback) {
  if (a == nullptr || a->value.size() != 4) return fallback;
  return static_cast<int32_t>(GetU32(reinterpret_cast<const uint8_t*>(a->value.data())));
}

// A bounds-checked reader over a byte range.
class Reader {
 public:
  Reader(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}
  bool Has(size_t n) const { return static_cast<size_t>(end_ - p_) >= n; }
  bool U8(uint32_t& v) {
    if (!Has(1)) return false;
    v = *p_++;
    return true;
  }
  bool U16(uint32_t& v) {
    if (!Has(2)) return false;
    v = GetU16(p_);
    p_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (!Has(4)) return false;
    v = GetU32(p_);
    p_ += 4;
    return true;
  }
  bool Bytes(size_t n, std::string& out) {
    if (!Has(n)) return false;
    out.assign(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return true;
  }
  const uint8_t* Pos() const { return p_; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

bool ValidName(const std::string& name) {
  return !name.empty() && name.size() <= 31 && name.find('\0') == std::string::npos;
}

}  // namespace

DBResult CheckTypeWord(uint32_t typeWord) {
  if ((typeWord & ~(DSTYPE_CODEMASK | DSTYPE_VARYING | 0xFFFFu)) != 0) return DBERR_NOTSUPPORTED;
  const uint32_t code = DSTypeCode(typeWord);
  const bool varying = (typeWord & DSTYPE_VARYING) != 0;
  const uint32_t size = DSTypeSize(typeWord);
  switch (code) {
    case DSFLD_ZSTRING:
    case DSFLD_UNICODE:
      return varying && (size == 1 || size == 2) ? DBERR_NONE : DBERR_INVALIDVALUE;
    case DSFLD_BYTES:
      if (varying) return size == 1 || size == 2 || size == 4 ? DBERR_NONE : DBERR_INVALIDVALUE;
      return size >= 1 && size <= 65535 ? DBERR_NONE : DBERR_INVALIDVALUE;
    case DSFLD_INT:
      return !varying && (size == 1 || size == 2 || size == 4 || size == 8) ? DBERR_NONE
                                                                            : DBERR_INVALIDVALUE;
    case DSFLD_BOOL:
      return !varying && (size == 1 || size == 2) ? DBERR_NONE : DBERR_INVALIDVALUE;
    case DSFLD_FLOAT:
      return !varying && size == 8 ? DBERR_NONE : DBERR_INVALIDVALUE;
    case DSFLD_BCD:
    case DSFLD_FMTBCD:
      return !varying && size >= 3 && size <= 34 ? DBERR_NONE : DBERR_INVALIDVALUE;
    case DSFLD_DATE:
    case DSFLD_TIME:
    case DSFLD_DATETIME:
      return !varying && (size == 4 || size == 8) ? DBERR_NONE : DBERR_INVALIDVALUE;
    case DSFLD_TIMESTAMP:
      return !varying && size == 16 ? DBERR_NONE : DBERR_INVALIDVALUE;
    default:
      return DBERR_NOTSUPPORTED;
  }
}

void SetColumnType(Column& c, uint32_t typeWord) {
  c.typeWord = typeWord;
  c.code = DSTypeCode(typeWord);
  c.varying = (typeWord & DSTYPE_VARYING) != 0;
  c.size = DSTypeSize(typeWord);
  c.blob = c.code == DSFLD_BYTES && c.varying && c.size == 4;
}

void Structure::ComputeLayout() {
  const uint32_t n = static_cast<uint32_t>(columns.size());
  bitmapBytes = (n + 7) / 8;
  uint32_t offset = n;  // null bytes first, then the slots
  for (uint32_t i = 0; i < n; ++i) {
    Column& c = columns[i];
    const Attribute* sub = FindAttribute(i + 1, "SUBTYPE");
    c.subType = dsstNone;
    if (sub != nullptr) {
      for (const SubTypeName& s : kSubTypes) {
        if (sub->value == s.name) c.subType = s.subType;
      }
    }
    const int32_t width = AttributeInt(FindAttribute(i + 1, "WIDTH"), -1);
    c.units2 = std::max(0, AttributeInt(FindAttribute(i + 1, "DECIMALS"), 0));
    switch (c.code) {
      case DSFLD_ZSTRING:
      case DSFLD_UNICODE: {
        const int32_t cap = c.size == 1 ? 255 : 32767;
        c.units1 = width > 0 ? std::min(width, cap) : cap;
        c.slotLen = static_cast<uint32_t>(c.units1 + 1);
        break;
      }
      case DSFLD_BYTES:
        if (c.blob) {
          c.units1 = std::max(0, width);
          c.slotLen = sizeof(DSBlobRef);
        } else if (c.varying) {
          const int32_t cap = c.size == 1 ? 255 : 65535;
          c.units1 = width > 0 ? std::min(width, cap) : (c.size == 1 ? 255 : 8192);
          c.slotLen = 2 + static_cast<uint32_t>(c.units1);
        } else {
          c.units1 = static_cast<int32_t>(c.size);
          c.slotLen = c.size;
        }
        break;
      case DSFLD_BCD:
      case DSFLD_FMTBCD: {
        const int32_t maxDigits = std::min<int32_t>(64, 2 * (static_cast<int32_t>(c.size) - 2));
        c.units1 = width > 0 ? std::min(width, maxDigits) : maxDigits;
        c.units2 = std::min(c.units2, c.units1);
        c.slotLen = c.size;
        break;
      }
      default:
        c.units1 = width > 0 ? width : 0;
        c.slotLen = c.size;
        break;
    }
    c.nullOff = i;
    c.slotOff = offset;
    offset += c.slotLen;
  }
  recordSize = std::max<uint32_t>(offset, 1);
}

const Attribute* Structure::FindAttribute(uint32_t column, const char* name) const {
  for (const Attribute& a : attributes) {
    if (a.column == column && strcasecmp(a.name.c_str(), name) == 0) return &a;
  }
  return nullptr;
}

bool Structure::SameColumns(const Structure& other) const {
  if (columns.size() != other.columns.size()) return false;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].name != other.columns[i].name ||
        columns[i].typeWord != other.columns[i].typeWord) {
      return false;
    }
  }
  return true;
}

uint32_t RowLength(const Structure& s, const uint8_t* row, size_t available) {
  const size_t bitmaps = s.bitmapBytes;
  if (available < 1 + bitmaps) return 0;
  const uint8_t status = row[0];
  const uint8_t allowed = s.kind == 1 ? 0x4F : 0x0F;
  if ((status & ~allowed) != 0) return 0;
  const bool sparse = (status & DSREC_SPARSE) != 0;
  size_t pos = 1 + bitmaps * (sparse ? 2 : 1);
  if (available < pos) return 0;
  const uint8_t* nulls = row + 1;
  const uint8_t* unchanged = sparse ? row + 1 + bitmaps : nullptr;
  const uint32_t n = static_cast<uint32_t>(s.columns.size());
  // Bits past the last column must be clear so that one row has one encoding.
  if (n % 8 != 0 && bitmaps > 0) {
    const uint8_t spare = static_cast<uint8_t>(0xFF << (n % 8));
    if ((nulls[bitmaps - 1] & spare) != 0) return 0;
    if (unchanged != nullptr && (unchanged[bitmaps - 1] & spare) != 0) return 0;
  }
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t bit = static_cast<uint8_t>(1u << (i % 8));
    const bool isNull = (nulls[i / 8] & bit) != 0;
    const bool isUnchanged = unchanged != nullptr && (unchanged[i / 8] & bit) != 0;
    if (isNull && isUnchanged) return 0;
    if (isNull || isUnchanged) continue;
    const Column& c = s.columns[i];
    size_t len = c.size;
    if (c.varying) {
      if (available - pos < c.size) return 0;
      const uint8_t* p = row + pos;
      len = c.size == 1 ? p[0] : c.size == 2 ? GetU16(p) : GetU32(p);
      pos += c.size;
    }
    if (available - pos < len) return 0;
    pos += len;
    if (pos > 0xFFFFFFF0u) return 0;
  }
  return static_cast<uint32_t>(pos);
}

DBResult ParsePacket(const uint8_t* packet, uint32_t length, ParsedPacket& out,
                     const std::function<uint8_t*(size_t)>& allocateRows) {
  if (packet == nullptr || length < DSPACKET_HEADER) return DBERR_INVALIDPACKET;
  if (GetU32(packet) != DSPACKET_MAGIC) return DBERR_INVALIDPACKET;
  const uint32_t version = packet[4];
  const uint32_t kind = packet[5];
  const uint32_t columnCount = GetU16(packet + 6);
  const uint32_t rowCount = GetU32(packet + 8);
  if ((version != 1 && version != 3) || kind > 1) return DBERR_INVALIDPACKET;
  if (GetU32(packet + 12) != length) return DBERR_INVALIDPACKET;
  Structure& s = out.structure;
  s = Structure();
  s.version = version;
  s.kind = kind;
  Reader r(packet + DSPACKET_HEADER, length - DSPACKET_HEADER);
  s.columns.resize(columnCount);
  for (uint32_t i = 0; i < columnCount; ++i) {
    Column& c = s.columns[i];
    uint32_t nameLen = 0, typeWord = 0, attr = 0;
    if (!r.U8(nameLen) || !r.Bytes(nameLen, c.name) || !ValidName(c.name)) {
      return DBERR_INVALIDPACKET;
    }
    if (!r.U32(typeWord) || !r.U16(attr) || CheckTypeWord(typeWord) != DBERR_NONE) {
      return DBERR_INVALIDPACKET;
    }
    if ((attr & ~7u) != 0) return DBERR_INVALIDPACKET;
    SetColumnType(c, typeWord);
    c.attr = attr;
  }
  uint32_t attrCount = 0;
  if (!r.U32(attrCount)) return DBERR_INVALIDPACKET;
  // Each attribute takes at least 12 bytes: a count beyond what remains is corrupt.
  if (!r.Has(static_cast<size_t>(attrCount) * 12)) return DBERR_INVALIDPACKET;
  s.attributes.resize(attrCount);
  for (uint32_t i = 0; i < attrCount; ++i) {
    Attribute& a = s.attributes[i];
    uint32_t column = 0, nameLen = 0, valueLen = 0;
    if (!r.U16(column) || column > columnCount || !r.U8(nameLen) || !r.Bytes(nameLen, a.name) ||
        !ValidName(a.name) || !r.U32(a.type) || !r.U32(valueLen) || !r.Bytes(valueLen, a.value)) {
      return DBERR_INVALIDPACKET;
    }
    a.column = static_cast<uint16_t>(column);
  }
  s.ComputeLayout();
  const uint8_t* rows = r.Pos();
  const size_t rowsLength = static_cast<size_t>(packet + length - rows);
  // Every row takes at least one status byte plus its bitmap.
  if (static_cast<uint64_t>(rowCount) * (1 + s.bitmapBytes) > rowsLength) {
    return DBERR_INVALIDPACKET;
  }
  // One pass over the rows: check each, feed the checksum and copy it while it is in cache.
  uint8_t* copy = nullptr;
  if (allocateRows && rowsLength > 0) {
    copy = allocateRows(rowsLength);
    if (copy == nullptr) return DBERR_NOMEMORY;
  }
  const uint8_t* body = packet + DSPACKET_HEADER;
  const size_t rowsStart = static_cast<size_t>(rows - body);
  DSPacketHasher hasher;
  hasher.Feed(body, rowsStart);
  out.rowOffsets.clear();
  out.rowOffsets.reserve(rowCount);
  size_t pos = 0;
  for (uint32_t i = 0; i < rowCount; ++i) {
    const uint32_t len = RowLength(s, rows + pos, rowsLength - pos);
    if (len == 0) return DBERR_INVALIDPACKET;
    out.rowOffsets.push_back(static_cast<uint32_t>(pos));
    if (copy != nullptr) std::memcpy(copy + pos, rows + pos, len);
    pos += len;
    hasher.Feed(body, rowsStart + pos);
  }
  if (pos != rowsLength) return DBERR_INVALIDPACKET;
  if (GetU32(packet + 16) != hasher.Finish(body, length - DSPACKET_HEADER)) {
    return DBERR_INVALIDPACKET;
  }
  out.rows = copy != nullptr ? copy : rows;
  out.rowsLength = static_cast<uint32_t>(rowsLength);
  return DBERR_NONE;
}

void WritePacketPrefix(const Structure& s, std::vector<uint8_t>& out) {
  out.resize(DSPACKET_HEADER, 0);
  SetU32(out.data(), DSPACKET_MAGIC);
  out[4] = static_cast<uint8_t>(s.version);
  out[5] = static_cast<uint8_t>(s.kind);
  out[6] = static_cast<uint8_t>(s.columns.size());
  out[7] = static_cast<uint8_t>(s.columns.size() >> 8);
  for (const Column& c : s.columns) {
    out.push_back(static_cast<uint8_t>(c.name.size()));
    out.insert(out.end(), c.name.begin(), c.name.end());
    PutU32(out, c.typeWord);
    PutU16(out, c.attr);
  }
  PutU32(out, static_cast<uint32_t>(s.attributes.size()));
  for (const Attribute& a : s.attributes) {
    PutU16(out, a.column);
    out.push_back(static_cast<uint8_t>(a.name.size()));
    out.insert(out.end(), a.name.begin(), a.name.end());
    PutU32(out, a.type);
    PutU32(out, static_cast<uint32_t>(a.value.size()));
    out.insert(out.end(), a.value.begin(), a.value.end());
  }
}

void FinishPacket(std::vector<uint8_t>& packet, uint32_t rowCount, DSPacketHasher* hasher) {
  SetU32(packet.data() + 8, rowCount);
  SetU32(packet.data() + 12, static_cast<uint32_t>(packet.size()));
  DSPacketHasher fresh;
  DSPacketHasher& h = hasher != nullptr ? *hasher : fresh;
  SetU32(packet.data() + 16,
         h.Finish(packet.data() + DSPACKET_HEADER, packet.size() - DSPACKET_HEADER));
}

ValueView RowValue(const Structure& s, const uint8_t* row, uint32_t index) {
  ValueView v;
  const bool sparse = (row[0] & DSREC_SPARSE) != 0;
  const uint8_t* nulls = row + 1;
  const uint8_t* unchanged = sparse ? row + 1 + s.bitmapBytes : nullptr;
  const uint8_t* p = row + 1 + s.bitmapBytes * (sparse ? 2 : 1);
  for (uint32_t i = 0;; ++i) {
    const uint8_t bit = static_cast<uint8_t>(1u << (i % 8));
    const bool isNull = (nulls[i / 8] & bit) != 0;
    const bool isUnchanged = unchanged != nullptr && (unchanged[i / 8] & bit) != 0;
    const Column& c = s.columns[i];
    uint32_t len = 0;
    const uint8_t* data = p;
    if (!isNull && !isUnchanged) {
      len = c.size;
      if (c.varying) {
        len = c.size == 1 ? p[0] : c.size == 2 ? GetU16(p) : GetU32(p);
        data = p + c.size;
      }
      p = data + len;
    }
    if (i == index) {
      v.state = isNull ? 1 : isUnchanged ? 2 : 0;
      v.data = data;
      v.length = len;
      return v;
    }
  }
}

void UnpackRow(const Structure& s, const uint8_t* row, uint8_t* record) {
  std::memset(record, 0, s.recordSize);
  const bool sparse = (row[0] & DSREC_SPARSE) != 0;
  const uint8_t* nulls = row + 1;
  const uint8_t* unchanged = sparse ? row + 1 + s.bitmapBytes : nullptr;
  const uint8_t* p = row + 1 + s.bitmapBytes * (sparse ? 2 : 1);
  const uint32_t n = static_cast<uint32_t>(s.columns.size());
  for (uint32_t i = 0; i < n; ++i) {
    const Column& c = s.columns[i];
    const uint8_t bit = static_cast<uint8_t>(1u << (i % 8));
    if (nulls[i / 8] & bit) {
      record[c.nullOff] = 1;
      continue;
    }
    if (unchanged != nullptr && (unchanged[i / 8] & bit)) {
      record[c.nullOff] = 2;
      continue;
    }
    uint8_t* slot = record + c.slotOff;
    if (!c.varying) {
      std::memcpy(slot, p, c.size);
      p += c.size;
      continue;
    }
    const uint32_t len = c.size == 1 ? p[0] : c.size == 2 ? GetU16(p) : GetU32(p);
    p += c.size;
    if (c.blob) {
      DSBlobRef ref{p, len, 0};
      std::memcpy(slot, &ref, sizeof ref);
    } else if (c.code == DSFLD_BYTES) {
      const uint32_t n2 = std::min<uint32_t>(len, static_cast<uint32_t>(c.units1));
      slot[0] = static_cast<uint8_t>(n2);
      slot[1] = static_cast<uint8_t>(n2 >> 8);
      std::memcpy(slot + 2, p, n2);
    } else {
      // Text: the slot keeps room for the terminator; longer values are cut.
      std::memcpy(slot, p, std::min<uint32_t>(len, c.slotLen - 1));
    }
    p += len;
  }
}

namespace {
// The length of `data` without its trailing blanks.
uint32_t TrimmedLength(const uint8_t* data, uint32_t length) {
  while (length > 0 && data[length - 1] == ' ') --length;
  return length;
}
}  // namespace

void PackRecord(const Structure& s, const uint8_t* record, uint8_t status, bool trimBlanks,
                std::vector<uint8_t>& out, const uint8_t* previous) {
  const uint32_t n = static_cast<uint32_t>(s.columns.size());
  bool sparse = false;
  if (s.kind == 1) {
    for (uint32_t i = 0; i < n; ++i) sparse = sparse || record[s.columns[i].nullOff] == 2;
  }
  out.clear();
  out.push_back(static_cast<uint8_t>(status | (sparse ? DSREC_SPARSE : 0)));
  out.resize(1 + s.bitmapBytes * (sparse ? 2 : 1), 0);
  for (uint32_t i = 0; i < n; ++i) {
    const Column& c = s.columns[i];
    const uint8_t nullByte = record[c.nullOff];
    const uint8_t bit = static_cast<uint8_t>(1u << (i % 8));
    if (nullByte == 1 || (nullByte == 2 && !sparse)) {
      out[1 + i / 8] |= bit;
      continue;
    }
    if (nullByte == 2) {
      out[1 + s.bitmapBytes + i / 8] |= bit;
      continue;
    }
    const uint8_t* slot = record + c.slotOff;
    if (!c.varying) {
      out.insert(out.end(), slot, slot + c.size);
      continue;
    }
    const uint8_t* data = slot;
    uint32_t len = 0;
    if (c.blob) {
      DSBlobRef ref;
      std::memcpy(&ref, slot, sizeof ref);
      data = ref.pData;
      len = data == nullptr ? 0 : ref.iLength;
    } else if (c.code == DSFLD_BYTES) {
      len = std::min<uint32_t>(GetU16(slot), static_cast<uint32_t>(c.units1));
      data = slot + 2;
    } else {
      len = static_cast<uint32_t>(strnlen(reinterpret_cast<const char*>(slot), c.slotLen - 1));
      if (trimBlanks) {
        len = TrimmedLength(slot, len);
        // A text equal to the row's former one up to trailing blanks keeps the former bytes:
        // only a real change alters what the row holds.
        if (previous != nullptr) {
          const ValueView former = RowValue(s, previous, i);
          if (former.state == 0 && TrimmedLength(former.data, former.length) == len &&
              std::memcmp(former.data, slot, len) == 0) {
            data = former.data;
            len = former.length;
          }
        }
      }
    }
    if (c.size == 1) {
      out.push_back(static_cast<uint8_t>(len));
    } else if (c.size == 2) {
      PutU16(out, len);
    } else {
      PutU32(out, len);
    }
    if (len > 0) out.insert(out.end(), data, data + len);
  }
}

const char* StatusText(DBResult status) {
  switch (status) {
    case DBERR_NONE:
      return "No error";
    case DBERR_BOF:
      return "At beginning of table";
    case DBERR_EOF:
      return "At end of table";
    case DBERR_NOCURRREC:
      return "No current record";
    case DBERR_RECNOTFOUND:
      return "Record not found";
    case DBERR_INVALIDBOOKMARK:
      return "Invalid bookmark";
    case DBERR_INVALIDSEQNO:
      return "Invalid record number";
    case DBERR_COUNTNOTEXACT:
      return "Record count is not exact";
    case DBERR_INVALIDPARAM:
      return "Invalid parameter";
    case DBERR_INVALIDFIELDNO:
      return "Invalid field number";
    case DBERR_INVALIDVALUE:
      return "Invalid field value";
    case DBERR_NOTINITIALIZED:
      return "Object not initialized";
    case DBERR_NOTSUPPORTED:
      return "Capability not supported";
    case DBERR_NOMEMORY:
      return "Insufficient memory for this operation";
    case DBERR_INVALIDPACKET:
      return "Invalid data packet";
    case DBERR_STRUCTMISMATCH:
      return "Data packet does not match the data set's structure";
    case DBERR_READONLY:
      return "Trying to modify read-only field or data set";
    case DBERR_WRITERSTATE:
      return "Data packet writer called out of order";
    case DBERR_NOTFOUND:
      return "Attribute not found";
    case DBERR_FILTER:
      return "Invalid filter expression";
    default:
      return "Unknown engine error";
  }
}

}  // namespace dsengine
