#pragma once

// The record store engine's interface (libdsengine.so): the data store (IDSBase), its cursors
// (IDSCursor) and the packet writer (IDSWriter), made through the library's only export,
// DllGetClassObject, by class identifier. Objects are reference counted: the first three
// operations of every interface are QueryInterface, AddRef and Release. Every other operation
// returns a 32-bit status (DBERR_NONE = 0); DsErrorText gives the text of a status.
//
// Data packet layout (all integers little-endian; a packet is read only after every length in
// it has been checked against the packet's end, so a truncated or corrupted packet is rejected
// with DBERR_INVALIDPACKET and nothing is read past its end):
//
//   header (20 bytes)
//     0  char[4]  magic "GDSP"
//     4  u8       packet version (1, or 3 when BLOBs stay on the server)
//     5  u8       packet kind: 0 data packet, 1 change packet (rows may hold unchanged values)
//     6  u16      column count
//     8  u32      row count
//     12 u32      total length of the packet in bytes
//     16 u32      checksum of bytes 20 .. end (DSPacketChecksum)
//   columns, one per column
//     u8 name length (1..31), name bytes, u32 type word, u16 attribute flags (DSATTR_*)
//   attributes
//     u32 count, then per attribute: u16 column (0 = data set), u8 name length (1..31), name
//     bytes, u32 type word (bit 31 = include in change packets), u32 value length, value bytes
//   rows, one per row
//     u8 row status (record attribute, DSREC_*; 0 in data packets)
//     null bitmap: ceil(columns / 8) bytes, bit (i % 8) of byte i / 8 set = column i is null
//     change packets only, when the status has DSREC_SPARSE: an "unchanged" bitmap of the
//     same size, a set bit = the column keeps its old value (no value written)
//     then each column that is neither null nor unchanged, in column order:
//       fixed types: exactly the size part of the type word in bytes
//       varying types (DSTYPE_VARYING): a length prefix of the size part in bytes (1, 2 or 4),
//         then that many bytes (text without terminator)
//
// Type words: packet type code (DSFLD_*) in bits 16..21, size part in bits 0..15, flag
// DSTYPE_VARYING (0x400000); nested kinds (0x800000 and above) are not supported.
// Text (9) and wide text (10, held as Windows-1252 bytes too): varying, prefix 1 or 2.
// Integers (1): 1, 2, 4 or 8 bytes. Boolean (3): 1 or 2. Float (4): 8. BCD (5) and formatted
// BCD (18): the first 2 + ceil(precision / 2) bytes of the 34-byte TBcd value. Date (6), time
// (7), date-time (8): 4 or 8 (the client's native value; 8-byte day counts here). Timestamp
// (17): 16. Bytes (11): fixed size, or varying with prefix 2 (varying bytes) or 4 (BLOBs).
// Column attributes "WIDTH" (characters, or BCD digits) and "DECIMALS" size the text and BCD
// slots of record buffers; "SUBTYPE" names the finer kind (FixedChar, Money, Autoinc, ...).
//
// Record buffers (CurRecord, CurGetField, CurPutField, CurModify, CurInsert) are the engine's
// fixed layout of DSProps::iRecBufSize bytes: per field one null byte at iNullOffsInRec (0
// value, 1 null, 2 unchanged) and iFldLen data bytes at iFldOffsInRec. Text slots hold the
// bytes and a terminating zero (WIDTH + 1 bytes); varying byte slots a u16 length and the
// bytes; BLOB slots a DSBlobRef (pointer and length of bytes owned by the store or, while
// editing, the caller). Bookmarks are DSProps::iBookmarkSize (4) bytes: the row's stable id.
// Values longer than their slot are cut to it when a row is read into a record buffer.

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Identifiers and statuses

struct DSGUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};

inline bool operator==(const DSGUID& a, const DSGUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}

