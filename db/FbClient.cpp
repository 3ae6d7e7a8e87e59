#include "db/FbClient.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/Utf8FileNames.h"

namespace db {

namespace {

int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

const int64_t kBaseDay = DaysFromCivil(1858, 11, 17);

void AddText(std::vector<char>& dpb, char tag, const std::string& text) {
  dpb.push_back(tag);
  dpb.push_back(static_cast<char>(text.size()));
  dpb.insert(dpb.end(), text.begin(), text.end());
}

void AddInt(std::vector<char>& dpb, char tag, uint32_t value) {
  dpb.push_back(tag);
  dpb.push_back(4);
  for (int i = 0; i < 4; ++i) dpb.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::vector<char> ConnectionParameters(const std::string& user, const std::string& password) {
  if (user.size() > 255 || password.size() > 255)
    throw DatabaseError("User name or password too long");
  std::vector<char> dpb{isc_dpb_version1};
  AddText(dpb, isc_dpb_user_name, user);
  AddText(dpb, isc_dpb_password, password);
  AddText(dpb, isc_dpb_lc_ctype, "WIN1252");
  // Database names are the file system's bytes, UTF-8.
  dpb.push_back(isc_dpb_utf8_filename);
  dpb.push_back(0);
  return dpb;
}

std::string ScaledText(int64_t value, int scale) {
  const bool negative = value < 0;
  // Work on the magnitude as unsigned so that the lowest value does not overflow.
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  if (scale < 0) {
    const size_t places = static_cast<size_t>(-scale);
    if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
    digits.insert(digits.size() - places, 1, '.');
  } else if (scale > 0) {
    digits.append(static_cast<size_t>(scale), '0');
  }
  return negative ? "-" + digits : digits;
}

XSQLDA* AsSqlda(std::vector<char>& bytes) { return reinterpret_cast<XSQLDA*>(bytes.data()); }

std::vector<char> NewSqlda(int count) {
  std::vector<char> bytes(XSQLDA_LENGTH(count < 1 ? 1 : count), 0);
  XSQLDA* sqlda = AsSqlda(bytes);
  sqlda->version = SQLDA_VERSION1;
  sqlda->sqln = static_cast<short>(count < 1 ? 1 : count);
  return bytes;
}

}  // namespace

ISC_DATE EncodeDate(int year, int month, int day) {
  return static_cast<ISC_DATE>(DaysFromCivil(year, month, day) - kBaseDay);
}

std::string DateText(ISC_DATE date) {
  // Inverse of DaysFromCivil.
  int64_t z = date + kBaseDay + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

void Check(const ISC_STATUS* status, std::string_view context) {
  if (status[0] != 1 || status[1] == 0) return;
  std::string message;
  const ISC_STATUS* cursor = status;
  char line[1024];
  while (fb_interpret(line, sizeof line, &cursor) > 0) {
    if (!message.empty()) message += '\n';
    message += line;
  }
  if (message.empty()) message = "Database error";
  if (!context.empty()) message += "\n(" + std::string(context) + ")";
  throw DatabaseError(message);
}

Attachment Attachment::Create(const std::string& path, const std::string& user,
                              const std::string& password, int pageSize, bool forcedWrites) {
  std::vector<char> dpb = ConnectionParameters(user, password);
  AddText(dpb, isc_dpb_set_db_charset, "WIN1252");
  AddInt(dpb, isc_dpb_page_size, static_cast<uint32_t>(pageSize));
  AddInt(dpb, isc_dpb_sql_dialect, 3);
  AddInt(dpb, isc_dpb_force_write, forcedWrites ? 1 : 0);
  ISC_STATUS_ARRAY status;
  Attachment attachment;
  {
    platform::Utf8FileNames utf8;
    isc_create_database(status, 0, path.c_str(), &attachment.handle_,
                        static_cast<short>(dpb.size()), dpb.data(), 0);
  }
  Check(status, "creating " + path);
  return attachment;
}

Attachment Attachment::Open(const std::string& path, const std::string& user,
                            const std::string& password) {
  std::vector<char> dpb = ConnectionParameters(user, password);
  ISC_STATUS_ARRAY status;
  Attachment attachment;
  {
    platform::Utf8FileNames utf8;
    isc_attach_database(status, 0, path.c_str(), &attachment.handle_,
                        static_cast<short>(dpb.size()), dpb.data());
  }
  Check(status, "opening " + path);
  return attachment;
}

Attachment::Attachment(Attachment&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)),
      transaction_(std::exchange(other.transaction_, 0)) {}

Attachment::~Attachment() {
  ISC_STATUS_ARRAY status;
  if (transaction_) isc_rollback_transaction(status, &transaction_);
  if (handle_) isc_detach_database(status, &handle_);
}

void Attachment::StartTransaction(bool bulk) {
  std::vector<char> tpb{isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait};
  if (bulk) tpb.push_back(isc_tpb_no_auto_undo);
  ISC_STATUS_ARRAY status;
  isc_start_transaction(status, &transaction_, 1, &handle_, static_cast<unsigned short>(tpb.size()),
                        tpb.data());
  Check(status, "starting a transaction");
}

void Attachment::Commit() {
  ISC_STATUS_ARRAY status;
  isc_commit_transaction(status, &transaction_);
  Check(status, "committing");
}

void Attachment::Rollback() {
  ISC_STATUS_ARRAY status;
  isc_rollback_transaction(status, &transaction_);
  Check(status, "rolling back");
}

void Attachment::Execute(const std::string& sql) {
  const bool own = transaction_ == 0;
  if (own) StartTransaction();
  ISC_STATUS_ARRAY status;
  isc_dsql_execute_immediate(status, &handle_, &transaction_, 0, sql.c_str(), SQL_DIALECT_V6,
                             nullptr);
  if (status[0] == 1 && status[1] != 0) {
    if (own) {
      ISC_STATUS_ARRAY ignored;
      isc_rollback_transaction(ignored, &transaction_);
    }
    Check(status, sql.substr(0, 200));
  }
  if (own) Commit();
}

QueryResult Attachment::Query(const std::string& sql) {
  const bool own = transaction_ == 0;
  if (own) StartTransaction();
  ISC_STATUS_ARRAY status;
  isc_stmt_handle statement = 0;
  QueryResult result;
  try {
    isc_dsql_allocate_statement(status, &handle_, &statement);
    Check(status, "allocating a statement");
    std::vector<char> outBytes = NewSqlda(1);
    isc_dsql_prepare(status, &transaction_, &statement, 0, sql.c_str(), SQL_DIALECT_V6,
                     AsSqlda(outBytes));
    Check(status, sql.substr(0, 200));
    const int count = AsSqlda(outBytes)->sqld;
    if (count > AsSqlda(outBytes)->sqln) {
      outBytes = NewSqlda(count);
      isc_dsql_describe(status, &statement, SQL_DIALECT_V6, AsSqlda(outBytes));
      Check(status, "describing the result");
    }
    XSQLDA* out = AsSqlda(outBytes);
    std::vector<std::vector<char>> buffers(static_cast<size_t>(count));
    std::vector<short> nulls(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
      XSQLVAR& var = out->sqlvar[i];
      result.columns.emplace_back(var.aliasname, static_cast<size_t>(var.aliasname_length));
      size_t size = static_cast<size_t>(var.sqllen);
      if ((var.sqltype & ~1) == SQL_VARYING) size += sizeof(short);
      buffers[static_cast<size_t>(i)].assign(size + 8, 0);
      var.sqldata = buffers[static_cast<size_t>(i)].data();
      var.sqlind = &nulls[static_cast<size_t>(i)];
      var.sqltype |= 1;
    }
    isc_dsql_execute(status, &transaction_, &statement, SQL_DIALECT_V6, nullptr);
    Check(status, sql.substr(0, 200));
    while (count > 0) {
      const ISC_STATUS fetched = isc_dsql_fetch(status, &statement, SQL_DIALECT_V6, out);
      if (fetched == 100) break;
      Check(status, "fetching");
      std::vector<std::optional<std::string>> row;
      for (int i = 0; i < count; ++i) {
        const XSQLVAR& var = out->sqlvar[i];
        if (*var.sqlind < 0) {
          row.emplace_back();
          continue;
        }
        const char* data = var.sqldata;
        switch (var.sqltype & ~1) {
          case SQL_TEXT:
            row.emplace_back(std::string(data, static_cast<size_t>(var.sqllen)));
            break;
          case SQL_VARYING: {
            short length;
            std::memcpy(&length, data, sizeof length);
            row.emplace_back(std::string(data + sizeof(short), static_cast<size_t>(length)));
            break;
          }
          case SQL_SHORT: {
            short v;
            std::memcpy(&v, data, sizeof v);
            row.emplace_back(ScaledText(v, var.sqlscale));
            break;
          }
          case SQL_LONG: {
            int32_t v;
            std::memcpy(&v, data, sizeof v);
            row.emplace_back(ScaledText(v, var.sqlscale));
            break;
          }
          case SQL_INT64: {
            int64_t v;
            std::memcpy(&v, data, sizeof v);
            row.emplace_back(ScaledText(v, var.sqlscale));
            break;
          }
          case SQL_FLOAT: {
            float v;
            std::memcpy(&v, data, sizeof v);
            row.emplace_back(std::to_string(v));
            break;
          }
          case SQL_DOUBLE: {
            double v;
            std::memcpy(&v, data, sizeof v);
            char text[64];
            std::snprintf(text, sizeof text, "%.15g", v);
            row.emplace_back(text);
            break;
          }
          case SQL_TYPE_DATE: {
            ISC_DATE v;
            std::memcpy(&v, data, sizeof v);
            row.emplace_back(DateText(v));
            break;
          }
          case SQL_TIMESTAMP: {
            ISC_TIMESTAMP v;
            std::memcpy(&v, data, sizeof v);
            const unsigned seconds = v.timestamp_time / ISC_TIME_SECONDS_PRECISION;
            char text[16];
            std::snprintf(text, sizeof text, " %02u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                          seconds % 60);
            row.emplace_back(DateText(v.timestamp_date) + text);
            break;
          }
          case SQL_BOOLEAN:
            row.emplace_back(*data ? "TRUE" : "FALSE");
            break;
          default:
            row.emplace_back("<unsupported type " + std::to_string(var.sqltype & ~1) + ">");
        }
      }
      result.rows.push_back(std::move(row));
    }
    isc_dsql_free_statement(status, &statement, DSQL_drop);
    statement = 0;
    Check(status, "freeing a statement");
    if (own) Commit();
  } catch (...) {
    ISC_STATUS_ARRAY ignored;
    if (statement) isc_dsql_free_statement(ignored, &statement, DSQL_drop);
    if (own && transaction_) isc_rollback_transaction(ignored, &transaction_);
    throw;
  }
  return result;
}

Statement::Statement(Attachment& attachment, const std::string& sql) : attachment_(attachment) {
  ISC_STATUS_ARRAY status;
  isc_dsql_allocate_statement(status, attachment_.Handle(), &handle_);
  Check(status, "allocating a statement");
  const bool own = !attachment_.InTransaction();
  if (own) attachment_.StartTransaction();
  isc_dsql_prepare(status, attachment_.TransactionHandle(), &handle_, 0, sql.c_str(),
                   SQL_DIALECT_V6, nullptr);
  if (own) {
    ISC_STATUS_ARRAY ignored;
    isc_commit_transaction(ignored, attachment_.TransactionHandle());
  }
  if (status[0] == 1 && status[1] != 0) {
    ISC_STATUS_ARRAY ignored;
    isc_dsql_free_statement(ignored, &handle_, DSQL_drop);
    Check(status, sql.substr(0, 200));
  }
}

Statement::~Statement() {
  ISC_STATUS_ARRAY status;
  if (handle_) isc_dsql_free_statement(status, &handle_, DSQL_drop);
}

void Statement::Declare(short type, short length, short scale) {
  params_.push_back({type, length, scale, 0});
  laidOut_ = false;
}

void Statement::DeclareInteger() { Declare(SQL_LONG, sizeof(int32_t), 0); }
void Statement::DeclareDate() { Declare(SQL_TYPE_DATE, sizeof(ISC_DATE), 0); }
void Statement::DeclareText(int maxBytes) { Declare(SQL_VARYING, static_cast<short>(maxBytes), 0); }
void Statement::DeclareNumeric(int scale) {
  Declare(SQL_INT64, sizeof(int64_t), static_cast<short>(-scale));
}

void Statement::Layout() {
  if (laidOut_) return;
  const int count = static_cast<int>(params_.size());
  sqldaBytes_ = NewSqlda(count);
  XSQLDA* sqlda = AsSqlda(sqldaBytes_);
  sqlda->sqld = static_cast<short>(count);
  size_t offset = 0;
  for (Param& param : params_) {
    offset = (offset + 7) & ~size_t{7};
    param.offset = offset;
    offset += static_cast<size_t>(param.length) + (param.type == SQL_VARYING ? sizeof(short) : 0);
  }
  data_.assign(offset + 8, 0);
  nulls_.assign(params_.size(), 0);
  for (int i = 0; i < count; ++i) {
    const Param& param = params_[static_cast<size_t>(i)];
    XSQLVAR& var = sqlda->sqlvar[i];
    var.sqltype = static_cast<short>(param.type | 1);
    var.sqllen = param.length;
    var.sqlscale = param.scale;
    var.sqldata = data_.data() + param.offset;
    var.sqlind = &nulls_[static_cast<size_t>(i)];
  }
  laidOut_ = true;
}

XSQLVAR& Statement::Var(int index) {
  Layout();
  if (index < 0 || index >= static_cast<int>(params_.size()))
    throw DatabaseError("Parameter index out of range");
  nulls_[static_cast<size_t>(index)] = 0;
  return AsSqlda(sqldaBytes_)->sqlvar[index];
}

void Statement::SetInteger(int index, int32_t value) {
  std::memcpy(Var(index).sqldata, &value, sizeof value);
}

void Statement::SetDate(int index, ISC_DATE value) {
  std::memcpy(Var(index).sqldata, &value, sizeof value);
}

void Statement::SetText(int index, std::string_view value) {
  XSQLVAR& var = Var(index);
  if (value.size() > static_cast<size_t>(var.sqllen))
    throw DatabaseError("Text longer than its parameter: " + std::string(value));
  const short length = static_cast<short>(value.size());
  std::memcpy(var.sqldata, &length, sizeof length);
  std::memcpy(var.sqldata + sizeof length, value.data(), value.size());
}

void Statement::SetNumeric(int index, int64_t units) {
  std::memcpy(Var(index).sqldata, &units, sizeof units);
}

void Statement::SetNull(int index) {
  Var(index);
  nulls_[static_cast<size_t>(index)] = -1;
}

void Statement::Execute() {
  Layout();
  ISC_STATUS_ARRAY status;
  isc_dsql_execute(status, attachment_.TransactionHandle(), &handle_, SQL_DIALECT_V6,
                   AsSqlda(sqldaBytes_));
  Check(status, "inserting");
}

}  // namespace db
