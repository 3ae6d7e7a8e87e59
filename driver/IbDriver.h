#pragma once

// The Firebird driver's objects behind the interfaces of driver/SQLDriver.h.

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "driver/FbClient.h"
#include "driver/ReadAhead.h"
#include "driver/RefCounted.h"
#include "driver/SQLDriver.h"

namespace ibdriver {

// Keeps the text of an object's last error for ErrorText/ErrorTextLength.
class ErrorHolder {
 public:
  SQLResult Fail(SQLResult status, std::string text) {
    error_ = std::move(text);
    return status;
  }
  SQLResult CopyText(char* buffer) const;
  SQLResult TextLength(int16_t* length) const;

 private:
  std::string error_;
};

class Driver : public RefCounted<ISQLDriver> {
 public:
  explicit Driver(const FbClient* api) : api_(api) {}
  SQLResult NewSession(ISQLConnection** session) override;

 private:
  const FbClient* api_;
};

class Session;
class Command;

// An owned reference to a driver object.
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* object) : object_(object) {}  // adopts one reference
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Reset(); }
  void Reset() {
    if (object_ != nullptr) object_->Release();
    object_ = nullptr;
  }
  T* get() const { return object_; }
  T* operator->() const { return object_; }

 private:
  T* object_ = nullptr;
};

// Seconds a waiting transaction waits for a row another transaction holds, unless the
// connection's "Lock Timeout" parameter says otherwise.
constexpr int kDefaultLockTimeout = 10;

// One attachment to a database.
class Session : public RefCounted<ISQLConnection>, public ErrorHolder {
 public:
  explicit Session(const FbClient* api) : api_(api) {}
  ~Session() override;

  SQLResult Attach(const char* database, const char* user, const char* password) override;
  SQLResult Detach() override;
  SQLResult NewCommand(ISQLCommand** command) override;
  SQLResult NewMetaData(ISQLMetaData** metaData) override;
  SQLResult PutOption(int32_t option, SQLOptionValue value) override;
  SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) override;
  SQLResult BeginTxn(TTransactionDesc* desc) override;
  SQLResult CommitTxn(TTransactionDesc* desc) override;
  SQLResult RollbackTxn(TTransactionDesc* desc) override;
  SQLResult ErrorText(char* buffer) override { return CopyText(buffer); }
  SQLResult ErrorTextLength(int16_t* length) override { return TextLength(length); }

  const FbClient& api() const { return *api_; }
  isc_db_handle* database() { return &database_; }
  int dialect() const { return dialect_; }
  bool trimChar() const { return trimChar_; }
  int blobSizeKB() const { return blobSizeKB_; }
  bool attached() const { return database_ != 0; }

  // The open explicit transaction, or 0 when statements run in their own transactions.
  isc_tr_handle* explicitTransaction() { return inTransaction_ ? &transaction_ : nullptr; }
  // Starts a transaction of the session's isolation level in `handle`; returns false and fills
  // `status` on failure.
  bool StartTransaction(isc_tr_handle* handle, int isolation, ISC_STATUS* status);

  // Declared precision of column `field` of relation or procedure `relation`, read once per
  // relation from the system tables with `transaction`; 0 when unknown.
  int DeclaredPrecision(const std::string& relation, const std::string& field,
                        isc_tr_handle* transaction);

  // Commands whose results are being read ahead; their reading stops before the session ends
  // a transaction or detaches, so that no fetch runs beside those calls.
  void ReadingStarted(Command* command) { reading_.push_back(command); }
  void ReadingEnded(Command* command);

 private:
  void StopReading();
  SQLResult EndTransaction(bool commit);
  void LoadPrecisions(const std::string& relation, isc_tr_handle* transaction);

  const FbClient* api_;
  isc_db_handle database_ = 0;
  isc_tr_handle transaction_ = 0;
  bool inTransaction_ = false;
  std::string roleName_, charSet_, hostName_, serverPort_;
  int dialect_ = 3;
  int isolation_ = 0;
  bool waitOnLocks_ = true;
  // A waiting transaction gives up on a lock after this many seconds (0 = waits for good), so
  // that a row held by another program ends in an error instead of a frozen program.
  int lockTimeout_ = kDefaultLockTimeout;
  bool commitRetain_ = false;
  bool trimChar_ = false;
  int blobSizeKB_ = -1;
  std::map<std::string, std::map<std::string, int>> precisions_;
  std::vector<Command*> reading_;
};

