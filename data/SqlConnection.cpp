// TSQLConnection: settings, connect and disconnect, transactions, driver errors, clones.

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

#include "data/SqlExpr.h"
#include "data/SqlSupport.h"
#include "data/TextCase.h"
#include "platform/ProgramFolder.h"

namespace {

const char* StatusText(SQLResult status) {
  switch (status) {
    case 1: return "[0x0001]: Warning";
    case 2: return "[0x0002]: Insufficient Memory for Operation";
    case 3: return "[0x0003]: Invalid Field Type";
    case 4: return "[0x0004]: Invalid Handle";
    case 5: return "[0x0005]: Operation Not Supported";
    case 6: return "[0x0006]: Invalid Time";
    case 7: return "[0x0007]: Invalid Data Translation";
    case 8: return "[0x0008]: Parameter/Column out of Range";
    case 9: return "[0x0009]: Invalid Parameter";
    case 10: return "[0x000A]: Result set at EOF";
    case 11: return "Driver Error [0x000B]: Parameter Not Set";
    case 12: return "[0x000C] Invalid Username/Password";
    case 13: return "[0x000D]: Invalid Precision";
    case 14: return "[0x000E]: Invalid Length";
    case 15: return "[0x000F]: Invalid Transaction Isolation Level";
    case 16: return "[0x0010]: Invalid Transaction ID";
    case 17: return "[0x0011]: Duplicate Transaction ID";
    case 19: return "[0x0013]: Local Transaction already active";
    case 20: return "[0x0014]: Multiple Transactions not Enabled";
    case 21: return "[0x0015]: Connection failed";
    case 22: return "[0x0016]: Driver initialization failed";
    case 23: return "[0x0017]: Optimistic Locking failed";
    case 24: return "[0x0018]: Invalid REF";
    case 25: return "[0x0019]: No table found";
    case 64: return "[0x0064]: No more data";
    case 65: return "[0x0065]: SQL Error";
    default: return nullptr;
  }
}

// The server text of a driver object through its ErrorTextLength/ErrorText pair.
template <typename T>
std::string ServerText(T* object) {
  if (object == nullptr) return {};
  int16_t length = 0;
  if (object->ErrorTextLength(&length) != SQL_SUCCESS || length <= 0) return {};
  std::string buffer(static_cast<size_t>(length) + 1, '\0');
  object->ErrorText(buffer.data());
  return std::string(buffer.c_str());
}

// "TRUE"-rule options: 1 when the trimmed, upper-cased value is "TRUE".
SQLOptionValue TrueRule(const std::string& value) {
  return UpperCaseCp1252(sqlsupport::Trim(value)) == "TRUE" ? 1 : 0;
}

}  // namespace

std::string ComposeDriverError(SQLResult status, const std::string& serverText,
                               const std::string& lastError) {
  std::string message;
  if (status >= 1 && status <= 100) {
    if (const char* text = StatusText(status)) message = "Driver Error: " + std::string(text);
  }
  if (!serverText.empty()) {
    if (!message.empty()) message += "\r\n";
    message += "SQL Server Error: " + serverText;
  }
  if (message.empty()) message = lastError;
  if (message.empty()) {
    message = "Driver Error: Unknown Error Code '" + std::to_string(status) + "'";
  }
  return message;
}

// ---------------------------------------------------------------------------------------------
// Parameter list

int TConnectionParams::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameTextCp1252(Names(i), name)) return i;
  }
  return -1;
}

std::string TConnectionParams::Names(int index) const {
  const std::string& line = lines_[index];
  size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(0, equals);
}

