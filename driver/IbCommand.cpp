#include <cstdlib>
#include <cstring>

#include "driver/IbDriver.h"
#include "driver/IbValues.h"

namespace ibdriver {

namespace {

constexpr int kCharsetOctets = 1;

// Bytes per character of a Firebird character set id (the low byte of a text sub-type).
int BytesPerChar(int charset) {
  switch (charset) {
    case 3: return 3;  // UNICODE_FSS
    case 4: return 4;  // UTF8
    case 5: case 6: case 44: case 56: case 57: case 64: return 2;
    default: return 1;
  }
}

XSQLDA* NewSqlda(int count) {
  if (count < 1) count = 1;
  XSQLDA* sqlda = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(count)));
  sqlda->version = SQLDA_VERSION1;
  sqlda->sqln = static_cast<short>(count);
  return sqlda;
}

size_t AlignUp(size_t offset) { return (offset + 7) & ~size_t{7}; }

}  // namespace

Command::Command(Session* session) : session_(session) { session_->AddRef(); }

Command::~Command() {
  ReleaseStatement();
  session_->Release();
}

SQLResult Command::ServerFailure(const ISC_STATUS* status) {
  return Fail(SQL_SERVERERROR, StatusText(session_->api(), status));
}

void Command::ReleaseStatement() {
  FinishCursor(false);
  if (statement_ != 0) {
    ISC_STATUS_ARRAY status;
    if (session_->attached()) session_->api().dsql_free_statement(status, &statement_, DSQL_drop);
    statement_ = 0;
  }
  columns_.clear();
  params_.clear();
  input_.reset();
  output_.reset();
}

void Command::FinishCursor(bool commit) {
  if (readAhead_) {
    readAhead_.reset();
    session_->ReadingEnded(this);
  }
  if (cursor_ != nullptr) {
    cursor_->Detach();
    cursor_ = nullptr;
  }
  if (!resultOpen_) return;
  resultOpen_ = false;
  ISC_STATUS_ARRAY status;
  const FbClient& api = session_->api();
  if (session_->attached()) api.dsql_free_statement(status, &statement_, DSQL_close);
  if (ownTransaction_ != 0) {
    if (!commit || api.commit_transaction(status, &ownTransaction_) != 0) {
      api.rollback_transaction(status, &ownTransaction_);
    }
    ownTransaction_ = 0;
  }
  activeTransaction_ = nullptr;
}

bool Command::CanReadAhead() const {
  if (!resultOpen_ || readAhead_ || !output_) return false;
  for (const ColumnInfo& column : columns_) {
    if (column.type == sqlTypeBlob) return false;
  }
  return true;
}

void Command::StartReadAhead() {
  readAhead_ = std::make_unique<ReadAhead>(session_->api(), &statement_,
                                           static_cast<unsigned short>(session_->dialect()),
                                           *output_, outputBuffer_, outputNulls_);
  session_->ReadingStarted(this);
}

SQLResult Command::PutOption(int32_t option, SQLOptionValue value) {
  switch (option) {
    case cmdOptRowsPerFetch: return SQL_SUCCESS;  // the client library batches the fetches
    case cmdOptBlobSize: blobSizeKB_ = static_cast<int>(value); return SQL_SUCCESS;
    default: return Fail(SQL_NOTSUPPORTED, "Command option not supported");
  }
}

SQLResult Command::QueryOption(int32_t option, void* buffer, int16_t size, int16_t* length) {
  if (option != cmdOptBlobSize || buffer == nullptr || size < 4) return SQL_NOTSUPPORTED;
  int32_t value = blobSizeKB_;
  std::memcpy(buffer, &value, 4);
  if (length != nullptr) *length = 4;
  return SQL_SUCCESS;
}