class MetaData : public RefCounted<ISQLMetaData>, public ErrorHolder {
 public:
  explicit MetaData(Session* session) : session_(session) { session->AddRef(); }
  ~MetaData() override { session_->Release(); }
  SQLResult PutOption(int32_t option, SQLOptionValue value) override;
  SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) override;
  SQLResult ListObjects(const char*, uint32_t, ISQLCursor**) override { return Unsupported(); }
  SQLResult ListTables(const char*, uint32_t, ISQLCursor**) override { return Unsupported(); }
  SQLResult ListProcedures(const char*, uint32_t, ISQLCursor**) override { return Unsupported(); }
  SQLResult ListColumns(const char*, const char*, uint32_t, ISQLCursor**) override {
    return Unsupported();
  }
  SQLResult ListProcedureParams(const char*, const char*, ISQLCursor**) override {
    return Unsupported();
  }
  SQLResult ListIndices(const char*, uint32_t, ISQLCursor**) override { return Unsupported(); }
  SQLResult ErrorText(char* buffer) override { return CopyText(buffer); }
  SQLResult ErrorTextLength(int16_t* length) override { return TextLength(length); }

 private:
  SQLResult Unsupported() { return Fail(SQL_NOTSUPPORTED, "Metadata lists are not supported"); }
  Session* session_;
  std::string schema_;
};

// A column of a result as the driver describes it.
struct ColumnInfo {
  std::string name;
  uint16_t type = sqlTypeUnknown;
  uint16_t subtype = 0;
  uint32_t length = 0;
  int16_t precision = 0;
  int16_t scale = 0;
  bool nullable = true;
};

class Cursor;

// One prepared statement and its parameters.
class Command : public RefCounted<ISQLCommand>, public ErrorHolder {
 public:
  explicit Command(Session* session);
  ~Command() override;

  SQLResult PutOption(int32_t option, SQLOptionValue value) override;
  SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) override;
  SQLResult BindParam(uint16_t position, uint16_t childPosition, int32_t direction, uint16_t type,
                      uint16_t subtype, int32_t precision, int32_t scale, int32_t length,
                      const void* buffer, int32_t isNull) override;
  SQLResult ReadParam(uint16_t position, uint16_t childPosition, void* buffer,
                      int32_t bufferLength, int32_t* isNull) override;
  SQLResult PrepareText(const char* sql, uint16_t paramCount) override;
  SQLResult Run(ISQLCursor** cursor) override;
  SQLResult RunDirect(const char* sql, ISQLCursor** cursor) override;
  SQLResult NextResult(ISQLCursor** cursor) override;
  SQLResult AffectedRows(int32_t* rows) override;
  SQLResult CloseCommand() override;
  SQLResult ErrorText(char* buffer) override { return CopyText(buffer); }
  SQLResult ErrorTextLength(int16_t* length) override { return TextLength(length); }

  Session& session() { return *session_; }
  isc_stmt_handle* statementHandle() { return &statement_; }
  XSQLDA* output() { return output_.get(); }
  const std::vector<ColumnInfo>& columns() const { return columns_; }
  int blobSizeKB() const { return blobSizeKB_ != 0 ? blobSizeKB_ : session_->blobSizeKB(); }
  // Called by the cursor when it reaches the end or is released: closes the result and ends
  // the statement's own transaction.
  void FinishCursor(bool commit);
  isc_tr_handle* cursorTransaction() { return activeTransaction_; }
  std::vector<char>& outputBuffer() { return outputBuffer_; }
  std::vector<short>& outputNulls() { return outputNulls_; }

  // Reading the open result ahead on a thread of its own (results without BLOB columns, whose
  // values are read through further calls while the row is current).
  bool CanReadAhead() const;
  void StartReadAhead();
  ReadAhead* readAhead() { return readAhead_.get(); }
  void StopReadAhead() {
    if (readAhead_) readAhead_->Stop();
  }

 private:
  struct Param {
    bool bound = false;
    bool isNull = true;
    uint16_t type = 0;
    uint16_t subtype = 0;
    int32_t scale = 0;
    std::vector<char> value;
  };

  SQLResult ServerFailure(const ISC_STATUS* status);
  SQLResult DescribeColumns();
  SQLResult SetInputs(isc_tr_handle* transaction);
  void ReleaseStatement();

  Session* session_;
  isc_stmt_handle statement_ = 0;
  int statementType_ = 0;
  std::unique_ptr<XSQLDA, void (*)(void*)> input_{nullptr, free};
  std::unique_ptr<XSQLDA, void (*)(void*)> output_{nullptr, free};
  std::vector<char> outputBuffer_;
  std::vector<short> outputNulls_;
  std::vector<char> inputBuffer_;
  std::vector<short> inputNulls_;
  std::vector<ISC_QUAD> inputBlobs_;
  std::vector<Param> params_;
  std::vector<ColumnInfo> columns_;
  isc_tr_handle ownTransaction_ = 0;
  isc_tr_handle* activeTransaction_ = nullptr;  // transaction of the open result
  bool resultOpen_ = false;
  Cursor* cursor_ = nullptr;
  std::unique_ptr<ReadAhead> readAhead_;
  int32_t affectedRows_ = 0;
  int blobSizeKB_ = 0;
};

