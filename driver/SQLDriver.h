#pragma once

// The interfaces between the connection and statement components (data/SqlExpr) and a
// loadable database driver library. The library exports one C entry point
//   SQLResult getSQLDriverINTERBASE(const char* vendorLib, const char* errorResourceFile,
//                                   ISQLDriver** driver);
// which loads the database client library named by `vendorLib` and hands out the driver.
//
// Every interface starts with the three reference-counting operations; the operations after
// them keep the positions that callers count on (the position is noted beside each one), so
// no interface declares a virtual destructor. Objects handed out through an "out" argument
// carry one reference for the caller, who gives it back with Release(). Every operation
// returns a 16-bit status, 0 meaning success.
//
// Option values travel as `SQLOptionValue`: numbers are passed as the number itself, texts as
// a pointer to a zero-terminated text (so the value is pointer-wide on this platform).
//
// How values travel in the read buffers of ISQLCursor and the value buffers of BindParam:
//   text (1)        zero-terminated bytes in the connection character set; the buffer holds
//                   at least column precision + 1 bytes (one byte per character for WIN1252)
//   date (2)        int32: days since 30 December 1899 (the day count of a TDateTime)
//   boolean (4)     int16: 0 false, 1 true
//   int16 (5)       int16;  int32 (6): int32;  float64 (7): double
//   BCD (8, 25)     TBcd (34 bytes, data/FMTBcd.h layout): Precision = column precision,
//                   decimal places = column scale
//   time (10)       int32: milliseconds since midnight
//   date-time (11)  double: a TDateTime (days since 30 December 1899, fraction = time)
//   timestamp (24)  SQLTimeStampValue below: year, month, day, hour, minute, second and
//                   1/10000 seconds, 16 bytes, the layout of TSQLTimeStamp in data/DB.h
//   bytes (9, 15)   raw bytes; BLOB (3): raw bytes read with ValBlobSize/ValBlob
// 64-bit integer columns are described as BCD (precision 18, scale 0) so their values travel
// exactly through the BCD path.

#include <cstdint>

using SQLResult = uint16_t;
using SQLOptionValue = intptr_t;

// Statuses that callers interpret (1 to 25: the standard driver statuses).
inline constexpr SQLResult SQL_SUCCESS = 0;
inline constexpr SQLResult SQL_WARNING = 1;
inline constexpr SQLResult SQL_NOMEMORY = 2;
inline constexpr SQLResult SQL_INVALIDFLDTYPE = 3;
inline constexpr SQLResult SQL_INVALIDHNDL = 4;
inline constexpr SQLResult SQL_NOTSUPPORTED = 5;
inline constexpr SQLResult SQL_INVALIDTIME = 6;
inline constexpr SQLResult SQL_INVALIDXLATION = 7;
inline constexpr SQLResult SQL_OUTOFRANGE = 8;
inline constexpr SQLResult SQL_INVALIDPARAM = 9;
inline constexpr SQLResult SQL_EOF = 10;
inline constexpr SQLResult SQL_SQLPARAMNOTSET = 11;
inline constexpr SQLResult SQL_INVALIDUSRPASS = 12;
inline constexpr SQLResult SQL_INVALIDPRECISION = 13;
inline constexpr SQLResult SQL_INVALIDLEN = 14;
inline constexpr SQLResult SQL_INVALIDTXNISOLEVEL = 15;
inline constexpr SQLResult SQL_INVALIDTXNID = 16;
inline constexpr SQLResult SQL_DUPLICATETXNID = 17;
inline constexpr SQLResult SQL_LOCALTRANSACTIVE = 19;
inline constexpr SQLResult SQL_MULTIPLETRANSNOTENABLED = 20;
inline constexpr SQLResult SQL_CONNECTIONFAILED = 21;
inline constexpr SQLResult SQL_DRIVERINITFAILED = 22;
inline constexpr SQLResult SQL_OPTLOCKFAILED = 23;
inline constexpr SQLResult SQL_INVALIDREF = 24;
inline constexpr SQLResult SQL_NOTABLE = 25;
inline constexpr SQLResult SQL_NODATA = 100;
// The database server refused the operation; the object's ErrorText holds the server's text.
inline constexpr SQLResult SQL_SERVERERROR = 0x0101;