SQLResult Command::BindParam(uint16_t position, uint16_t, int32_t, uint16_t type, uint16_t subtype,
                             int32_t, int32_t scale, int32_t length, const void* buffer,
                             int32_t isNull) {
  if (position == 0 || position > params_.size()) {
    return Fail(SQL_OUTOFRANGE, "Parameter " + std::to_string(position) + " out of range");
  }
  Param& param = params_[position - 1];
  param.bound = true;
  param.isNull = isNull != 0 || buffer == nullptr;
  param.type = type;
  param.subtype = subtype;
  param.scale = scale;
  param.value.clear();
  if (!param.isNull && length > 0) {
    const char* bytes = static_cast<const char*>(buffer);
    param.value.assign(bytes, bytes + length);
  }
  return SQL_SUCCESS;
}

SQLResult Command::ReadParam(uint16_t, uint16_t, void*, int32_t, int32_t* isNull) {
  if (isNull != nullptr) *isNull = 1;
  return Fail(SQL_NOTSUPPORTED, "Output parameters are not supported");
}

SQLResult Command::PrepareText(const char* sql, uint16_t) {
  ReleaseStatement();
  if (sql == nullptr) return Fail(SQL_INVALIDPARAM, "No SQL text");
  const FbClient& api = session_->api();
  ISC_STATUS_ARRAY status;
  if (!session_->attached()) return Fail(SQL_INVALIDHNDL, "The session is not attached");
  if (api.dsql_allocate_statement(status, session_->database(), &statement_) != 0) {
    statement_ = 0;
    return ServerFailure(status);
  }
  // Preparing needs a transaction: the explicit one, or a short one of our own.
  isc_tr_handle temporary = 0;
  isc_tr_handle* transaction = session_->explicitTransaction();
  if (transaction == nullptr) {
    if (!session_->StartTransaction(&temporary, 0, status)) {
      SQLResult failed = ServerFailure(status);
      ReleaseStatement();
      return failed;
    }
    transaction = &temporary;
  }
  auto finish = [&](SQLResult result) {
    if (temporary != 0) {
      ISC_STATUS_ARRAY ignored;
      api.commit_transaction(ignored, &temporary);
    }
    if (result != SQL_SUCCESS) ReleaseStatement();
    return result;
  };
  unsigned short dialect = static_cast<unsigned short>(session_->dialect());
  output_.reset(NewSqlda(1));
  if (api.dsql_prepare(status, transaction, &statement_, 0, sql, dialect, output_.get()) != 0) {
    return finish(ServerFailure(status));
  }
  if (output_->sqld > output_->sqln) {
    output_.reset(NewSqlda(output_->sqld));
    if (api.dsql_describe(status, &statement_, dialect, output_.get()) != 0) {
      return finish(ServerFailure(status));
    }
  }
  char item = isc_info_sql_stmt_type;
  char info[16] = {};
  if (api.dsql_sql_info(status, &statement_, 1, &item, sizeof info, info) != 0) {
    return finish(ServerFailure(status));
  }
  statementType_ = info[0] == isc_info_sql_stmt_type
                       ? static_cast<int>(InfoInteger(info + 3, static_cast<int>(InfoInteger(info + 1, 2))))
                       : 0;
  input_.reset(NewSqlda(1));
  if (api.dsql_describe_bind(status, &statement_, dialect, input_.get()) != 0) {
    return finish(ServerFailure(status));
  }
  if (input_->sqld > input_->sqln) {
    input_.reset(NewSqlda(input_->sqld));
    if (api.dsql_describe_bind(status, &statement_, dialect, input_.get()) != 0) {
      return finish(ServerFailure(status));
    }
  }
  params_.assign(static_cast<size_t>(input_->sqld), Param{});
  SQLResult described = DescribeColumns();
  if (described == SQL_SUCCESS) {
    // Precision look-ups need the transaction too: done while it is open.
    for (int i = 0; i < output_->sqld; ++i) {
      ColumnInfo& column = columns_[static_cast<size_t>(i)];
      if (column.type != sqlTypeBcd) continue;
      const XSQLVAR& var = output_->sqlvar[i];
      int declared = session_->DeclaredPrecision(std::string(var.relname, var.relname_length),
                                                 std::string(var.sqlname, var.sqlname_length),
                                                 transaction);
      if (declared > 0) column.precision = static_cast<int16_t>(declared);
    }
  }
  return finish(described);
}

