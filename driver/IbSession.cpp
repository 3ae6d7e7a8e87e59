#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "driver/EngineLocks.h"
#include "driver/IbDriver.h"
#include "driver/RunningSessions.h"
#include "platform/Utf8FileNames.h"

namespace ibdriver {

namespace {

// The longest database name the attach can carry (its length is a signed 16-bit number).
constexpr size_t kMaxDatabaseName = 32767;

// Status vector code of a refused login.
constexpr ISC_STATUS kLoginRefused = 335544472L;

// The status a process ends with when its attach meets a lock a dead process left (the batch
// exporter's "database or file error").
constexpr int kStaleLockStatus = 3;

// Transaction parameter block entry list for one database.
struct TransactionTarget {
  isc_db_handle* database;
  long length;
  const char* block;
};

bool IsTrue(SQLOptionValue value) { return value != 0; }

// Converts `text` with iconv. An input the target lacks gives '?' when `unknown` is set (the
// input is then UTF-32LE, four bytes a character); any other failure gives nullopt.
std::optional<std::string> Convert(const char* to, const char* from, const std::string& text,
                                   bool unknown) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string result;
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char buffer[256];
  bool ok = true;
  while (ok && inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t done = iconv(converter, &in, &inLeft, &out, &outLeft);
    result.append(buffer, sizeof buffer - outLeft);
    if (done != static_cast<size_t>(-1) || errno == E2BIG) continue;
    ok = errno == EILSEQ && unknown && inLeft >= 4;
    if (ok) {
      result += '?';
      in += 4;
      inLeft -= 4;
    }
  }
  iconv_close(converter);
  if (!ok) return std::nullopt;
  return result;
}

// A message of the client library that names a file holds the name as UTF-8; the program's
// text is Windows-1252, where a character it lacks becomes '?'. Text that is not UTF-8 is
// given as it is.
std::string Utf8ToWin1252(const std::string& text) {
  std::optional<std::string> wide = Convert("UTF-32LE", "UTF-8", text, false);
  if (!wide) return text;
  return Convert("WINDOWS-1252", "UTF-32LE", *wide, true).value_or(text);
}

std::string Text(SQLOptionValue value) {
  const char* text = reinterpret_cast<const char*>(value);
  return text != nullptr ? std::string(text) : std::string();
}

void AddDpbText(std::string& dpb, char item, const std::string& value) {
  std::string bytes = value.substr(0, 255);
  dpb += item;
  dpb += static_cast<char>(bytes.size());
  dpb += bytes;
}

}  // namespace

SQLResult ErrorHolder::CopyText(char* buffer) const {
  if (buffer == nullptr) return SQL_INVALIDPARAM;
  std::memcpy(buffer, error_.c_str(), error_.size() + 1);
  return SQL_SUCCESS;
}

SQLResult ErrorHolder::TextLength(int16_t* length) const {
  if (length == nullptr) return SQL_INVALIDPARAM;
  *length = static_cast<int16_t>(error_.size() > 32000 ? 32000 : error_.size());
  return SQL_SUCCESS;
}

SQLResult Driver::NewSession(ISQLConnection** session) {
  if (session == nullptr) return SQL_INVALIDPARAM;
  *session = new Session(api_);
  return SQL_SUCCESS;
}

Session::~Session() { Detach(); }

