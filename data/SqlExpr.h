#pragma once

// The SQL connection (TSQLConnection) over a loadable database driver library, and the
// statements (TCustomSQLDataSet, TSQLQuery) that run SQL over it and read the result forward
// only, one row at a time, straight from the driver's cursor.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/DB.h"
#include "driver/SQLDriver.h"

class TCustomSQLDataSet;
class TSQLConnection;

// A driver failure, raised with the composed message (status texts and the server's text).
class ESQLDriverError : public EDatabaseError {
 public:
  ESQLDriverError(std::string message, SQLResult status)
      : EDatabaseError(std::move(message)), status_(status) {}
  SQLResult Status() const { return status_; }

 private:
  SQLResult status_;
};

// Which driver object a failure is asked about for its server text.
enum TSQLErrorSource : int {
  eSourceConnection = 0,
  eSourceCommand = 1,
  eSourceCursor = 2,
  eSourceMetaData = 3,
  eSourceNone = 4
};

// Composes the message of a driver failure: "Driver Error: ..." for the standard statuses
// (1 to 100), then "SQL Server Error: <text>" when `serverText` is non-empty, joined by CR LF.
// An empty result falls back to `lastError`, then to "Driver Error: Unknown Error Code '%s'".
std::string ComposeDriverError(SQLResult status, const std::string& serverText,
                               const std::string& lastError);

// The session parameter list: "name=value" lines in order, looked up by name without
// regard to case. Setting a value rewrites the found line in place as the name as given, an
// equals sign and the value, or appends a new line.
class TConnectionParams {
 public:
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_[index]; }
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void Clear() { lines_.clear(); }
  const std::vector<std::string>& Lines() const { return lines_; }
  void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
  // Index of the line whose name equals `name` without regard to case, or -1.
  int IndexOfName(const std::string& name) const;
  // Name and value of line `index` (the text before and after the first "=").
  std::string Names(int index) const;
  std::string ValueFromIndex(int index) const;
  // The value of `name`; empty when missing.
  std::string Values(const std::string& name) const;
  void SetValue(const std::string& name, const std::string& value);
  bool operator==(const TConnectionParams& other) const { return lines_ == other.lines_; }

 private:
  std::vector<std::string> lines_;
};

enum TTableScopeItem : unsigned { tsSynonym = 1, tsSysTable = 2, tsTable = 4, tsView = 8 };
using TTableScope = unsigned;

// Connection states (one byte).
enum TConnectionState : uint8_t {
  csStateClosed = 0,
  csStateOpen = 1,
  csStateConnecting = 2,
  csStateExecuting = 3,
  csStateFetching = 4,
  csStateDisconnecting = 5
};

// A session with one database through the driver library named by LibraryName.
class TSQLConnection {
 public:
  explicit TSQLConnection(std::string name = "");
  // Closes and releases all statements of the connection and the session. Never throws.
  ~TSQLConnection();
  TSQLConnection(const TSQLConnection&) = delete;
  TSQLConnection& operator=(const TSQLConnection&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // Settings. Setting DriverName or Params while connected raises "Cannot perform this
  // operation on an open connection".
  const std::string& ConnectionName() const { return connectionName_; }
  void SetConnectionName(const std::string& value);
  const std::string& DriverName() const { return driverName_; }
  void SetDriverName(const std::string& value);
  const std::string& GetDriverFunc() const { return getDriverFunc_; }
  void SetGetDriverFunc(std::string value) { getDriverFunc_ = std::move(value); }
  const std::string& LibraryName() const { return libraryName_; }
  void SetLibraryName(std::string value) { libraryName_ = std::move(value); }
  const std::string& VendorLib() const { return vendorLib_; }
  void SetVendorLib(std::string value) { vendorLib_ = std::move(value); }
  bool KeepConnection() const { return keepConnection_; }
  void SetKeepConnection(bool value);
  bool LoadParamsOnConnect() const { return loadParamsOnConnect_; }
  void SetLoadParamsOnConnect(bool value) { loadParamsOnConnect_ = value; }
  bool LoginPrompt() const { return loginPrompt_; }
  void SetLoginPrompt(bool value) { loginPrompt_ = value; }
  TTableScope TableScope() const { return tableScope_; }
  void SetTableScope(TTableScope value) { tableScope_ = value; }
  // The parameter list; change it only while closed (the setter checks).
  TConnectionParams& Params() { return params_; }
  const TConnectionParams& Params() const { return params_; }
  void SetParams(const TConnectionParams& params);

  // Opening and closing; afterwards the state is 1 (open) or 0 (closed).
  bool Connected() const;
  void SetConnected(bool value);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }
  TConnectionState ConnectionState() const { return state_; }