SQLResult Command::DescribeColumns() {
  columns_.clear();
  int count = output_->sqld;
  size_t size = 0;
  std::vector<size_t> offsets;
  for (int i = 0; i < count; ++i) {
    XSQLVAR& var = output_->sqlvar[i];
    ColumnInfo column;
    column.name.assign(var.aliasname, static_cast<size_t>(var.aliasname_length));
    column.nullable = (var.sqltype & 1) != 0;
    int kind = var.sqltype & ~1;
    int charset = var.sqlsubtype & 0xFF;
    size_t dataSize = static_cast<size_t>(var.sqllen);
    switch (kind) {
      case SQL_TEXT:
      case SQL_VARYING:
        if (charset == kCharsetOctets) {
          column.type = kind == SQL_TEXT ? sqlTypeBytes : sqlTypeVarBytes;
          column.precision = var.sqllen;
          column.length = static_cast<uint32_t>(var.sqllen) + (kind == SQL_TEXT ? 0 : 2);
        } else {
          column.type = sqlTypeText;
          column.subtype = kind == SQL_TEXT ? sqlSubFixed : 0;
          column.precision = static_cast<int16_t>(var.sqllen / BytesPerChar(charset));
          column.length = static_cast<uint32_t>(var.sqllen);
        }
        if (kind == SQL_VARYING) dataSize += 2;
        break;
      case SQL_SHORT:
      case SQL_LONG:
      case SQL_INT64:
        if (var.sqlscale == 0 && kind != SQL_INT64) {
          column.type = kind == SQL_SHORT ? sqlTypeInt16 : sqlTypeInt32;
          column.length = kind == SQL_SHORT ? 2 : 4;
        } else {
          // Scaled integers are NUMERIC/DECIMAL; 64-bit integers travel as BCD too.
          column.type = sqlTypeBcd;
          // Largest precision of the storage; a 64-bit integer without scale holds 19 digits.
          column.precision = kind == SQL_SHORT ? 4 : kind == SQL_LONG ? 9
                             : var.sqlscale == 0 ? 19 : 18;
          column.scale = static_cast<int16_t>(-var.sqlscale);
          column.length = sizeof(SQLBcdValue);
        }
        break;
      case SQL_FLOAT:
      case SQL_DOUBLE:
      case SQL_D_FLOAT:
        column.type = sqlTypeFloat64;
        column.length = 8;
        break;
      case SQL_TYPE_DATE:
        column.type = sqlTypeDate;
        column.length = 4;
        break;
      case SQL_TYPE_TIME:
        column.type = sqlTypeTime;
        column.length = 4;
        break;
      case SQL_TIMESTAMP:
        column.type = sqlTypeTimeStamp;
        column.length = sizeof(SQLTimeStampValue);
        break;
      case SQL_BOOLEAN:
        column.type = sqlTypeBoolean;
        column.length = 2;
        break;
      case SQL_BLOB:
        column.type = sqlTypeBlob;
        column.subtype = var.sqlsubtype == 1 ? sqlSubMemo : sqlSubBinary;
        column.precision = 1;
        column.length = 8;
        break;
      default:
        column.type = sqlTypeUnknown;
        break;
    }
    if (kind == SQL_NULL) dataSize = 0;
    size = AlignUp(size);
    offsets.push_back(size);
    size += dataSize;
    columns_.push_back(std::move(column));
  }
  outputBuffer_.assign(AlignUp(size) + 8, 0);
  outputNulls_.assign(static_cast<size_t>(count), 0);
  for (int i = 0; i < count; ++i) {
    XSQLVAR& var = output_->sqlvar[i];
    var.sqldata = outputBuffer_.data() + offsets[static_cast<size_t>(i)];
    var.sqlind = &outputNulls_[static_cast<size_t>(i)];
    var.sqltype = static_cast<short>(var.sqltype | 1);
  }
  return SQL_SUCCESS;
}