// {00000000-0000-0000-C000-000000000046} and {00000001-0000-0000-C000-000000000046}.
inline constexpr DSGUID IID_IDSUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr DSGUID IID_IDSClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// Data store, cursor and writer classes and their interfaces.
inline constexpr DSGUID CLSID_DSBase = {
    0x5C3A7B11, 0x6D2E, 0x4F10, {0x9A, 0x41, 0x3B, 0x7C, 0x55, 0xE2, 0xD8, 0x10}};
inline constexpr DSGUID IID_IDSBase = {
    0x5C3A7B12, 0x6D2E, 0x4F10, {0x9A, 0x41, 0x3B, 0x7C, 0x55, 0xE2, 0xD8, 0x10}};
inline constexpr DSGUID CLSID_DSCursor = {
    0x5C3A7B13, 0x6D2E, 0x4F10, {0x9A, 0x41, 0x3B, 0x7C, 0x55, 0xE2, 0xD8, 0x10}};
inline constexpr DSGUID IID_IDSCursor = {
    0x5C3A7B14, 0x6D2E, 0x4F10, {0x9A, 0x41, 0x3B, 0x7C, 0x55, 0xE2, 0xD8, 0x10}};
inline constexpr DSGUID CLSID_DSWriter = {
    0x5C3A7B15, 0x6D2E, 0x4F10, {0x9A, 0x41, 0x3B, 0x7C, 0x55, 0xE2, 0xD8, 0x10}};
inline constexpr DSGUID IID_IDSWriter = {
    0x5C3A7B16, 0x6D2E, 0x4F10, {0x9A, 0x41, 0x3B, 0x7C, 0x55, 0xE2, 0xD8, 0x10}};
// The registry key (under HKEY_CLASSES_ROOT) whose default value names the engine library.
inline constexpr const char* DSBASE_CLSID_TEXT = "{5C3A7B11-6D2E-4F10-9A41-3B7C55E2D810}";

using DBResult = int32_t;

// COM statuses of the object-making path.
inline constexpr DBResult DS_S_OK = 0;
inline constexpr DBResult DS_E_NOINTERFACE = static_cast<DBResult>(0x80004002u);
inline constexpr DBResult DS_E_POINTER = static_cast<DBResult>(0x80004003u);
inline constexpr DBResult DS_E_OUTOFMEMORY = static_cast<DBResult>(0x8007000Eu);
inline constexpr DBResult DS_CLASS_E_NOAGGREGATION = static_cast<DBResult>(0x80040110u);
inline constexpr DBResult DS_CLASS_E_CLASSNOTAVAILABLE = static_cast<DBResult>(0x80040111u);

// Engine statuses.
inline constexpr DBResult DBERR_NONE = 0;
inline constexpr DBResult DBERR_BOF = 0x2201;          // before the first row
inline constexpr DBResult DBERR_EOF = 0x2202;          // after the last row
inline constexpr DBResult DBERR_NOCURRREC = 0x2205;    // no current row
inline constexpr DBResult DBERR_RECNOTFOUND = 0x2206;  // locate found no row
inline constexpr DBResult DBERR_INVALIDBOOKMARK = 0x2207;
inline constexpr DBResult DBERR_INVALIDSEQNO = 0x2208;
inline constexpr DBResult DBERR_COUNTNOTEXACT = 0x400A;  // CurCount: count is an estimate
inline constexpr DBResult DBERR_INVALIDPARAM = 0x2401;
inline constexpr DBResult DBERR_INVALIDFIELDNO = 0x2402;
inline constexpr DBResult DBERR_INVALIDVALUE = 0x2403;
inline constexpr DBResult DBERR_NOTINITIALIZED = 0x2404;
inline constexpr DBResult DBERR_NOTSUPPORTED = 0x3E05;
inline constexpr DBResult DBERR_NOMEMORY = 0x2501;
inline constexpr DBResult DBERR_INVALIDPACKET = 0x3E01;   // truncated or corrupted packet
inline constexpr DBResult DBERR_STRUCTMISMATCH = 0x3E02;  // packet columns differ from store
inline constexpr DBResult DBERR_READONLY = 0x3E03;        // store is read-only
inline constexpr DBResult DBERR_WRITERSTATE = 0x3E04;     // writer call out of order
inline constexpr DBResult DBERR_NOTFOUND = 0x3E06;        // attribute not present
inline constexpr DBResult DBERR_FILTER = 0x3E07;          // compiled filter cannot be read