SQLResult Session::Attach(const char* database, const char* user, const char* password) {
  if (attached()) return Fail(SQL_CONNECTIONFAILED, "The session is already attached");
  std::string name = database != nullptr ? database : "";
  if (!hostName_.empty() && name.find(':') == std::string::npos) {
    name = hostName_ + (serverPort_.empty() ? "" : "/" + serverPort_) + ":" + name;
  }
  // The attach takes the name's length as a 16-bit number: a longer name would open the
  // database its cut length names.
  if (name.size() > kMaxDatabaseName) {
    return Fail(SQL_INVALIDPARAM, "The database name is too long (" + std::to_string(name.size()) +
                                      " bytes; at most " + std::to_string(kMaxDatabaseName) + ")");
  }
  std::string dpb(1, static_cast<char>(isc_dpb_version1));
  if (user != nullptr && *user != 0) AddDpbText(dpb, isc_dpb_user_name, user);
  if (password != nullptr && *password != 0) AddDpbText(dpb, isc_dpb_password, password);
  AddDpbText(dpb, isc_dpb_lc_ctype, charSet_.empty() ? "WIN1252" : charSet_);
  if (!roleName_.empty()) AddDpbText(dpb, isc_dpb_sql_role_name, roleName_);
  dpb += static_cast<char>(isc_dpb_sql_dialect);
  dpb += static_cast<char>(4);
  for (int i = 0; i < 4; ++i) dpb += static_cast<char>((dialect_ >> (8 * i)) & 0xFF);
  // The name is the file system's bytes, UTF-8 (host and port are ASCII).
  dpb += static_cast<char>(isc_dpb_utf8_filename);
  dpb += static_cast<char>(0);
  if (!api_->rootProblem.empty()) return Fail(SQL_CONNECTIONFAILED, api_->rootProblem);
  // A local file is opened by the engine in this process: a lock a dead process left in the
  // lock folder would hold the attach for ever.
  const bool local = !name.empty() && name.front() == '/';
  if (local) {
    const std::string folder = EngineLockFolder();
    if (const auto stale = FindStaleEngineLock(folder)) {
      return Fail(SQL_CONNECTIONFAILED, StaleEngineLockText(folder, *stale));
    }
  }
  ISC_STATUS_ARRAY status;
  ISC_STATUS failed;
  {
    platform::Utf8FileNames utf8;
    std::optional<EngineLockWatch> watch;
    if (local) watch.emplace(kStaleLockStatus);
    failed = api_->attach_database(status, static_cast<short>(name.size()), name.c_str(),
                                   &database_, static_cast<short>(dpb.size()), dpb.data());
  }
  if (failed != 0) {
    database_ = 0;
    SQLResult code = status[1] == kLoginRefused ? SQL_INVALIDUSRPASS : SQL_SERVERERROR;
    std::string text = StatusText(*api_, status);
    if (charSet_.empty() || charSet_ == "WIN1252") text = Utf8ToWin1252(text);
    return Fail(code, text);
  }
  precisions_.clear();
  SessionAttached(*api_, &database_);
  return SQL_SUCCESS;
}

void Session::ReadingEnded(Command* command) {
  reading_.erase(std::remove(reading_.begin(), reading_.end(), command), reading_.end());
}

void Session::StopReading() {
  for (Command* command : reading_) command->StopReadAhead();
}

SQLResult Session::Detach() {
  if (!attached()) return SQL_SUCCESS;
  SessionDetaching(&database_);
  StopReading();
  ISC_STATUS_ARRAY status;
  if (transaction_ != 0) {
    // An open transaction is rolled back, a retained one (commit retaining) committed.
    if (inTransaction_) {
      api_->rollback_transaction(status, &transaction_);
    } else {
      api_->commit_transaction(status, &transaction_);
    }
    transaction_ = 0;
    inTransaction_ = false;
  }
  SQLResult result = SQL_SUCCESS;
  if (api_->detach_database(status, &database_) != 0) {
    result = Fail(SQL_SERVERERROR, StatusText(*api_, status));
  }
  database_ = 0;
  return result;
}

SQLResult Session::NewCommand(ISQLCommand** command) {
  if (command == nullptr) return SQL_INVALIDPARAM;
  *command = nullptr;
  if (!attached()) return Fail(SQL_INVALIDHNDL, "The session is not attached");
  *command = new Command(this);
  return SQL_SUCCESS;
}

SQLResult Session::NewMetaData(ISQLMetaData** metaData) {
  if (metaData == nullptr) return SQL_INVALIDPARAM;
  *metaData = new MetaData(this);
  return SQL_SUCCESS;
}

SQLResult Session::PutOption(int32_t option, SQLOptionValue value) {
  switch (option) {
    case optRoleName: roleName_ = Text(value); break;
    case optServerCharSet: charSet_ = Text(value); break;
    case optHostName: hostName_ = Text(value); break;
    case optServerPort: serverPort_ = Text(value); break;
    case optSqlDialect: dialect_ = value == 1 || value == 2 ? static_cast<int>(value) : 3; break;
    case optIsolationLevel:
      if (value < 0 || value > 2) return SQL_INVALIDTXNISOLEVEL;
      isolation_ = static_cast<int>(value);
      break;
    case optWaitOnLocks: waitOnLocks_ = IsTrue(value); break;
    case optLockTimeout: lockTimeout_ = value > 0 ? static_cast<int>(value) : 0; break;
    case optCommitRetain: commitRetain_ = IsTrue(value); break;
    case optTrimChar: trimChar_ = IsTrue(value); break;
    case optBlobSize: blobSizeKB_ = static_cast<int>(value); break;
    case optTraceCallback:
    case optTraceClientData:
      break;  // the driver writes no trace
    default:
      break;  // accepted and without effect on this server
  }
  return SQL_SUCCESS;
}