  // Transactions (descriptor transaction id 1 and the connection's isolation level).
  void StartTransaction(const TTransactionDesc& desc);
  void Commit(const TTransactionDesc& desc);
  void Rollback(const TTransactionDesc& desc);
  bool InTransaction() const { return transactionCount_ > 0; }
  int TransactionCount() const { return transactionCount_; }
  int TransactionIsolation() const { return isolationLevel_; }
  bool TransactionsSupported() const { return transactionsSupported_; }
  bool MultipleTransactionsSupported() const { return multipleTransactions_; }

  // Runs `sql` with `params` (may be null): parameter references become " ? " and are bound
  // by position. With `resultSet`, the statement is opened and handed to the caller (who owns
  // it); returns 0 then. Otherwise returns the rows affected.
  int Execute(const std::string& sql, const TParams* params,
              std::unique_ptr<TCustomSQLDataSet>* resultSet = nullptr);
  // Executes `sql` without parameters; returns the rows affected.
  int ExecuteDirect(const std::string& sql) { return Execute(sql, nullptr); }

  // The driver's object quote character ("" when none), read at connect.
  const std::string& QuoteChar() const { return quoteChar_; }
  int ActiveStatementLimit() const { return maxStmtsPerConn_; }
  const std::string& LastError() const { return lastError_; }
  bool AutoClone() const { return autoClone_; }
  void SetAutoClone(bool value) { autoClone_ = value; }
  bool IsClone() const { return isClone_; }

  // Raises the composed driver error of `status` from `source` (with `command` for commands).
  [[noreturn]] void SQLError(SQLResult status, TSQLErrorSource source,
                             ISQLCommand* command = nullptr);

  // The registered statements, in registration order.
  int DataSetCount() const { return static_cast<int>(dataSets_.size()); }
  TCustomSQLDataSet* DataSets(int index) const { return dataSets_[index]; }
  // Registers a statement (statements do this when their SQLConnection is set) or any other
  // client; `onConnectChange` is called with true after connecting and false before closing.
  void RegisterClient(void* client, std::function<void(bool connected)> onConnectChange = {});
  void UnregisterClient(void* client);
  // Closes every open statement of the connection.
  void CloseDataSets();

  // The connection a statement prepares on: this one, or a new clone when the driver's
  // active statement limit is reached (the caller owns a returned clone).
  TSQLConnection* GetConnectionForStatement(std::unique_ptr<TSQLConnection>* clone);
  // Counts a prepared SELECT against the active statement limit.
  void IncrementActiveStatements() { ++activeStatements_; }

  ISQLConnection* Session() const { return session_; }
  // Hourglass flag: whether the mouse cursor shows the hourglass while the connection works.
  bool SQLHourGlass() const { return hourglass_; }
  void SetSQLHourGlass(bool value) { hourglass_ = value; }

  using TNotifyEvent = std::function<void(TSQLConnection&)>;
  TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;
  // Replaces the login dialog when LoginPrompt is set; may rewrite the login lines.
  std::function<void(TSQLConnection&, TConnectionParams& loginParams)> OnLogin;

  // The login dialog used when LoginPrompt is set and OnLogin is not: fills user name and
  // password and returns false when the user cancels. Unset = cancelled.
  static std::function<bool(const std::string& connectionName, std::string& user,
                            std::string& password)>
      LoginDialog;

