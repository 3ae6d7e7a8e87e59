// The scripted test driver: answers every operation from a DriverScript (ScriptedDriver.h).

#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/RefCounted.h"
#include "driver/SQLDriver.h"
#include "driver/ScriptedDriver.h"

namespace scripted {

using ibdriver::RefCounted;

namespace {

bool IsTextOption(int32_t option) {
  return option == optRoleName || option == optHostName || option == optServerCharSet ||
         option == optServerPort || option == optCustomString;
}

std::string OptionText(int32_t option, SQLOptionValue value, bool text) {
  std::string entry = std::to_string(option) + "=";
  if (text) {
    const char* chars = reinterpret_cast<const char*>(value);
    entry += chars != nullptr ? chars : "";
  } else {
    entry += std::to_string(value);
  }
  return entry;
}

SQLResult CopyError(const std::string& text, char* buffer) {
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return SQL_SUCCESS;
}

SQLResult ErrorLength(DriverScript* script, const std::string& text, int16_t* length) {
  ++script->calls["ErrorTextLength"];
  *length = static_cast<int16_t>(text.size());
  return script->Status("ErrorTextLength");
}

SQLResult QueryNumber(int32_t number, void* buffer, int16_t size, int16_t* length) {
  if (size < 4) return SQL_INVALIDLEN;
  std::memcpy(buffer, &number, 4);
  if (length != nullptr) *length = 4;
  return SQL_SUCCESS;
}

}  // namespace

// Records the call and returns the scripted status of `name` when it is not 0.
#define SCRIPTED_CALL(name)                                 \
  ++script_->calls[name];                                   \
  if (SQLResult scripted = script_->Status(name); scripted != SQL_SUCCESS) return scripted

class Cursor : public RefCounted<ISQLCursor> {
 public:
  explicit Cursor(DriverScript* script) : script_(script) {}
  SQLResult PutOption(int32_t, SQLOptionValue) override { return SQL_SUCCESS; }
  SQLResult QueryOption(int32_t, void*, int16_t, int16_t* length) override {
    if (length != nullptr) *length = 0;
    return SQL_NOTSUPPORTED;
  }
  SQLResult ErrorText(char* buffer) override { return CopyError(script_->cursorError, buffer); }
  SQLResult ErrorTextLength(int16_t* length) override {
    return ErrorLength(script_, script_->cursorError, length);
  }
  SQLResult NumColumns(uint16_t* count) override {
    SCRIPTED_CALL("NumColumns");
    *count = static_cast<uint16_t>(script_->columns.size());
    return SQL_SUCCESS;
  }
  SQLResult ColNameLength(uint16_t column, uint16_t* length) override {
    *length = static_cast<uint16_t>(Col(column).name.size());
    return SQL_SUCCESS;
  }
  SQLResult ColName(uint16_t column, char* name) override {
    std::string text = Col(column).name.substr(0, 32);
    std::memcpy(name, text.c_str(), text.size() + 1);
    return SQL_SUCCESS;
  }
  SQLResult ColType(uint16_t column, uint16_t* type, uint16_t* subtype) override {
    *type = Col(column).type;
    *subtype = Col(column).subtype;
    return SQL_SUCCESS;
  }
  SQLResult ColLength(uint16_t column, uint32_t* length) override {
    *length = Col(column).length;
    return SQL_SUCCESS;
  }
  SQLResult ColPrecision(uint16_t column, int16_t* precision) override {
    *precision = Col(column).precision;
    return SQL_SUCCESS;
  }
  SQLResult ColScale(uint16_t column, int16_t* scale) override {
    *scale = Col(column).scale;
    return SQL_SUCCESS;
  }
  SQLResult ColNullable(uint16_t column, int32_t* nullable) override {
    *nullable = Col(column).nullable ? 1 : 0;
    return SQL_SUCCESS;
  }
  SQLResult ColAutoIncrement(uint16_t, int32_t* value) override {
    *value = 0;
    return SQL_SUCCESS;
  }
  SQLResult ColReadOnly(uint16_t column, int32_t* readOnly) override {
    *readOnly = Col(column).readOnly ? 1 : 0;
    return SQL_SUCCESS;
  }
  SQLResult ColSearchable(uint16_t, int32_t* searchable) override {
    *searchable = 1;
    return SQL_SUCCESS;
  }
  SQLResult ColBlobLimit(uint16_t, int32_t* limit) override {
    *limit = -1;
    return SQL_SUCCESS;
  }
  SQLResult FetchRow() override {
    SCRIPTED_CALL("FetchRow");
    if (row_ + 1 >= static_cast<int>(script_->rows.size())) {
      row_ = static_cast<int>(script_->rows.size());
      return SQL_NODATA;
    }
    ++row_;
    return SQL_SUCCESS;
  }
  SQLResult ValString(uint16_t c, void* b, int32_t* n) override { return Value("ValString", c, b, n); }
  SQLResult ValInt16(uint16_t c, void* b, int32_t* n) override { return Value("ValInt16", c, b, n); }
  SQLResult ValInt32(uint16_t c, void* b, int32_t* n) override { return Value("ValInt32", c, b, n); }
  SQLResult ValFloat64(uint16_t c, void* b, int32_t* n) override {
    return Value("ValFloat64", c, b, n);
  }
  SQLResult ValBcd(uint16_t c, void* b, int32_t* n) override { return Value("ValBcd", c, b, n); }
  SQLResult ValTimeStamp(uint16_t c, void* b, int32_t* n) override {
    return Value("ValTimeStamp", c, b, n);
  }
  SQLResult ValTime(uint16_t c, void* b, int32_t* n) override { return Value("ValTime", c, b, n); }
  SQLResult ValDate(uint16_t c, void* b, int32_t* n) override { return Value("ValDate", c, b, n); }
  SQLResult ValBytes(uint16_t c, void* b, int32_t* n) override { return Value("ValBytes", c, b, n); }
  SQLResult ValBlobSize(uint16_t column, uint32_t* size, int32_t* isNull) override {
    SCRIPTED_CALL("ValBlobSize");
    const ScriptedCell& cell = Cell(column);
    *isNull = cell.isNull ? 1 : 0;
    *size = static_cast<uint32_t>(cell.bytes.size());
    return SQL_SUCCESS;
  }
  SQLResult ValBlob(uint16_t column, void* buffer, int32_t* isNull, uint32_t length) override {
    SCRIPTED_CALL("ValBlob");
    const ScriptedCell& cell = Cell(column);
    *isNull = cell.isNull ? 1 : 0;
    std::memcpy(buffer, cell.bytes.data(), std::min<size_t>(length, cell.bytes.size()));
    return SQL_SUCCESS;
  }