SQLResult Command::SetInputs(isc_tr_handle* transaction) {
  size_t count = params_.size();
  inputNulls_.assign(count, 0);
  inputBlobs_.assign(count, ISC_QUAD{});
  // Converted values, 8 bytes aligned per parameter (texts need more).
  size_t size = 0;
  std::vector<size_t> offsets;
  for (const Param& param : params_) {
    offsets.push_back(size);
    size = AlignUp(size + 16 + param.value.size() + 64);
  }
  inputBuffer_.assign(size + 8, 0);
  const FbClient& api = session_->api();
  for (size_t i = 0; i < count; ++i) {
    Param& param = params_[i];
    XSQLVAR& var = input_->sqlvar[i];
    if (!param.bound) {
      return Fail(SQL_SQLPARAMNOTSET, "Parameter " + std::to_string(i + 1) + " not set");
    }
    char* data = inputBuffer_.data() + offsets[i];
    int describedKind = var.sqltype & ~1;
    var.sqlind = &inputNulls_[i];
    var.sqlscale = 0;
    if (param.isNull) {
      inputNulls_[i] = -1;
      var.sqltype = static_cast<short>(describedKind | 1);
      var.sqldata = data;
      continue;
    }
    var.sqldata = data;
    const char* value = param.value.data();
    size_t length = param.value.size();
    switch (param.type) {
      case sqlTypeText: {
        size_t textLength = strnlen(value, length);
        std::memcpy(data, value, textLength);
        var.sqltype = SQL_TEXT + 1;
        var.sqllen = static_cast<short>(textLength);
        if (describedKind != SQL_TEXT && describedKind != SQL_VARYING) var.sqlsubtype = 0;
        break;
      }
      case sqlTypeBoolean:
      case sqlTypeInt16: {
        int16_t number = 0;
        std::memcpy(&number, value, std::min(length, sizeof number));
        if (describedKind == SQL_BOOLEAN) {
          data[0] = number != 0 ? 1 : 0;
          var.sqltype = SQL_BOOLEAN + 1;
          var.sqllen = 1;
        } else {
          std::memcpy(data, &number, 2);
          var.sqltype = SQL_SHORT + 1;
          var.sqllen = 2;
        }
        break;
      }
      case sqlTypeInt32:
      case sqlTypeUInt16:
      case sqlTypeUInt32: {
        int64_t number = 0;
        if (param.type == sqlTypeUInt16) {
          uint16_t small = 0;
          std::memcpy(&small, value, std::min(length, sizeof small));
          number = small;
        } else if (param.type == sqlTypeUInt32) {
          uint32_t unsignedValue = 0;
          std::memcpy(&unsignedValue, value, std::min(length, sizeof unsignedValue));
          number = unsignedValue;
        } else {
          int32_t signedValue = 0;
          std::memcpy(&signedValue, value, std::min(length, sizeof signedValue));
          number = signedValue;
        }
        std::memcpy(data, &number, 8);
        var.sqltype = SQL_INT64 + 1;
        var.sqllen = 8;
        break;
      }
      case sqlTypeInt64: {
        int64_t number = 0;
        std::memcpy(&number, value, std::min(length, sizeof number));
        std::memcpy(data, &number, 8);
        var.sqltype = SQL_INT64 + 1;
        var.sqllen = 8;
        break;
      }
      case sqlTypeFloat64: {
        double number = 0;
        std::memcpy(&number, value, std::min(length, sizeof number));
        std::memcpy(data, &number, 8);
        var.sqltype = SQL_DOUBLE + 1;
        var.sqllen = 8;
        break;
      }
      case sqlTypeBcd:
      case sqlTypeFmtBcd: {
        SQLBcdValue bcd{};
        std::memcpy(&bcd, value, std::min(length, sizeof bcd));
        int64_t scaled = 0;
        int places = 0;
        if (BcdToScaledInteger(bcd, &scaled, &places)) {
          std::memcpy(data, &scaled, 8);
          var.sqltype = SQL_INT64 + 1;
          var.sqllen = 8;
          var.sqlscale = static_cast<short>(-places);
        } else {
          std::string text = BcdToText(bcd);
          std::memcpy(data, text.data(), text.size());
          var.sqltype = SQL_TEXT + 1;
          var.sqllen = static_cast<short>(text.size());
          var.sqlsubtype = 0;
        }
        break;
      }
      case sqlTypeDate: {
        int32_t days = 0;
        std::memcpy(&days, value, std::min(length, sizeof days));
        ISC_DATE date = DaysToIscDate(days);
        std::memcpy(data, &date, sizeof date);
        var.sqltype = SQL_TYPE_DATE + 1;
        var.sqllen = sizeof date;
        break;
      }
      case sqlTypeTime: {
        int32_t milliseconds = 0;
        std::memcpy(&milliseconds, value, std::min(length, sizeof milliseconds));
        ISC_TIME time = static_cast<ISC_TIME>(milliseconds) * 10;
        std::memcpy(data, &time, sizeof time);
        var.sqltype = SQL_TYPE_TIME + 1;
        var.sqllen = sizeof time;
        break;
      }
      case sqlTypeDateTime:
      case sqlTypeTimeStamp: {
        ISC_TIMESTAMP stamp;
        if (param.type == sqlTypeDateTime) {
          double dateTime = 0;
          std::memcpy(&dateTime, value, std::min(length, sizeof dateTime));
          stamp = DateTimeToIscTimestamp(dateTime);
        } else {
          SQLTimeStampValue parts{};
          std::memcpy(&parts, value, std::min(length, sizeof parts));
          stamp = PartsToIscTimestamp(parts);
        }
        std::memcpy(data, &stamp, sizeof stamp);
        var.sqltype = SQL_TIMESTAMP + 1;
        var.sqllen = sizeof stamp;
        break;
      }
      case sqlTypeBytes:
      case sqlTypeVarBytes: {
        const char* bytes = value;
        size_t byteCount = length;
        if (param.type == sqlTypeVarBytes && length >= 2) {
          uint16_t prefix;
          std::memcpy(&prefix, value, 2);
          bytes = value + 2;
          byteCount = std::min<size_t>(prefix, length - 2);
        }
        std::memcpy(data, bytes, byteCount);
        var.sqltype = SQL_TEXT + 1;
        var.sqllen = static_cast<short>(byteCount);
        var.sqlsubtype = kCharsetOctets;
        break;
      }
      case sqlTypeBlob: {
        ISC_STATUS_ARRAY status;
        isc_blob_handle blob = 0;
        ISC_QUAD& id = inputBlobs_[i];
        if (api.create_blob2(status, session_->database(), transaction, &blob, &id, 0, nullptr) !=
            0) {
          return ServerFailure(status);
        }
        size_t offset = 0;
        while (offset < length) {
          unsigned short chunk = static_cast<unsigned short>(std::min<size_t>(length - offset, 32768));
          if (api.put_segment(status, &blob, chunk, value + offset) != 0) {
            ISC_STATUS_ARRAY ignored;
            api.close_blob(ignored, &blob);
            return ServerFailure(status);
          }
          offset += chunk;
        }
        if (api.close_blob(status, &blob) != 0) return ServerFailure(status);
        std::memcpy(data, &id, sizeof id);
        var.sqltype = SQL_BLOB + 1;
        var.sqllen = sizeof id;
        break;
      }
      default:
        return Fail(SQL_INVALIDFLDTYPE,
                    "Parameter " + std::to_string(i + 1) + " has an unsupported type");
    }
  }
  input_->sqld = static_cast<short>(count);
  return SQL_SUCCESS;
}