SQLResult Session::QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) {
  if (buffer == nullptr) return SQL_INVALIDPARAM;
  int32_t number = 0;
  switch (option) {
    case optActiveStatementLimit: number = 0; break;
    case optSqlDialect: number = dialect_; break;
    case optIsolationLevel: number = isolation_; break;
    case optBlobSize: number = blobSizeKB_; break;
    default: return SQL_NOTSUPPORTED;
  }
  if (size < 4) return SQL_INVALIDLEN;
  std::memcpy(buffer, &number, 4);
  if (length != nullptr) *length = 4;
  return SQL_SUCCESS;
}

bool Session::StartTransaction(isc_tr_handle* handle, int isolation, ISC_STATUS* status) {
  std::string tpb;
  tpb += static_cast<char>(isc_tpb_version3);
  tpb += static_cast<char>(isc_tpb_write);
  if (isolation == 1) {
    tpb += static_cast<char>(isc_tpb_concurrency);
  } else {
    // Firebird has no dirty reads: level 2 reads committed data as level 0 does.
    tpb += static_cast<char>(isc_tpb_read_committed);
    tpb += static_cast<char>(isc_tpb_rec_version);
  }
  tpb += static_cast<char>(waitOnLocks_ ? isc_tpb_wait : isc_tpb_nowait);
  if (waitOnLocks_ && lockTimeout_ > 0) {
    tpb += static_cast<char>(isc_tpb_lock_timeout);
    tpb += static_cast<char>(4);
    for (int shift = 0; shift < 32; shift += 8) {
      tpb += static_cast<char>((static_cast<uint32_t>(lockTimeout_) >> shift) & 0xFF);
    }
  }
  TransactionTarget target{&database_, static_cast<long>(tpb.size()), tpb.data()};
  *handle = 0;
  return api_->start_multiple(status, handle, 1, &target) == 0;
}

SQLResult Session::BeginTxn(TTransactionDesc* desc) {
  if (!attached()) return Fail(SQL_INVALIDHNDL, "The session is not attached");
  if (inTransaction_) return Fail(SQL_LOCALTRANSACTIVE, "A transaction is already active");
  ISC_STATUS_ARRAY status;
  if (transaction_ != 0) {
    // Left open by a commit retaining: it carries on as the new transaction.
    inTransaction_ = true;
    return SQL_SUCCESS;
  }
  int isolation = desc != nullptr ? desc->IsolationLevel : isolation_;
  if (isolation < 0 || isolation > 2) {
    return Fail(SQL_INVALIDTXNISOLEVEL, "Invalid transaction isolation level");
  }
  if (!StartTransaction(&transaction_, isolation, status)) {
    transaction_ = 0;
    return Fail(SQL_SERVERERROR, StatusText(*api_, status));
  }
  inTransaction_ = true;
  return SQL_SUCCESS;
}

SQLResult Session::EndTransaction(bool commit) {
  if (!inTransaction_) return Fail(SQL_INVALIDTXNID, "There is no active transaction");
  StopReading();
  ISC_STATUS_ARRAY status;
  ISC_STATUS failed;
  bool retain = commit && commitRetain_;
  if (retain) {
    failed = api_->commit_retaining(status, &transaction_);
  } else if (commit) {
    failed = api_->commit_transaction(status, &transaction_);
  } else {
    failed = api_->rollback_transaction(status, &transaction_);
  }
  if (failed != 0) return Fail(SQL_SERVERERROR, StatusText(*api_, status));
  if (!retain) transaction_ = 0;
  inTransaction_ = false;
  return SQL_SUCCESS;
}

SQLResult Session::CommitTxn(TTransactionDesc*) { return EndTransaction(true); }

SQLResult Session::RollbackTxn(TTransactionDesc*) { return EndTransaction(false); }

int Session::DeclaredPrecision(const std::string& relation, const std::string& field,
                               isc_tr_handle* transaction) {
  if (relation.empty() || field.empty()) return 0;
  auto found = precisions_.find(relation);
  if (found == precisions_.end()) {
    LoadPrecisions(relation, transaction);
    found = precisions_.find(relation);
  }
  auto column = found->second.find(field);
  return column != found->second.end() ? column->second : 0;
}