// Logical column and parameter types.
enum : uint16_t {
  sqlTypeUnknown = 0,
  sqlTypeText = 1,
  sqlTypeDate = 2,
  sqlTypeBlob = 3,
  sqlTypeBoolean = 4,
  sqlTypeInt16 = 5,
  sqlTypeInt32 = 6,
  sqlTypeFloat64 = 7,
  sqlTypeBcd = 8,
  sqlTypeBytes = 9,
  sqlTypeTime = 10,
  sqlTypeDateTime = 11,  // date and time as a TDateTime double
  sqlTypeUInt16 = 12,
  sqlTypeUInt32 = 13,
  sqlTypeVarBytes = 15,
  sqlTypeCursor = 17,
  sqlTypeInt64 = 18,
  sqlTypeUInt64 = 19,
  sqlTypeStruct = 20,
  sqlTypeArray = 21,
  sqlTypeReference = 22,
  sqlTypeTable = 23,
  sqlTypeTimeStamp = 24,  // timestamp as SQLTimeStampValue
  sqlTypeFmtBcd = 25,
};

// Subtypes.
enum : uint16_t {
  sqlSubMoney = 21,
  sqlSubMemo = 22,
  sqlSubBinary = 23,
  sqlSubFmtMemo = 24,
  sqlSubOle = 25,
  sqlSubGraphic = 26,
  sqlSubDBaseOle = 27,
  sqlSubTypedBinary = 28,
  sqlSubAutoInc = 29,
  sqlSubFixed = 31,
  sqlSubUnicode = 32,
  sqlSubOraClob = 33,
  sqlSubOraBlob = 34,
};

// Session (ISQLConnection) options.
enum : int32_t {
  optAutoCommit = 0,
  optBlockingMode = 1,
  optBlobSize = 2,  // kilobytes, -1 = no limit
  optRoleName = 3,
  optWaitOnLocks = 4,
  optCommitRetain = 5,
  optIsolationLevel = 6,  // 0 read committed, 1 repeatable read, 2 dirty read
  optHostName = 10,
  optTraceCallback = 9,
  optTraceClientData = 12,
  optActiveStatementLimit = 14,  // query: 4 bytes, 0 = no limit
  optServerCharSet = 15,
  optSqlDialect = 16,
  optOSAuthentication = 20,
  optMultipleTransaction = 22,
  optServerPort = 23,
  optTrimChar = 25,
  optCustomString = 31,
  optConnectionTimeout = 32,
  optLockTimeout = 40,  // seconds a waiting transaction waits for a lock; 0 = no bound
};

// Command (ISQLCommand) options.
enum : int32_t {
  cmdOptRowsPerFetch = 0,
  cmdOptBlobSize = 1,
};

// Metadata (ISQLMetaData) options.
enum : int32_t {
  metaOptCatalogName = 0,
  metaOptSchemaName = 1,
  metaOptTransactionsSupported = 5,  // query: 4 bytes, non-zero = yes
  metaOptQuoteChar = 11,     // query: 1 byte, 0 = none
  metaOptMultipleTransactions = 15,  // query: 4 bytes, several transactions at once
  metaOptPackageName = 16,
};

// Cursor option: type name of a structured column.
enum : int32_t { curOptTypeName = 1 };

// Parameter directions of BindParam.
enum : int32_t { paramUnknown = 0, paramIn = 1, paramOut = 2, paramInOut = 3, paramResult = 4 };

// Transaction descriptor, passed by address (16 bytes).
struct TTransactionDesc {
  uint32_t TransactionID = 1;
  uint32_t GlobalID = 0;
  int32_t IsolationLevel = 0;  // 0 read committed, 1 repeatable read, 2 dirty read
  uint32_t CustomIsolation = 0;
};
static_assert(sizeof(TTransactionDesc) == 16);

// A timestamp in the read and value buffers (see the header comment).
struct SQLTimeStampValue {
  int16_t Year;
  uint16_t Month;
  uint16_t Day;
  uint16_t Hour;
  uint16_t Minute;
  uint16_t Second;
  uint32_t Fractions;  // 1/10000 of a second
};
static_assert(sizeof(SQLTimeStampValue) == 16);