// The rows of a command's result, read one at a time.
class Cursor : public RefCounted<ISQLCursor>, public ErrorHolder {
 public:
  explicit Cursor(Command* command);
  ~Cursor() override;
  // The command closed its result under the cursor: no more rows.
  void Detach() { command_ = nullptr; }

  SQLResult PutOption(int32_t, SQLOptionValue) override { return SQL_SUCCESS; }
  SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) override;
  SQLResult ErrorText(char* buffer) override { return CopyText(buffer); }
  SQLResult ErrorTextLength(int16_t* length) override { return TextLength(length); }
  SQLResult NumColumns(uint16_t* count) override;
  SQLResult ColNameLength(uint16_t column, uint16_t* length) override;
  SQLResult ColName(uint16_t column, char* name) override;
  SQLResult ColType(uint16_t column, uint16_t* type, uint16_t* subtype) override;
  SQLResult ColLength(uint16_t column, uint32_t* length) override;
  SQLResult ColPrecision(uint16_t column, int16_t* precision) override;
  SQLResult ColScale(uint16_t column, int16_t* scale) override;
  SQLResult ColNullable(uint16_t column, int32_t* nullable) override;
  SQLResult ColAutoIncrement(uint16_t column, int32_t* value) override;
  SQLResult ColReadOnly(uint16_t column, int32_t* readOnly) override;
  SQLResult ColSearchable(uint16_t column, int32_t* searchable) override;
  SQLResult ColBlobLimit(uint16_t column, int32_t* limit) override;
  SQLResult FetchRow() override;
  SQLResult ValString(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValInt16(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValInt32(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValFloat64(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValBcd(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValTimeStamp(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValTime(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValDate(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValBytes(uint16_t column, void* buffer, int32_t* isNull) override;
  SQLResult ValBlobSize(uint16_t column, uint32_t* size, int32_t* isNull) override;
  SQLResult ValBlob(uint16_t column, void* buffer, int32_t* isNull, uint32_t length) override;

 private:
  // The column's variable of the current row, or null with the status set in `status`.
  const XSQLVAR* Column(uint16_t column, SQLResult* status);
  SQLResult LoadBlob(uint16_t column, const XSQLVAR& var);

  Command* owner_;    // holds a reference for the cursor's life
  Command* command_;  // null once the result is closed
  bool onRow_ = false;
  bool atEnd_ = false;
  int fetched_ = 0;     // rows fetched directly, before reading ahead starts
  int blobColumn_ = 0;  // column whose BLOB is in blob_ for the current row
  std::vector<char> blob_;
};

}  // namespace ibdriver