SQLResult Command::Run(ISQLCursor** cursor) {
  if (cursor != nullptr) *cursor = nullptr;
  if (statement_ == 0) return Fail(SQL_INVALIDHNDL, "No statement is prepared");
  FinishCursor(true);
  const FbClient& api = session_->api();
  ISC_STATUS_ARRAY status;
  isc_tr_handle* transaction = session_->explicitTransaction();
  if (transaction == nullptr) {
    if (!session_->StartTransaction(&ownTransaction_, 0, status)) {
      ownTransaction_ = 0;
      return ServerFailure(status);
    }
    transaction = &ownTransaction_;
  }
  auto abandon = [&](SQLResult result) {
    if (ownTransaction_ != 0) {
      ISC_STATUS_ARRAY ignored;
      api.rollback_transaction(ignored, &ownTransaction_);
      ownTransaction_ = 0;
    }
    return result;
  };
  SQLResult bound = SetInputs(transaction);
  if (bound != SQL_SUCCESS) return abandon(bound);
  unsigned short dialect = static_cast<unsigned short>(session_->dialect());
  XSQLDA* input = params_.empty() ? nullptr : input_.get();
  bool selects = statementType_ == isc_info_sql_stmt_select ||
                 statementType_ == isc_info_sql_stmt_select_for_upd;
  affectedRows_ = 0;
  if (selects) {
    if (api.dsql_execute(status, transaction, &statement_, dialect, input) != 0) {
      return abandon(ServerFailure(status));
    }
    resultOpen_ = true;
    activeTransaction_ = transaction;
    if (cursor != nullptr) {
      cursor_ = new Cursor(this);
      *cursor = cursor_;
    }
    return SQL_SUCCESS;
  }
  XSQLDA* output = output_ && output_->sqld > 0 ? output_.get() : nullptr;
  if (api.dsql_execute2(status, transaction, &statement_, dialect, input, output) != 0) {
    return abandon(ServerFailure(status));
  }
  char item = isc_info_sql_records;
  char info[64] = {};
  if (api.dsql_sql_info(status, &statement_, 1, &item, sizeof info, info) == 0 &&
      info[0] == isc_info_sql_records) {
    const char* p = info + 3;
    while (*p != isc_info_end && p < info + sizeof info - 7) {
      char kind = *p;
      int length = static_cast<int>(InfoInteger(p + 1, 2));
      int64_t number = InfoInteger(p + 3, length);
      if (kind == isc_info_req_insert_count || kind == isc_info_req_update_count ||
          kind == isc_info_req_delete_count) {
        affectedRows_ += static_cast<int32_t>(number);
      }
      p += 3 + length;
    }
  }
  if (ownTransaction_ != 0) {
    if (api.commit_transaction(status, &ownTransaction_) != 0) {
      return abandon(ServerFailure(status));
    }
    ownTransaction_ = 0;
  }
  return SQL_SUCCESS;
}

SQLResult Command::RunDirect(const char* sql, ISQLCursor** cursor) {
  SQLResult prepared = PrepareText(sql, 0);
  if (prepared != SQL_SUCCESS) return prepared;
  return Run(cursor);
}

SQLResult Command::NextResult(ISQLCursor** cursor) {
  if (cursor != nullptr) *cursor = nullptr;
  return SQL_SUCCESS;
}

SQLResult Command::AffectedRows(int32_t* rows) {
  if (rows == nullptr) return SQL_INVALIDPARAM;
  *rows = affectedRows_;
  return SQL_SUCCESS;
}

SQLResult Command::CloseCommand() {
  FinishCursor(true);
  return SQL_SUCCESS;
}

}  // namespace ibdriver