  // Called when a statement of this connection closes, after a commit or a rollback:
  // closes the session when KeepConnection is false and nothing uses it.
  void CloseIfIdle();

 private:
  friend class TCustomSQLDataSet;
  [[noreturn]] void Error(const std::string& message) const;  // prefixed with the name
  void DoConnect();
  void DoDisconnect();
  void CheckSettings();
  void LoadDriver();
  void SetSessionOptions();
  void ReleaseDriverObjects();
  bool ActiveStatements() const;

  std::string name_;
  std::string connectionName_, driverName_, getDriverFunc_, libraryName_, vendorLib_;
  bool keepConnection_ = true;
  bool loadParamsOnConnect_ = false;
  bool loginPrompt_ = true;
  TTableScope tableScope_ = tsTable | tsView;
  TConnectionParams params_;

  TConnectionState state_ = csStateClosed;
  void* library_ = nullptr;
  GetSQLDriverProc entry_ = nullptr;
  ISQLDriver* driver_ = nullptr;
  ISQLConnection* session_ = nullptr;
  ISQLMetaData* metaData_ = nullptr;
  std::string quoteChar_;
  int maxStmtsPerConn_ = 0;
  int activeStatements_ = 0;
  int transactionCount_ = 0;
  bool transactionsSupported_ = false;
  bool multipleTransactions_ = false;
  int isolationLevel_ = 0;
  std::string lastError_;
  bool hourglass_ = true;
  bool autoClone_ = true;
  bool isClone_ = false;
  TSQLConnection* cloneParent_ = nullptr;
  bool paramsLoaded_ = false;

  struct Client {
    void* client;
    std::function<void(bool)> onConnectChange;
  };
  std::vector<Client> clients_;
  std::vector<TCustomSQLDataSet*> dataSets_;
};

enum TSQLCommandType { ctQuery, ctTable, ctStoredProc };

// A statement: its command text is prepared as a driver command, executed, and its cursor
// read forward only. Field values are read from the driver for the current row each time a
// field is read.
class TCustomSQLDataSet : public TDataSet {
 public:
  explicit TCustomSQLDataSet(std::string name = "");
  ~TCustomSQLDataSet() override;

  TSQLConnection* SQLConnection() const { return connection_; }
  // Attaches the statement to `connection` (closing it and releasing its command first).
  void SetSQLConnection(TSQLConnection* connection);

  const std::string& CommandText() const { return commandText_; }
  // Stores the text without leading characters below code 33; a new text closes the
  // statement (which must be closed), releases its command and rebuilds Params.
  void SetCommandText(const std::string& text);
  TSQLCommandType CommandType() const { return commandType_; }
  const std::string& NativeCommand() const { return nativeCommand_; }