// ---------------------------------------------------------------------------------------------
// Packet type codes, type word parts, column and row attributes

inline constexpr uint32_t DSFLD_INT = 1;
inline constexpr uint32_t DSFLD_BOOL = 3;
inline constexpr uint32_t DSFLD_FLOAT = 4;
inline constexpr uint32_t DSFLD_BCD = 5;
inline constexpr uint32_t DSFLD_DATE = 6;
inline constexpr uint32_t DSFLD_TIME = 7;
inline constexpr uint32_t DSFLD_DATETIME = 8;
inline constexpr uint32_t DSFLD_ZSTRING = 9;
inline constexpr uint32_t DSFLD_UNICODE = 10;
inline constexpr uint32_t DSFLD_BYTES = 11;
inline constexpr uint32_t DSFLD_ADT = 12;
inline constexpr uint32_t DSFLD_ARRAY = 13;
inline constexpr uint32_t DSFLD_EMBEDDEDTBL = 14;
inline constexpr uint32_t DSFLD_TIMESTAMP = 17;
inline constexpr uint32_t DSFLD_FMTBCD = 18;

inline constexpr uint32_t DSTYPE_CODEMASK = 0x3F0000;
inline constexpr uint32_t DSTYPE_VARYING = 0x400000;
inline constexpr uint32_t DSTYPE_ARRAY = 0x800000;
inline constexpr uint32_t DSTYPE_INCLUDEINDELTA = 0x80000000u;  // attribute type words only

inline constexpr uint32_t DSTypeWord(uint32_t code, uint32_t size) { return (code << 16) | size; }
inline constexpr uint32_t DSTypeCode(uint32_t word) { return (word & DSTYPE_CODEMASK) >> 16; }
inline constexpr uint32_t DSTypeSize(uint32_t word) { return word & 0xFFFF; }
// Byte size of a BCD value of `precision` digits as packets hold it.
inline constexpr uint32_t DSBcdSize(uint32_t precision) {
  return precision / 2 + (precision & 1) + 2;
}

// Attribute value type words.
inline constexpr uint32_t DSATTR_TYPE_BOOL = DSTypeWord(DSFLD_BOOL, 2);
inline constexpr uint32_t DSATTR_TYPE_INT = DSTypeWord(DSFLD_INT, 4);
inline constexpr uint32_t DSATTR_TYPE_TEXT = DSTypeWord(DSFLD_ZSTRING, DSTYPE_VARYING | 4);
inline constexpr uint32_t DSATTR_TYPE_BYTES = DSTypeWord(DSFLD_BYTES, DSTYPE_VARYING | 4);

// Column attribute flags.
inline constexpr uint32_t DSATTR_HIDDEN = 1;
inline constexpr uint32_t DSATTR_READONLY = 2;
inline constexpr uint32_t DSATTR_REQUIRED = 4;

// Record attributes (CurAttr, row status of packets).
inline constexpr uint32_t DSREC_ORIGINAL = 1;  // unchanged row of a modified pair (change log)
inline constexpr uint32_t DSREC_DELETED = 2;
inline constexpr uint32_t DSREC_INSERTED = 4;
inline constexpr uint32_t DSREC_MODIFIED = 8;
inline constexpr uint32_t DSREC_SPARSE = 0x40;  // change packets: an unchanged bitmap follows

// Field subtypes reported by DsFieldDescs (from the "SUBTYPE" column attribute).
enum DSSubType : int32_t {
  dsstNone = 0,
  dsstFixedChar,
  dsstMoney,
  dsstBinary,
  dsstAutoinc,
  dsstText,
  dsstGraphics,
  dsstFormatted,
  dsstOle,
  dsstDBaseOle,
  dsstTypedBinary,
  dsstADTNestedTable,
  dsstReference,
  dsstHBinary,
  dsstHMemo,
  dsstGuid,
  dsstWideText
};