 private:
  const ScriptedColumn& Col(uint16_t column) const {
    static const ScriptedColumn missing;
    return column >= 1 && column <= script_->columns.size() ? script_->columns[column - 1u]
                                                            : missing;
  }
  const ScriptedCell& Cell(uint16_t column) const {
    static const ScriptedCell missing;
    if (row_ < 0 || row_ >= static_cast<int>(script_->rows.size())) return missing;
    const std::vector<ScriptedCell>& row = script_->rows[static_cast<size_t>(row_)];
    return column >= 1 && column <= row.size() ? row[column - 1u] : missing;
  }
  SQLResult Value(const char* name, uint16_t column, void* buffer, int32_t* isNull) {
    SCRIPTED_CALL(name);
    const ScriptedCell& cell = Cell(column);
    *isNull = cell.isNull ? 1 : 0;
    if (!cell.isNull) std::memcpy(buffer, cell.bytes.data(), cell.bytes.size());
    return SQL_SUCCESS;
  }

  DriverScript* script_;
  int row_ = -1;
};

class Command : public RefCounted<ISQLCommand> {
 public:
  explicit Command(DriverScript* script) : script_(script) {}
  SQLResult PutOption(int32_t option, SQLOptionValue value) override {
    script_->log.push_back("Command.PutOption " + OptionText(option, value, false));
    SCRIPTED_CALL("Command.PutOption");
    return SQL_SUCCESS;
  }
  SQLResult QueryOption(int32_t, void*, int16_t, int16_t*) override { return SQL_NOTSUPPORTED; }
  SQLResult BindParam(uint16_t position, uint16_t, int32_t direction, uint16_t type,
                      uint16_t subtype, int32_t precision, int32_t scale, int32_t length,
                      const void* buffer, int32_t isNull) override {
    std::string entry = "BindParam " + std::to_string(position) + " dir=" +
                        std::to_string(direction) + " type=" + std::to_string(type) + " sub=" +
                        std::to_string(subtype) + " prec=" + std::to_string(precision) +
                        " scale=" + std::to_string(scale) + " len=" + std::to_string(length) +
                        (isNull != 0 || buffer == nullptr ? " null" : "");
    if (type == sqlTypeText && buffer != nullptr) {
      entry += " '" + std::string(static_cast<const char*>(buffer)) + "'";
    }
    script_->log.push_back(entry);
    SCRIPTED_CALL("BindParam");
    return SQL_SUCCESS;
  }
  SQLResult ReadParam(uint16_t, uint16_t, void*, int32_t, int32_t* isNull) override {
    *isNull = 1;
    return SQL_NOTSUPPORTED;
  }
  SQLResult PrepareText(const char* sql, uint16_t count) override {
    script_->log.push_back("PrepareText " + std::string(sql) + "|" + std::to_string(count));
    SCRIPTED_CALL("PrepareText");
    return SQL_SUCCESS;
  }
  SQLResult Run(ISQLCursor** cursor) override {
    *cursor = nullptr;
    SCRIPTED_CALL("Run");
    if (script_->returnsCursor) *cursor = new Cursor(script_);
    return SQL_SUCCESS;
  }
  SQLResult RunDirect(const char*, ISQLCursor** cursor) override { return Run(cursor); }
  SQLResult NextResult(ISQLCursor** cursor) override {
    *cursor = nullptr;
    return SQL_SUCCESS;
  }
  SQLResult AffectedRows(int32_t* rows) override {
    SCRIPTED_CALL("AffectedRows");
    *rows = script_->affectedRows;
    return SQL_SUCCESS;
  }
  SQLResult CloseCommand() override {
    SCRIPTED_CALL("CloseCommand");
    return SQL_SUCCESS;
  }
  SQLResult ErrorText(char* buffer) override { return CopyError(script_->commandError, buffer); }
  SQLResult ErrorTextLength(int16_t* length) override {
    return ErrorLength(script_, script_->commandError, length);
  }