// A BCD value in the read and value buffers: the TBcd layout of data/FMTBcd.h. Precision
// digits, two per byte, first digit in the high four bits of Fraction[0]; SignSpecialPlaces
// bit 7 = negative, bits 0-5 = decimal places.
struct SQLBcdValue {
  uint8_t Precision;
  uint8_t SignSpecialPlaces;
  uint8_t Fraction[32];
};
static_assert(sizeof(SQLBcdValue) == 34);

class ISQLCursor;
class ISQLCommand;
class ISQLMetaData;
class ISQLConnection;

// The three reference-counting operations every interface starts with.
class ISQLUnknown {
 public:
  virtual int32_t QueryInterface(const void* iid, void** object) = 0;  // 0
  virtual uint32_t AddRef() = 0;                                       // 1
  virtual uint32_t Release() = 0;                                      // 2

 protected:
  ~ISQLUnknown() = default;
};

class ISQLDriver : public ISQLUnknown {
 public:
  virtual SQLResult NewSession(ISQLConnection** session) = 0;  // 3

 protected:
  ~ISQLDriver() = default;
};

class ISQLConnection : public ISQLUnknown {
 public:
  virtual SQLResult Attach(const char* database, const char* user, const char* password) = 0;  // 3
  virtual SQLResult Detach() = 0;                                                               // 4
  virtual SQLResult NewCommand(ISQLCommand** command) = 0;                                      // 5
  virtual SQLResult NewMetaData(ISQLMetaData** metaData) = 0;                                   // 6
  virtual SQLResult PutOption(int32_t option, SQLOptionValue value) = 0;                        // 7
  virtual SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) = 0;  // 8
  virtual SQLResult BeginTxn(TTransactionDesc* desc) = 0;                                       // 9
  virtual SQLResult CommitTxn(TTransactionDesc* desc) = 0;                                      // 10
  virtual SQLResult RollbackTxn(TTransactionDesc* desc) = 0;                                    // 11
  virtual SQLResult ErrorText(char* buffer) = 0;                                                // 12
  virtual SQLResult ErrorTextLength(int16_t* length) = 0;                                       // 13

 protected:
  ~ISQLConnection() = default;
};

class ISQLCommand : public ISQLUnknown {
 public:
  virtual SQLResult PutOption(int32_t option, SQLOptionValue value) = 0;                        // 3
  virtual SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) = 0;  // 4
  // Binds parameter `position` (from 1). `buffer` is null for a null value; the driver copies
  // `length` bytes from it.
  virtual SQLResult BindParam(uint16_t position, uint16_t childPosition, int32_t direction,
                              uint16_t type, uint16_t subtype, int32_t precision, int32_t scale,
                              int32_t length, const void* buffer, int32_t isNull) = 0;  // 5
  virtual SQLResult ReadParam(uint16_t position, uint16_t childPosition, void* buffer,
                              int32_t bufferLength, int32_t* isNull) = 0;  // 6
  virtual SQLResult PrepareText(const char* sql, uint16_t paramCount) = 0;  // 7
  virtual SQLResult Run(ISQLCursor** cursor) = 0;                           // 8
  virtual SQLResult RunDirect(const char* sql, ISQLCursor** cursor) = 0;    // 9
  virtual SQLResult NextResult(ISQLCursor** cursor) = 0;                    // 10
  virtual SQLResult AffectedRows(int32_t* rows) = 0;                        // 11
  virtual SQLResult CloseCommand() = 0;                                     // 12
  virtual SQLResult ErrorText(char* buffer) = 0;                            // 13
  virtual SQLResult ErrorTextLength(int16_t* length) = 0;                   // 14

 protected:
  ~ISQLCommand() = default;
};