std::string TConnectionParams::ValueFromIndex(int index) const {
  const std::string& line = lines_[index];
  size_t equals = line.find('=');
  return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

std::string TConnectionParams::Values(const std::string& name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TConnectionParams::SetValue(const std::string& name, const std::string& value) {
  int index = IndexOfName(name);
  if (index < 0) {
    lines_.push_back(name + "=" + value);
  } else {
    lines_[index] = name + "=" + value;
  }
}

// ---------------------------------------------------------------------------------------------
// Connection

std::function<bool(const std::string&, std::string&, std::string&)> TSQLConnection::LoginDialog;

TSQLConnection::TSQLConnection(std::string name) : name_(std::move(name)) {}

TSQLConnection::~TSQLConnection() {
  try {
    std::vector<TCustomSQLDataSet*> dataSets = dataSets_;
    for (TCustomSQLDataSet* dataSet : dataSets) {
      try {
        dataSet->Close();
      } catch (...) {
      }
      dataSet->FreeCommand();
      dataSet->connection_ = nullptr;
    }
    dataSets_.clear();
    clients_.clear();
    SetConnected(false);
  } catch (...) {
  }
  ReleaseDriverObjects();
}

void TSQLConnection::Error(const std::string& message) const {
  if (!name_.empty()) throw EDatabaseError(name_ + ": " + message);
  throw EDatabaseError(message);
}

void TSQLConnection::SQLError(SQLResult status, TSQLErrorSource source, ISQLCommand* command) {
  std::string server;
  switch (source) {
    case eSourceConnection: server = ServerText(session_); break;
    case eSourceCommand: server = ServerText(command); break;
    case eSourceMetaData: server = ServerText(metaData_); break;
    default: break;
  }
  std::string message = ComposeDriverError(status, server, lastError_);
  lastError_ = message;
  throw ESQLDriverError(message, status);
}

void TSQLConnection::SetConnectionName(const std::string& value) {
  if (value == connectionName_) return;
  lastError_.clear();
  SetConnected(false);
  if (driverName_.empty() && value.empty()) {
    vendorLib_.clear();
    libraryName_.clear();
    params_.Clear();
  }
  paramsLoaded_ = false;
  connectionName_ = value;
  CloseDataSets();
}

void TSQLConnection::SetDriverName(const std::string& value) {
  if (Connected()) Error("Cannot perform this operation on an open connection");
  if (value == driverName_) return;
  if (connectionName_.empty()) {
    vendorLib_.clear();
    libraryName_.clear();
    getDriverFunc_.clear();
    params_.Clear();
  }
  driverName_ = value;
}

void TSQLConnection::SetParams(const TConnectionParams& params) {
  if (Connected()) Error("Cannot perform this operation on an open connection");
  params_ = params;
}

void TSQLConnection::SetKeepConnection(bool value) {
  if (value == keepConnection_) return;
  keepConnection_ = value;
  if (!value && Connected()) SetConnected(false);
}

bool TSQLConnection::Connected() const {
  return session_ != nullptr && (state_ == csStateOpen || state_ == csStateExecuting ||
                                 state_ == csStateFetching);
}

void TSQLConnection::SetConnected(bool value) {
  if (value == Connected()) return;
  if (value) {
    DoConnect();
  } else {
    DoDisconnect();
  }
}

void TSQLConnection::CheckSettings() {
  if (loadParamsOnConnect_) sqlsupport::LoadConnectionDefinition(*this);
  if (driverName_.empty()) throw EDatabaseError("Missing DriverName property");
  if (loadParamsOnConnect_) sqlsupport::LoadDriverDefinition(*this);
  if (libraryName_.empty()) Error("DLL/Shared Library Name not Set");
  if (vendorLib_.empty()) Error("DLL/Shared Library Name not Set");
  if (loadParamsOnConnect_ && getDriverFunc_.empty()) Error("DLL/Shared Library Name not Set");
  if (params_.Values("Database").empty()) {
    throw EDatabaseError(connectionName_.empty() ? "Connection name missing"
                                                 : "Missing Database property");
  }
}

void TSQLConnection::LoadDriver() {
  sqlsupport::Hourglass hourglass(hourglass_);
  if (library_ == nullptr) {
    std::string name = sqlsupport::Trim(libraryName_);
    library_ = dlopen(platform::ResolveLibraryPath(name).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) throw EDatabaseError("Unable to Load " + libraryName_);
  }
  std::string entry = sqlsupport::Trim(getDriverFunc_);
  entry_ = reinterpret_cast<GetSQLDriverProc>(dlsym(library_, entry.c_str()));
  if (entry_ == nullptr) throw EDatabaseError("Unable to Find Procedure " + getDriverFunc_);
}

void TSQLConnection::SetSessionOptions() {
  auto text = [&](const char* key, int32_t option) {
    std::string value = sqlsupport::Trim(params_.Values(key));
    if (!value.empty()) session_->PutOption(option, reinterpret_cast<SQLOptionValue>(value.c_str()));
  };
  auto flag = [&](const char* key, int32_t option) {
    std::string value = params_.Values(key);
    if (!value.empty()) session_->PutOption(option, TrueRule(value));
  };
  auto number = [&](const char* key, int32_t option) {
    std::string value = sqlsupport::Trim(params_.Values(key));
    if (!value.empty()) session_->PutOption(option, sqlsupport::StrToInt(value));
  };
  text("HostName", optHostName);
  text("RoleName", optRoleName);
  flag("WaitOnLocks", optWaitOnLocks);
  flag("CommitRetain", optCommitRetain);
  flag("AutoCommit", optAutoCommit);
  flag("BlockingMode", optBlockingMode);
  text("ServerCharSet", optServerCharSet);
  std::string isolation = params_.Values(driverName_ + " TransIsolation");
  isolationLevel_ = 0;
  if (!isolation.empty()) {
    std::string lower = LowerCaseCp1252(isolation);
    isolationLevel_ = lower == "repeatableread" ? 1 : lower == "dirtyread" ? 2 : 0;
    session_->PutOption(optIsolationLevel, isolationLevel_);
  }
  number("SqlDialect", optSqlDialect);
  flag("OS Authentication", optOSAuthentication);
  text("Server Port", optServerPort);
  flag("Multiple Transaction", optMultipleTransaction);
  flag("Trim Char", optTrimChar);
  text("Custom String", optCustomString);
  number("Connection Timeout", optConnectionTimeout);
  number("Lock Timeout", optLockTimeout);
}

void TSQLConnection::DoConnect() {
  if (BeforeConnect) BeforeConnect(*this);
  CheckSettings();
  state_ = csStateConnecting;
  TConnectionParams login;
  try {
    LoadDriver();
    sqlsupport::Hourglass hourglass(hourglass_);
    if (driver_ != nullptr) {
      driver_->Release();
      driver_ = nullptr;
    }
    std::string errorFile = sqlsupport::Trim(params_.Values("ErrorResourceFile"));
    if (entry_(vendorLib_.c_str(), errorFile.c_str(), &driver_) != SQL_SUCCESS) {
      driver_ = nullptr;
      throw EDatabaseError("Unable to Load " + vendorLib_);
    }
    SQLResult status = driver_->NewSession(&session_);
    if (status != SQL_SUCCESS) {
      session_ = nullptr;
      SQLError(status, eSourceConnection);
    }
    // The login lines: the password, user name and database lines, in list order.
    for (int i = 0; i < params_.Count(); ++i) {
      std::string name = params_.Names(i);
      const char* key = nullptr;
      for (const char* candidate : {"PASSWORD", "USER_NAME", "Database"}) {
        if (SameTextCp1252(name, candidate)) key = candidate;
      }
      if (key == nullptr) continue;
      std::string value = params_.ValueFromIndex(i);
      if (std::strcmp(key, "Database") == 0) value = sqlsupport::Trim(value);
      std::string line = std::string(key) + "=" + value;
      if (std::find(login.Lines().begin(), login.Lines().end(), line) == login.Lines().end()) {
        login.Add(line);
      }
    }
    if (loginPrompt_) {
      if (OnLogin) {
        OnLogin(*this, login);
      } else {
        std::string user = login.Values("USER_NAME");
        std::string password;
        if (!LoginDialog || !LoginDialog(connectionName_, user, password)) {
          throw EDatabaseError("Cannot connect to database '" + connectionName_ + "'");
        }
        login.SetValue("USER_NAME", user);
        login.SetValue("PASSWORD", password);
      }
    }
    SetSessionOptions();
    std::string database = sqlsupport::Trim(login.Values("Database"));
    std::string user = login.Values("USER_NAME");
    std::string password = login.Values("PASSWORD");
    status = session_->Attach(database.c_str(), user.c_str(), password.c_str());
    if (status != SQL_SUCCESS) SQLError(status, eSourceConnection);
    int32_t limit = 0;
    int16_t length = 0;
    session_->QueryOption(optActiveStatementLimit, &limit, 4, &length);
    maxStmtsPerConn_ = limit;
    status = session_->NewMetaData(&metaData_);
    if (status != SQL_SUCCESS || metaData_ == nullptr) {
      metaData_ = nullptr;
      SQLError(status, eSourceConnection);
    }
    std::string schema = sqlsupport::Trim(user);
    if (!schema.empty()) {
      metaData_->PutOption(metaOptSchemaName, reinterpret_cast<SQLOptionValue>(schema.c_str()));
    }
    char quote = 0;
    quoteChar_.clear();
    if (metaData_->QueryOption(metaOptQuoteChar, &quote, 1, &length) == SQL_SUCCESS &&
        quote != 0) {
      quoteChar_ = std::string(1, quote);
    }
    std::string blobSize = sqlsupport::Trim(params_.Values("BlobSize"));
    session_->PutOption(optBlobSize, blobSize.empty() ? -1 : sqlsupport::StrToInt(blobSize));
    int32_t supported = 0;
    metaData_->QueryOption(metaOptTransactionsSupported, &supported, 4, &length);
    transactionsSupported_ = supported != 0;
    int32_t multiple = 0;
    metaData_->QueryOption(metaOptMultipleTransactions, &multiple, 4, &length);
    multipleTransactions_ = multiple != 0;
    state_ = csStateOpen;
  } catch (...) {
    if (state_ == csStateConnecting) {
      state_ = csStateClosed;
      library_ = nullptr;  // forgotten; the library itself stays loaded
      if (metaData_ != nullptr) {
        metaData_->Release();
        metaData_ = nullptr;
      }
      if (session_ != nullptr) {
        session_->Release();
        session_ = nullptr;
      }
    }
    throw;
  }
  for (const Client& client : std::vector<Client>(clients_)) {
    if (client.onConnectChange) client.onConnectChange(true);
  }
  for (TCustomSQLDataSet* dataSet : dataSets_) dataSet->DataEvent(deConnectChange, 1);
  if (AfterConnect) AfterConnect(*this);
}

void TSQLConnection::DoDisconnect() {
  if (BeforeDisconnect) BeforeDisconnect(*this);
  for (const Client& client : std::vector<Client>(clients_)) {
    if (client.onConnectChange) client.onConnectChange(false);
  }
  for (TCustomSQLDataSet* dataSet : dataSets_) dataSet->DataEvent(deConnectChange, 0);
  if (driver_ != nullptr) {
    state_ = csStateDisconnecting;
    for (TCustomSQLDataSet* dataSet : std::vector<TCustomSQLDataSet*>(dataSets_)) {
      dataSet->Close();
      dataSet->FreeCommand();
    }
    if (session_ != nullptr) {
      session_->PutOption(optTraceCallback, 0);
      session_->PutOption(optTraceClientData, 0);
    }
    if (metaData_ != nullptr) {
      metaData_->Release();
      metaData_ = nullptr;
    }
    if (session_ != nullptr) {
      session_->Detach();
      session_->Release();
      session_ = nullptr;
    }
    transactionCount_ = 0;
    library_ = nullptr;
    state_ = csStateClosed;
    driver_->Release();
    driver_ = nullptr;
  }
  paramsLoaded_ = false;
  if (AfterDisconnect) AfterDisconnect(*this);
}

void TSQLConnection::ReleaseDriverObjects() {
  if (metaData_ != nullptr) metaData_->Release();
  if (session_ != nullptr) {
    session_->Detach();
    session_->Release();
  }
  if (driver_ != nullptr) driver_->Release();
  metaData_ = nullptr;
  session_ = nullptr;
  driver_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Transactions

void TSQLConnection::StartTransaction(const TTransactionDesc& desc) {
  if (!Connected()) SetConnected(true);
  if (!Connected()) Error("Cannot perform this operation on a closed connection");
  if (!transactionsSupported_) return;
  if (transactionCount_ > 0 && !multipleTransactions_) Error("A transaction is already active");
  TTransactionDesc copy = desc;
  SQLResult status = session_->BeginTxn(&copy);
  if (status != SQL_SUCCESS && status != SQL_NOTSUPPORTED) SQLError(status, eSourceConnection);
  ++transactionCount_;
}

void TSQLConnection::Commit(const TTransactionDesc& desc) {
  if (!transactionsSupported_) return;
  if (transactionCount_ <= 0) Error("There is no active transaction");
  if (session_ == nullptr) Error("Cannot perform this operation on a closed connection");
  TTransactionDesc copy = desc;
  SQLResult status = session_->CommitTxn(&copy);
  if (status != SQL_SUCCESS && status != SQL_NOTSUPPORTED) SQLError(status, eSourceConnection);
  --transactionCount_;
  CloseIfIdle();
}

void TSQLConnection::Rollback(const TTransactionDesc& desc) {
  if (!transactionsSupported_) return;
  if (transactionCount_ <= 0) Error("There is no active transaction");
  if (session_ == nullptr) Error("Cannot perform this operation on a closed connection");
  TTransactionDesc copy = desc;
  SQLResult status = session_->RollbackTxn(&copy);
  if (status != SQL_SUCCESS && status != SQL_NOTSUPPORTED) SQLError(status, eSourceConnection);
  --transactionCount_;
  CloseIfIdle();
}

bool TSQLConnection::ActiveStatements() const {
  return std::any_of(dataSets_.begin(), dataSets_.end(),
                     [](const TCustomSQLDataSet* dataSet) { return dataSet->Active(); });
}

void TSQLConnection::CloseIfIdle() {
  if (Connected() && !keepConnection_ && transactionCount_ == 0 && !ActiveStatements()) {
    SetConnected(false);
  }
}

// ---------------------------------------------------------------------------------------------
// Clients, clones and direct execution

void TSQLConnection::RegisterClient(void* client, std::function<void(bool)> onConnectChange) {
  UnregisterClient(client);
  clients_.push_back(Client{client, std::move(onConnectChange)});
}

void TSQLConnection::UnregisterClient(void* client) {
  clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                [client](const Client& c) { return c.client == client; }),
                 clients_.end());
}

void TSQLConnection::CloseDataSets() {
  for (TCustomSQLDataSet* dataSet : std::vector<TCustomSQLDataSet*>(dataSets_)) dataSet->Close();
}

TSQLConnection* TSQLConnection::GetConnectionForStatement(std::unique_ptr<TSQLConnection>* clone) {
  TSQLConnection* result = this;
  if (maxStmtsPerConn_ > 0 && activeStatements_ >= maxStmtsPerConn_ && transactionCount_ == 0 &&
      autoClone_ && clone != nullptr) {
    TSQLConnection* parent = isClone_ && cloneParent_ != nullptr ? cloneParent_ : this;
    auto made = std::make_unique<TSQLConnection>(parent->name_ + "Clone1");
    made->isClone_ = true;
    made->cloneParent_ = parent;
    made->loadParamsOnConnect_ = false;
    made->loginPrompt_ = false;
    made->driverName_ = driverName_;
    made->connectionName_ = connectionName_;
    made->params_ = params_;
    made->getDriverFunc_ = getDriverFunc_;
    made->libraryName_ = libraryName_;
    made->vendorLib_ = vendorLib_;
    made->tableScope_ = tableScope_;
    if (Connected()) made->SetConnected(true);
    result = made.get();
    *clone = std::move(made);
  }
  activeStatements_ = 0;
  return result;
}

int TSQLConnection::Execute(const std::string& sql, const TParams* params,
                            std::unique_ptr<TCustomSQLDataSet>* resultSet) {
  auto statement = std::make_unique<TCustomSQLDataSet>();
  if (!Connected()) SetConnected(true);
  sqlsupport::Hourglass hourglass(hourglass_);
  statement->SetSQLConnection(this);
  state_ = csStateExecuting;
  int rows = 0;
  try {
    bool withParams = params != nullptr && params->Count() > 0;
    std::string text = withParams ? sqlsupport::ReplaceParamMarkers(sql, quoteChar_) : sql;
    if (resultSet != nullptr) {
      statement->SetCommandText(text);
      statement->Params().Clear();
      if (withParams) {
        for (int i = 0; i < params->Count(); ++i) {
          TParam param = (*params)[i];
          param.Name = "P" + std::to_string(i + 1);
          statement->Params().Add(param);
        }
      }
      statement->SetMaxBlobSize(-1);
      statement->nativeCommand_ = text;
      statement->Open();
      *resultSet = std::move(statement);
    } else {
      statement->commandText_ = text;
      statement->nativeCommand_ = text;
      if (withParams) statement->params_ = *params;
      rows = statement->ExecSQL(true);
    }
  } catch (...) {
    if (state_ == csStateExecuting) state_ = csStateOpen;
    throw;
  }
  if (state_ == csStateExecuting) state_ = csStateOpen;
  return rows;
}