// Property numbers of DsGetProp / DsSetProp.
inline constexpr uint32_t dspropREADONLY = 1;             // bool
inline constexpr uint32_t dspropNOOFCHANGES = 2;          // uint32 (get only)
inline constexpr uint32_t dspropDSISPARTIAL = 11;         // bool, set before reading fields
inline constexpr uint32_t dspropKEEPTRAILINGBLANKS = 23;  // bool
inline constexpr uint32_t dspropCHANGESMADE = 24;         // bool (get only)
inline constexpr uint32_t dspropMEMORYUSED = 40;          // uint64: bytes the store holds

// Results of CurCompare.
inline constexpr int32_t DSCMP_LESS = 1;
inline constexpr int32_t DSCMP_EQUAL = 2;
inline constexpr int32_t DSCMP_GREATER = 3;

// ---------------------------------------------------------------------------------------------
// Structures

// One column descriptor as the writer receives it.
struct DSColumnDesc {
  char szName[32];  // zero-terminated, at most 31 characters
  uint32_t iType;   // type word
  uint32_t iAttr;   // DSATTR_HIDDEN | DSATTR_READONLY | DSATTR_REQUIRED
};

// One field of a store, as DsFieldDescs reports it.
struct DSFLDDesc {
  char szName[32];
  uint32_t iFldType;       // packet type code
  int32_t iFldSubType;     // DSSubType
  uint32_t iTypeWord;      // the column's type word
  int32_t iUnits1;         // characters of text, precision of BCD (the "WIDTH" attribute)
  int32_t iUnits2;         // decimal places of BCD (the "DECIMALS" attribute)
  uint32_t iFldLen;        // bytes of the field's slot in a record buffer
  uint32_t iFldOffsInRec;  // slot offset
  uint32_t iNullOffsInRec;
  uint32_t iFldAttr;  // DSATTR_*
};

struct DSProps {
  uint32_t iFields;
  uint32_t iRecBufSize;
  uint32_t iBookmarkSize;
  uint32_t iRecordCount;  // visible rows
  uint32_t iPacketVersion;
  int32_t bReadOnly;
};

struct DSCursorProps {
  uint32_t iRecBufSize;
  uint32_t iBookmarkSize;
  int32_t bReadOnly;
};

// The slot of a BLOB field in a record buffer.
struct DSBlobRef {
  const uint8_t* pData;
  uint32_t iLength;
  uint32_t iReserved;
};

// Compiled filter of CurLocate:
//   u32 magic "GDSF", u32 options (DSFILTER_*), u32 term count, then per term:
//   u32 field number (from 1), u32 kind (DSTERM_*), u32 value length, value bytes.
// Text values are Windows-1252 bytes; with DSFILTER_PARTIAL a trailing "*" is a prefix match.
// Numeric values are decimal text with "." ("-12.5"); raw values are the field's slot bytes.
inline constexpr uint32_t DSFILTER_MAGIC = 0x46534447;  // "GDSF"
inline constexpr uint32_t DSFILTER_CASEINSENSITIVE = 1;
inline constexpr uint32_t DSFILTER_PARTIAL = 2;
inline constexpr uint32_t DSTERM_ISNULL = 1;
inline constexpr uint32_t DSTERM_TEXT = 2;
inline constexpr uint32_t DSTERM_NUMBER = 3;
inline constexpr uint32_t DSTERM_RAW = 4;

// ---------------------------------------------------------------------------------------------
// Interfaces

class IDSUnknown {
 public:
  virtual DBResult QueryInterface(const DSGUID& iid, void** object) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~IDSUnknown() = default;
};

class IDSClassFactory : public IDSUnknown {
 public:
  virtual DBResult CreateInstance(IDSUnknown* outer, const DSGUID& iid, void** object) = 0;
  virtual DBResult LockServer(int32_t lock) = 0;

 protected:
  ~IDSClassFactory() = default;
};