class ISQLCursor : public ISQLUnknown {
 public:
  virtual SQLResult PutOption(int32_t option, SQLOptionValue value) = 0;                        // 3
  virtual SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) = 0;  // 4
  virtual SQLResult ErrorText(char* buffer) = 0;                                                // 5
  virtual SQLResult ErrorTextLength(int16_t* length) = 0;                                       // 6
  virtual SQLResult NumColumns(uint16_t* count) = 0;                                            // 7
  virtual SQLResult ColNameLength(uint16_t column, uint16_t* length) = 0;                       // 8
  // Column numbers count from 1. The name buffer holds 32 characters and a terminator.
  virtual SQLResult ColName(uint16_t column, char* name) = 0;                                   // 9
  virtual SQLResult ColType(uint16_t column, uint16_t* type, uint16_t* subtype) = 0;            // 10
  virtual SQLResult ColLength(uint16_t column, uint32_t* length) = 0;                           // 11
  virtual SQLResult ColPrecision(uint16_t column, int16_t* precision) = 0;                      // 12
  virtual SQLResult ColScale(uint16_t column, int16_t* scale) = 0;                              // 13
  virtual SQLResult ColNullable(uint16_t column, int32_t* nullable) = 0;                        // 14
  virtual SQLResult ColAutoIncrement(uint16_t column, int32_t* autoIncrement) = 0;              // 15
  virtual SQLResult ColReadOnly(uint16_t column, int32_t* readOnly) = 0;                        // 16
  virtual SQLResult ColSearchable(uint16_t column, int32_t* searchable) = 0;                    // 17
  virtual SQLResult ColBlobLimit(uint16_t column, int32_t* limit) = 0;                          // 18
  // 0 = a row is current; SQL_NODATA (or SQL_EOF) = no more rows.
  virtual SQLResult FetchRow() = 0;                                                       // 19
  virtual SQLResult ValString(uint16_t column, void* buffer, int32_t* isNull) = 0;        // 20
  virtual SQLResult ValInt16(uint16_t column, void* buffer, int32_t* isNull) = 0;         // 21
  virtual SQLResult ValInt32(uint16_t column, void* buffer, int32_t* isNull) = 0;         // 22
  virtual SQLResult ValFloat64(uint16_t column, void* buffer, int32_t* isNull) = 0;       // 23
  virtual SQLResult ValBcd(uint16_t column, void* buffer, int32_t* isNull) = 0;           // 24
  virtual SQLResult ValTimeStamp(uint16_t column, void* buffer, int32_t* isNull) = 0;     // 25
  virtual SQLResult ValTime(uint16_t column, void* buffer, int32_t* isNull) = 0;          // 26
  virtual SQLResult ValDate(uint16_t column, void* buffer, int32_t* isNull) = 0;          // 27
  virtual SQLResult ValBytes(uint16_t column, void* buffer, int32_t* isNull) = 0;         // 28
  virtual SQLResult ValBlobSize(uint16_t column, uint32_t* size, int32_t* isNull) = 0;    // 29
  virtual SQLResult ValBlob(uint16_t column, void* buffer, int32_t* isNull, uint32_t length) = 0;  // 30

 protected:
  ~ISQLCursor() = default;
};

class ISQLMetaData : public ISQLUnknown {
 public:
  virtual SQLResult PutOption(int32_t option, SQLOptionValue value) = 0;                        // 3
  virtual SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) = 0;  // 4
  virtual SQLResult ListObjects(const char* pattern, uint32_t mask, ISQLCursor** cursor) = 0;   // 5
  virtual SQLResult ListTables(const char* pattern, uint32_t mask, ISQLCursor** cursor) = 0;    // 6
  virtual SQLResult ListProcedures(const char* pattern, uint32_t mask, ISQLCursor** cursor) = 0;  // 7
  virtual SQLResult ListColumns(const char* table, const char* pattern, uint32_t mask,
                                ISQLCursor** cursor) = 0;  // 8
  virtual SQLResult ListProcedureParams(const char* procedure, const char* pattern,
                                        ISQLCursor** cursor) = 0;  // 9
  virtual SQLResult ListIndices(const char* table, uint32_t mask, ISQLCursor** cursor) = 0;  // 10
  virtual SQLResult ErrorText(char* buffer) = 0;                                             // 11
  virtual SQLResult ErrorTextLength(int16_t* length) = 0;                                    // 12

 protected:
  ~ISQLMetaData() = default;
};

// The entry point exported by a driver library, named by the connection's GetDriverFunc.
using GetSQLDriverProc = SQLResult (*)(const char* vendorLib, const char* errorResourceFile,
                                       ISQLDriver** driver);