 private:
  DriverScript* script_;
};

class MetaData : public RefCounted<ISQLMetaData> {
 public:
  explicit MetaData(DriverScript* script) : script_(script) {}
  SQLResult PutOption(int32_t option, SQLOptionValue value) override {
    script_->log.push_back("MetaData.PutOption " +
                           OptionText(option, value, option == metaOptSchemaName));
    return SQL_SUCCESS;
  }
  SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) override {
    ++script_->calls["MetaData.QueryOption"];
    switch (option) {
      case metaOptQuoteChar:
        *static_cast<char*>(buffer) = script_->quoteChar;
        if (length != nullptr) *length = 1;
        return script_->Status("QuoteChar");
      case metaOptTransactionsSupported:
        return QueryNumber(script_->transactionsSupported ? 1 : 0, buffer, size, length);
      case metaOptMultipleTransactions:
        return QueryNumber(script_->multipleTransactions ? 1 : 0, buffer, size, length);
      default:
        return SQL_NOTSUPPORTED;
    }
  }
  SQLResult ListObjects(const char*, uint32_t, ISQLCursor**) override { return SQL_NOTSUPPORTED; }
  SQLResult ListTables(const char*, uint32_t, ISQLCursor**) override { return SQL_NOTSUPPORTED; }
  SQLResult ListProcedures(const char*, uint32_t, ISQLCursor**) override {
    return SQL_NOTSUPPORTED;
  }
  SQLResult ListColumns(const char*, const char*, uint32_t, ISQLCursor**) override {
    return SQL_NOTSUPPORTED;
  }
  SQLResult ListProcedureParams(const char*, const char*, ISQLCursor**) override {
    return SQL_NOTSUPPORTED;
  }
  SQLResult ListIndices(const char*, uint32_t, ISQLCursor**) override { return SQL_NOTSUPPORTED; }
  SQLResult ErrorText(char* buffer) override { return CopyError(script_->metaDataError, buffer); }
  SQLResult ErrorTextLength(int16_t* length) override {
    return ErrorLength(script_, script_->metaDataError, length);
  }