// A data store: the rows of one result set, their order and the change log.
class IDSBase : public IDSUnknown {
 public:
  // Loads a packet: the first one gives the structure; later ones (same columns) add rows.
  virtual DBResult DsAppendPacket(const uint8_t* packet, uint32_t length, int32_t last) = 0;
  virtual DBResult DsProps(DSProps* props) = 0;
  // Fills `descs` (DSProps::iFields entries).
  virtual DBResult DsFieldDescs(DSFLDDesc* descs) = 0;
  // Reads attribute `name` of field `field` (0 = data set). `value` points into the store and
  // stays valid while the store lives. DBERR_NOTFOUND when absent.
  virtual DBResult DsOptParam(uint32_t level, uint32_t field, const char* name, uint32_t* type,
                              uint32_t* length, const void** value) = 0;
  virtual DBResult DsGetProp(uint32_t prop, void* value) = 0;
  virtual DBResult DsSetProp(uint32_t prop, uintptr_t value) = 0;
  // A new store holding the change log (kind "change packet"); the caller releases it.
  virtual DBResult DsDelta(IDSBase** delta) = 0;
  // The store's rows and attributes as a packet; valid until the next call on the store.
  virtual DBResult DsStream(const uint8_t** packet, uint32_t* length) = 0;
  virtual DBResult DsAcceptChanges() = 0;
  // Undoes the change log back to `savePoint` changes (0 = all).
  virtual DBResult DsRollBack(uint32_t savePoint) = 0;
  // Reconciles the change log with an error packet (columns ERROR_RECORDNO, the delta's row
  // numbers from 1, and ERROR_RESPONSE, the resolver's response + 1): the changes of rows the
  // packet does not name become base data, the others stay; a response of 2 (abort) keeps
  // every change. No error packet accepts everything.
  virtual DBResult DsReconcile(IDSBase* reconcileStore, const uint8_t* changePacket,
                               uint32_t changeLength, const uint8_t* errorPacket,
                               uint32_t errorLength, void* client, void* callback) = 0;
  // mode 0: empty store of the same structure; mode 1: structure and rows.
  virtual DBResult DsClone(uint32_t mode, uint32_t flags, IDSBase** clone) = 0;
  virtual DBResult DsReleaseBlobs(uint32_t flags) = 0;
  // Fills `buffer` (2049 bytes) with the text of `status`.
  virtual DBResult DsErrorText(DBResult status, char* buffer) = 0;

 protected:
  ~IDSBase() = default;
};

// A cursor over a store: current position, moves, record buffers and edits.
class IDSCursor : public IDSUnknown {
 public:
  virtual DBResult CurInit(IDSBase* store) = 0;
  virtual DBResult CurClone(IDSCursor* other) = 0;
  virtual DBResult CurProps(DSCursorProps* props) = 0;
  // Copies the current row into `record`; DBERR_BOF / DBERR_EOF on a crack.
  virtual DBResult CurRecord(void* record) = 0;
  virtual DBResult CurBookmark(void* bookmark) = 0;
  virtual DBResult CurSeqNo(uint32_t* seqNo) = 0;
  virtual DBResult CurAttr(uint32_t* attr) = 0;
  virtual DBResult CurCount(uint32_t* count) = 0;
  virtual DBResult CurFirst() = 0;  // before the first row
  virtual DBResult CurLast() = 0;   // after the last row
  // Moves by `distance` rows; DBERR_EOF / DBERR_BOF when that leaves the rows.
  virtual DBResult CurMove(int32_t distance) = 0;
  virtual DBResult CurGotoSeqNo(uint32_t seqNo) = 0;
  virtual DBResult CurGotoBookmark(const void* bookmark) = 0;
  virtual DBResult CurCompare(const void* bookmark1, const void* bookmark2, int32_t* result) = 0;
  // Reads field `fieldNo` (from 1) of `record` into `value` (iFldLen bytes); `isNull` gets the
  // null byte (0 value, 1 null, 2 unchanged).
  virtual DBResult CurGetField(const void* record, uint32_t fieldNo, void* value,
                               int32_t* isNull) = 0;
  // Writes field `fieldNo` of `record`; a null `value` makes it null. Text is read up to its
  // zero (at most the field's characters).
  virtual DBResult CurPutField(void* record, uint32_t fieldNo, const void* value) = 0;
  virtual DBResult CurVerifyField(uint32_t fieldNo, const void* value) = 0;
  virtual DBResult CurInitRecord(void* record) = 0;  // every field null
  virtual DBResult CurDelete() = 0;
  virtual DBResult CurModify(const void* record) = 0;
  // Inserts before the current row (at the end when after the last row); the new row becomes
  // current.
  virtual DBResult CurInsert(const void* record) = 0;
  // Searches forward from the current position for the first row the filter accepts.
  virtual DBResult CurLocate(const void* filter, uint32_t size) = 0;