void Session::LoadPrecisions(const std::string& relation, isc_tr_handle* transaction) {
  std::map<std::string, int>& fields = precisions_[relation];
  static const char kSql[] =
      "select trim(rf.rdb$field_name), f.rdb$field_precision from rdb$relation_fields rf "
      "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
      "where rf.rdb$relation_name = ? "
      "union all "
      "select trim(pp.rdb$parameter_name), f.rdb$field_precision "
      "from rdb$procedure_parameters pp "
      "join rdb$fields f on f.rdb$field_name = pp.rdb$field_source "
      "where pp.rdb$procedure_name = ? and pp.rdb$parameter_type = 1";
  ISC_STATUS_ARRAY status;
  isc_stmt_handle statement = 0;
  if (api_->dsql_allocate_statement(status, &database_, &statement) != 0) return;
  alignas(XSQLDA) char inputSpace[XSQLDA_LENGTH(2)] = {};
  alignas(XSQLDA) char outputSpace[XSQLDA_LENGTH(2)] = {};
  XSQLDA* input = reinterpret_cast<XSQLDA*>(inputSpace);
  XSQLDA* output = reinterpret_cast<XSQLDA*>(outputSpace);
  input->version = output->version = SQLDA_VERSION1;
  input->sqln = output->sqln = 2;
  char name[64] = {};
  char fieldName[68] = {};
  short precision = 0;
  short nulls[2] = {0, 0};
  bool ok = api_->dsql_prepare(status, transaction, &statement, 0, kSql,
                               static_cast<unsigned short>(dialect_), output) == 0;
  if (ok) {
    std::strncpy(name, relation.c_str(), sizeof name - 1);
    for (int i = 0; i < 2; ++i) {
      XSQLVAR& var = input->sqlvar[i];
      var.sqltype = SQL_TEXT;
      var.sqllen = static_cast<short>(std::strlen(name));
      var.sqldata = name;
      var.sqlind = nullptr;
      var.sqlsubtype = 0;
      var.sqlscale = 0;
    }
    input->sqld = 2;
    output->sqlvar[0].sqltype = SQL_VARYING + 1;
    output->sqlvar[0].sqllen = 64;
    output->sqlvar[0].sqldata = fieldName;
    output->sqlvar[0].sqlind = &nulls[0];
    output->sqlvar[1].sqltype = SQL_SHORT + 1;
    output->sqlvar[1].sqlscale = 0;
    output->sqlvar[1].sqldata = reinterpret_cast<char*>(&precision);
    output->sqlvar[1].sqlind = &nulls[1];
    ok = api_->dsql_execute(status, transaction, &statement, static_cast<unsigned short>(dialect_),
                            input) == 0;
  }
  while (ok && api_->dsql_fetch(status, &statement, static_cast<unsigned short>(dialect_),
                                output) == 0) {
    if (nulls[0] != 0 || nulls[1] != 0) continue;
    uint16_t length;
    std::memcpy(&length, fieldName, 2);
    fields[std::string(fieldName + 2, length)] = precision;
  }
  api_->dsql_free_statement(status, &statement, DSQL_drop);
}

SQLResult MetaData::PutOption(int32_t option, SQLOptionValue value) {
  if (option == metaOptSchemaName) schema_ = Text(value);
  return SQL_SUCCESS;
}

SQLResult MetaData::QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) {
  if (buffer == nullptr) return SQL_INVALIDPARAM;
  if (option == metaOptQuoteChar) {
    if (size < 1) return SQL_INVALIDLEN;
    *static_cast<char*>(buffer) = '"';
    if (length != nullptr) *length = 1;
    return SQL_SUCCESS;
  }
  int32_t number;
  switch (option) {
    case metaOptTransactionsSupported: number = 1; break;
    case metaOptMultipleTransactions: number = 0; break;
    default: return Fail(SQL_NOTSUPPORTED, "Metadata option not supported");
  }
  if (size < 4) return SQL_INVALIDLEN;
  std::memcpy(buffer, &number, 4);
  if (length != nullptr) *length = 4;
  return SQL_SUCCESS;
}

}  // namespace ibdriver

// The library's one exported entry point.
extern "C" __attribute__((visibility("default"))) SQLResult getSQLDriverINTERBASE(
    const char* vendorLib, const char* /*errorResourceFile*/, ISQLDriver** driver) {
  if (driver == nullptr) return SQL_INVALIDPARAM;
  *driver = nullptr;
  const ibdriver::FbClient* api =
      ibdriver::FbClient::Load(vendorLib != nullptr && *vendorLib != 0 ? vendorLib
                                                                       : "libfbclient.so.2");
  if (api == nullptr) return SQL_DRIVERINITFAILED;
  *driver = new ibdriver::Driver(api);
  return SQL_SUCCESS;
}