  TParams& Params() { return params_; }
  const TParams& Params() const { return params_; }
  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool value) { paramCheck_ = value; }
  // BLOB size limit in kilobytes: -1 no limit, 0 no BLOB data.
  int MaxBlobSize() const { return maxBlobSize_; }
  void SetMaxBlobSize(int value);
  bool NumericMapping() const { return numericMapping_; }
  void SetNumericMapping(bool value) { numericMapping_ = value; }
  bool GetMetadata() const { return getMetadata_; }
  void SetGetMetadata(bool value) { getMetadata_ = value; }
  bool NoMetadata() const { return noMetadata_; }
  void SetNoMetadata(bool value) { noMetadata_ = value; }
  const std::string& SchemaName() const { return schemaName_; }
  void SetSchemaName(std::string value) { schemaName_ = std::move(value); }
  // Master for parameter values: unbound parameters take its fields' values by name.
  TDataSource* DataSource() const { return masterSource_; }
  void SetDataSource(TDataSource* source) { masterSource_ = source; }

  bool Prepared() const { return prepared_; }
  void SetPrepared(bool value);
  // Executes a statement that returns no rows; returns the rows affected.
  int ExecSQL(bool execDirect = false);
  // The rows affected by the last execution.
  int RowsAffected();
  const std::string& LastError() const { return lastError_; }
  bool IsUniDirectional() const override { return true; }
  int RecordCount() const override { return -1; }

  // Provider support.
  void PSSetCommandText(const std::string& text);
  void PSSetParams(const TParams& params);
  void PSReset();
  std::string PSGetTableName() const;
  std::string PSGetQuoteChar() const;
  std::string PSGetKeyFields() const;
  bool PSIsSQLBased() const { return true; }
  bool PSIsSQLSupported() const { return true; }
  bool PSInTransaction() const;
  void PSStartTransaction();
  void PSEndTransaction(bool commit);
  // Runs `sql` through the connection's direct execution; returns the rows affected.
  int PSExecuteStatement(const std::string& sql, const TParams* params,
                         std::unique_ptr<TCustomSQLDataSet>* resultSet = nullptr);
  // The data set attributes a provider adds to its packets: "LCID" from "LocaleCode".
  int32_t PSGetLocaleId() const;
  // The error the provider reports for a failed update: a copy of `error`, or "SQL Error:
  // Error mapping failed" when there is none.
  std::unique_ptr<EDatabaseError> PSGetUpdateException(const std::exception* error) const;

  bool GetFieldData(const TField& field, void* buffer) const override;
  // The BLOB value of `field` on the current row (empty = NULL or nothing read).
  std::string GetBlobFieldData(const TField& field) const;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return cursor_ != nullptr; }
  void InternalInitFieldDefs() override;
  size_t RecordBufferSize() const override { return 1; }
  TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalSetToRecord(const TRecordBuffer&) override {}

  void SetCommandType(TSQLCommandType type) { commandType_ = type; }

 private:
  friend class TSQLConnection;
  [[noreturn]] void Error(const std::string& message) const;  // prefixed with the name
  [[noreturn]] void SQLError(SQLResult status, TSQLErrorSource source);
  void CheckConnection();
  void PrepareStatement();
  void ExecuteStatement();
  void BindParams();
  void FreeCommand();
  void FreeCursor();
  void SetParamsFromMaster();
  void AddFieldDefs();
  // The cursor's column for `field`, or 0 when it has none.
  uint16_t ColumnOf(const TField& field) const;

  TSQLConnection* connection_ = nullptr;
  std::unique_ptr<TSQLConnection> clone_;
  std::string commandText_;
  std::string nativeCommand_;
  TSQLCommandType commandType_ = ctQuery;
  TParams params_;
  bool paramCheck_ = true;
  int maxBlobSize_ = 0;
  bool numericMapping_ = false;
  bool getMetadata_ = true;
  bool noMetadata_ = false;
  std::string schemaName_;
  TDataSource* masterSource_ = nullptr;

  bool prepared_ = false;
  bool statementOpen_ = false;
  ISQLCommand* command_ = nullptr;
  ISQLCursor* cursor_ = nullptr;
  int rowsAffected_ = -1;
  int recordCountCache_ = -1;
  std::string lastError_;
  // Cursor position: rows fetched since execution, end reached, current row to repeat once.
  int rowsFetched_ = 0;
  bool cursorEof_ = false;
  bool repeatCurrent_ = false;
  struct ColumnType {
    uint16_t type = 0;
    uint32_t size = 0;
    // The BCD field last read from this column and its precision (a read-path cache).
    mutable const TField* bcdField = nullptr;
    mutable int bcdPrecision = 0;
  };
  std::vector<ColumnType> columnTypes_;  // by column (index 0 = column 1)
  mutable std::vector<char> scratch_;
  mutable std::string blobBuffer_;
};

// A statement with an SQL text.
class TSQLQuery : public TCustomSQLDataSet {
 public:
  explicit TSQLQuery(std::string name = "");
  // The SQL lines; setting them closes the statement, releases its command and stores the
  // lines joined as the command text.
  const std::vector<std::string>& SQL() const { return sql_; }
  void SetSQL(const std::vector<std::string>& lines);
  void SetSQL(const std::string& text) { SetSQL(std::vector<std::string>{text}); }

 private:
  std::vector<std::string> sql_;
};