 protected:
  ~IDSCursor() = default;
};

// Builds data packets: WrInit, WrColumn per column, WrAttribute..., then per row WrValue for
// the row status (1 byte) and for each column, and WrPacket.
class IDSWriter : public IDSUnknown {
 public:
  virtual DBResult WrXmlMode(uint32_t mode) = 0;  // 0 only; XML modes are not supported
  virtual DBResult WrInit(uint32_t version, uint32_t columns) = 0;
  virtual DBResult WrColumn(const DSColumnDesc* column) = 0;
  // `column` 0 = data set. A null or empty name ends the attributes of a nested set.
  virtual DBResult WrAttribute(uint32_t column, const char* name, uint32_t type, uint32_t length,
                               const void* value) = 0;
  // status 0 value / 1 null; length 0x80000001 marks a BLOB left on the server.
  virtual DBResult WrValue(uint32_t status, uint32_t length, const void* data) = 0;
  virtual DBResult WrEndNested() = 0;
  // The finished packet; valid until the next call on the writer.
  virtual DBResult WrPacket(const uint8_t** packet, uint32_t* length) = 0;
  // Drops the rows written so far; columns and attributes stay.
  virtual DBResult WrReset() = 0;
  virtual DBResult WrErrorText(DBResult status, char* buffer) = 0;

 protected:
  ~IDSWriter() = default;
};

// The library's entry point: the class factory (IID_IDSClassFactory) of `clsid`.
extern "C" DBResult DllGetClassObject(const DSGUID* clsid, const DSGUID* iid, void** object);
using DllGetClassObjectFunc = DBResult (*)(const DSGUID*, const DSGUID*, void**);

// Checksum of packet bytes (the header's checksum field covers bytes 20 .. end): four
// independent 64-bit lanes over 32-byte blocks, then the tail byte by byte. It can be fed
// incrementally (Feed with a growing length) while the bytes are written or read.
struct DSPacketHasher {
  static constexpr uint64_t kPrime = 0x100000001B3ull;
  uint64_t lane[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                      0x27D4EB2F165667C5ull};
  size_t done = 0;  // bytes hashed so far (a multiple of 32)

  // Hashes the complete 32-byte blocks of data[done .. length).
  void Feed(const uint8_t* data, size_t length) {
    for (; done + 32 <= length; done += 32) {
      for (int l = 0; l < 4; ++l) {
        uint64_t w;
        __builtin_memcpy(&w, data + done + 8 * l, 8);
        lane[l] = (lane[l] ^ w) * kPrime;
        lane[l] ^= lane[l] >> 29;
      }
    }
  }
  // The checksum of data[0 .. length) (the bytes fed so far must be its first ones).
  uint32_t Finish(const uint8_t* data, size_t length) {
    Feed(data, length);
    uint64_t h = lane[0] ^ (lane[1] * 3) ^ (lane[2] * 5) ^ (lane[3] * 7) ^ length;
    for (size_t i = done; i < length; ++i) h = (h ^ data[i]) * kPrime;
    h ^= h >> 32;
    return static_cast<uint32_t>(h);
  }
};

inline uint32_t DSPacketChecksum(const uint8_t* data, size_t length) {
  DSPacketHasher hasher;
  return hasher.Finish(data, length);
}
inline constexpr uint32_t DSPACKET_MAGIC = 0x50534447;  // "GDSP"
inline constexpr uint32_t DSPACKET_HEADER = 20;