 private:
  DriverScript* script_;
};

class Session : public RefCounted<ISQLConnection> {
 public:
  explicit Session(DriverScript* script) : script_(script) {}
  SQLResult Attach(const char* database, const char* user, const char* password) override {
    script_->log.push_back("Attach " + std::string(database) + "|" + user + "|" + password);
    SCRIPTED_CALL("Attach");
    return SQL_SUCCESS;
  }
  SQLResult Detach() override {
    script_->log.push_back("Detach");
    SCRIPTED_CALL("Detach");
    return SQL_SUCCESS;
  }
  SQLResult NewCommand(ISQLCommand** command) override {
    *command = nullptr;
    SCRIPTED_CALL("NewCommand");
    *command = new Command(script_);
    return SQL_SUCCESS;
  }
  SQLResult NewMetaData(ISQLMetaData** metaData) override {
    *metaData = nullptr;
    SCRIPTED_CALL("NewMetaData");
    *metaData = new MetaData(script_);
    return SQL_SUCCESS;
  }
  SQLResult PutOption(int32_t option, SQLOptionValue value) override {
    script_->log.push_back("PutOption " + OptionText(option, value, IsTextOption(option)));
    SCRIPTED_CALL("PutOption " + std::to_string(option));
    return SQL_SUCCESS;
  }
  SQLResult QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) override {
    if (option == optActiveStatementLimit) {
      return QueryNumber(script_->statementLimit, buffer, size, length);
    }
    return SQL_NOTSUPPORTED;
  }
  SQLResult BeginTxn(TTransactionDesc* desc) override {
    script_->log.push_back("BeginTxn id=" + std::to_string(desc->TransactionID) +
                           " iso=" + std::to_string(desc->IsolationLevel));
    SCRIPTED_CALL("BeginTxn");
    return SQL_SUCCESS;
  }
  SQLResult CommitTxn(TTransactionDesc*) override {
    script_->log.push_back("CommitTxn");
    SCRIPTED_CALL("CommitTxn");
    return SQL_SUCCESS;
  }
  SQLResult RollbackTxn(TTransactionDesc*) override {
    script_->log.push_back("RollbackTxn");
    SCRIPTED_CALL("RollbackTxn");
    return SQL_SUCCESS;
  }
  SQLResult ErrorText(char* buffer) override { return CopyError(script_->sessionError, buffer); }
  SQLResult ErrorTextLength(int16_t* length) override {
    return ErrorLength(script_, script_->sessionError, length);
  }

 private:
  DriverScript* script_;
};

class Driver : public RefCounted<ISQLDriver> {
 public:
  explicit Driver(DriverScript* script) : script_(script) {}
  SQLResult NewSession(ISQLConnection** session) override {
    *session = nullptr;
    SCRIPTED_CALL("NewSession");
    *session = new Session(script_);
    return SQL_SUCCESS;
  }

 private:
  DriverScript* script_;
};

#undef SCRIPTED_CALL

}  // namespace scripted

// The library's one exported entry point; `vendorLib` is "script:<address of the script>".
extern "C" __attribute__((visibility("default"))) SQLResult getSQLDriverINTERBASE(
    const char* vendorLib, const char* errorResourceFile, ISQLDriver** driver) {
  *driver = nullptr;
  if (vendorLib == nullptr || std::strncmp(vendorLib, "script:", 7) != 0) {
    return SQL_DRIVERINITFAILED;
  }
  auto* script = reinterpret_cast<DriverScript*>(std::strtoull(vendorLib + 7, nullptr, 16));
  if (script == nullptr) return SQL_DRIVERINITFAILED;
  ++script->calls["Entry"];
  script->log.push_back(std::string("Entry ") + vendorLib + "|" +
                        (errorResourceFile != nullptr ? errorResourceFile : ""));
  if (SQLResult status = script->Status("Entry"); status != SQL_SUCCESS) return status;
  *driver = new scripted::Driver(script);
  return SQL_SUCCESS;
}
