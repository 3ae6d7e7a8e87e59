#include <cstring>

#include "driver/IbDriver.h"
#include "driver/IbValues.h"

namespace ibdriver {

namespace {

// Scaled integer value of a numeric column.
int64_t ScaledValue(const XSQLVAR& var) {
  switch (var.sqltype & ~1) {
    case SQL_SHORT: {
      int16_t value;
      std::memcpy(&value, var.sqldata, 2);
      return value;
    }
    case SQL_LONG: {
      int32_t value;
      std::memcpy(&value, var.sqldata, 4);
      return value;
    }
    default: {
      int64_t value;
      std::memcpy(&value, var.sqldata, 8);
      return value;
    }
  }
}

// Rows fetched directly before a result is read ahead.
constexpr int kRowsBeforeReadAhead = 64;

double Power10(int exponent) {
  double value = 1;
  for (int i = 0; i < exponent; ++i) value *= 10;
  return value;
}

}  // namespace

Cursor::Cursor(Command* command) : owner_(command), command_(command) { owner_->AddRef(); }

Cursor::~Cursor() {
  if (command_ != nullptr) owner_->FinishCursor(true);
  owner_->Release();
}

SQLResult Cursor::QueryOption(int32_t, void*, int16_t, int16_t* length) {
  if (length != nullptr) *length = 0;
  return Fail(SQL_NOTSUPPORTED, "Cursor option not supported");
}

SQLResult Cursor::NumColumns(uint16_t* count) {
  if (count == nullptr) return SQL_INVALIDPARAM;
  *count = command_ != nullptr ? static_cast<uint16_t>(command_->columns().size()) : 0;
  return SQL_SUCCESS;
}

#define COLUMN_INFO(column)                                                   \
  if (command_ == nullptr) return Fail(SQL_INVALIDHNDL, "The cursor is closed"); \
  if ((column) == 0 || (column) > command_->columns().size())                 \
    return Fail(SQL_OUTOFRANGE, "Column out of range");                       \
  const ColumnInfo& info = command_->columns()[(column) - 1u]

SQLResult Cursor::ColNameLength(uint16_t column, uint16_t* length) {
  COLUMN_INFO(column);
  *length = static_cast<uint16_t>(info.name.size());
  return SQL_SUCCESS;
}

SQLResult Cursor::ColName(uint16_t column, char* name) {
  COLUMN_INFO(column);
  size_t size = std::min<size_t>(info.name.size(), 32);
  std::memcpy(name, info.name.data(), size);
  name[size] = 0;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColType(uint16_t column, uint16_t* type, uint16_t* subtype) {
  COLUMN_INFO(column);
  *type = info.type;
  *subtype = info.subtype;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColLength(uint16_t column, uint32_t* length) {
  COLUMN_INFO(column);
  *length = info.length;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColPrecision(uint16_t column, int16_t* precision) {
  COLUMN_INFO(column);
  *precision = info.precision;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColScale(uint16_t column, int16_t* scale) {
  COLUMN_INFO(column);
  *scale = info.scale;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColNullable(uint16_t column, int32_t* nullable) {
  COLUMN_INFO(column);
  *nullable = info.nullable ? 1 : 0;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColAutoIncrement(uint16_t column, int32_t* value) {
  COLUMN_INFO(column);
  (void)info;
  *value = 0;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColReadOnly(uint16_t column, int32_t* readOnly) {
  COLUMN_INFO(column);
  (void)info;
  *readOnly = 0;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColSearchable(uint16_t column, int32_t* searchable) {
  COLUMN_INFO(column);
  *searchable = info.type == sqlTypeBlob ? 0 : 1;
  return SQL_SUCCESS;
}

SQLResult Cursor::ColBlobLimit(uint16_t column, int32_t* limit) {
  COLUMN_INFO(column);
  (void)info;
  *limit = command_->blobSizeKB();
  return SQL_SUCCESS;
}

#undef COLUMN_INFO

SQLResult Cursor::FetchRow() {
  if (command_ == nullptr || atEnd_) {
    onRow_ = false;
    return SQL_NODATA;
  }
  blobColumn_ = 0;
  // Small results are read directly; a longer one is read ahead on a thread of its own.
  if (fetched_ == kRowsBeforeReadAhead && command_->CanReadAhead()) command_->StartReadAhead();
  if (ReadAhead* ahead = command_->readAhead()) {
    std::string error;
    switch (ahead->Take(command_->outputBuffer(), command_->outputNulls(), error)) {
      case ReadAhead::Result::Row:
        onRow_ = true;
        return SQL_SUCCESS;
      case ReadAhead::Result::End:
        onRow_ = false;
        atEnd_ = true;
        command_->FinishCursor(true);
        return SQL_NODATA;
      case ReadAhead::Result::Error:
        onRow_ = false;
        return Fail(SQL_SERVERERROR, error);
      case ReadAhead::Result::Stopped:
        break;  // reading ahead stopped early: fetch directly
    }
  } else {
    ++fetched_;
  }
  Session& session = command_->session();
  ISC_STATUS_ARRAY status;
  ISC_STATUS result = session.api().dsql_fetch(
      status, command_->statementHandle(), static_cast<unsigned short>(session.dialect()),
      command_->output());
  if (result == 0) {
    onRow_ = true;
    return SQL_SUCCESS;
  }
  onRow_ = false;
  if (result == 100) {
    atEnd_ = true;
    command_->FinishCursor(true);
    return SQL_NODATA;
  }
  return Fail(SQL_SERVERERROR, StatusText(session.api(), status));
}

const XSQLVAR* Cursor::Column(uint16_t column, SQLResult* status) {
  if (command_ == nullptr || !onRow_) {
    *status = Fail(SQL_EOF, "Result set at EOF");
    return nullptr;
  }
  if (column == 0 || column > command_->columns().size()) {
    *status = Fail(SQL_OUTOFRANGE, "Column out of range");
    return nullptr;
  }
  *status = SQL_SUCCESS;
  return &command_->output()->sqlvar[column - 1];
}

#define READ_COLUMN(column)                        \
  SQLResult status;                                \
  const XSQLVAR* var = Column((column), &status);  \
  if (var == nullptr) return status;               \
  *isNull = *var->sqlind < 0 ? 1 : 0;              \
  if (*isNull) return SQL_SUCCESS;                 \
  int kind = var->sqltype & ~1

SQLResult Cursor::ValString(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  char* out = static_cast<char*>(buffer);
  size_t length;
  const char* text;
  if (kind == SQL_VARYING) {
    uint16_t prefix;
    std::memcpy(&prefix, var->sqldata, 2);
    length = prefix;
    text = var->sqldata + 2;
  } else if (kind == SQL_TEXT) {
    length = static_cast<size_t>(var->sqllen);
    text = var->sqldata;
    if (command_->session().trimChar()) {
      while (length > 0 && text[length - 1] == ' ') --length;
    }
  } else {
    return Fail(SQL_INVALIDXLATION, "The column is not text");
  }
  std::memcpy(out, text, length);
  out[length] = 0;
  return SQL_SUCCESS;
}

SQLResult Cursor::ValInt16(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  int16_t value;
  if (kind == SQL_BOOLEAN) {
    value = var->sqldata[0] != 0 ? 1 : 0;
  } else if (kind == SQL_SHORT) {
    std::memcpy(&value, var->sqldata, 2);
  } else {
    return Fail(SQL_INVALIDXLATION, "The column is not a 16-bit integer");
  }
  std::memcpy(buffer, &value, 2);
  return SQL_SUCCESS;
}

SQLResult Cursor::ValInt32(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  if (kind != SQL_SHORT && kind != SQL_LONG) {
    return Fail(SQL_INVALIDXLATION, "The column is not a 32-bit integer");
  }
  int32_t value = static_cast<int32_t>(ScaledValue(*var));
  std::memcpy(buffer, &value, 4);
  return SQL_SUCCESS;
}

SQLResult Cursor::ValFloat64(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  double value;
  switch (kind) {
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      std::memcpy(&value, var->sqldata, 8);
      break;
    case SQL_FLOAT: {
      float single;
      std::memcpy(&single, var->sqldata, 4);
      value = single;
      break;
    }
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
      value = static_cast<double>(ScaledValue(*var)) / Power10(-var->sqlscale);
      break;
    default:
      return Fail(SQL_INVALIDXLATION, "The column is not a number");
  }
  std::memcpy(buffer, &value, 8);
  return SQL_SUCCESS;
}

SQLResult Cursor::ValBcd(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  if (kind != SQL_SHORT && kind != SQL_LONG && kind != SQL_INT64) {
    return Fail(SQL_INVALIDXLATION, "The column is not a decimal number");
  }
  const ColumnInfo& info = command_->columns()[column - 1u];
  ScaledIntegerToBcd(ScaledValue(*var), -var->sqlscale, info.precision,
                     static_cast<SQLBcdValue*>(buffer));
  return SQL_SUCCESS;
}

SQLResult Cursor::ValTimeStamp(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  ISC_TIMESTAMP stamp{};
  if (kind == SQL_TIMESTAMP) {
    std::memcpy(&stamp, var->sqldata, sizeof stamp);
  } else if (kind == SQL_TYPE_DATE) {
    std::memcpy(&stamp.timestamp_date, var->sqldata, sizeof(ISC_DATE));
  } else {
    return Fail(SQL_INVALIDXLATION, "The column is not a timestamp");
  }
  SQLTimeStampValue parts = IscTimestampToParts(stamp);
  std::memcpy(buffer, &parts, sizeof parts);
  return SQL_SUCCESS;
}

SQLResult Cursor::ValTime(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  ISC_TIME time;
  if (kind == SQL_TYPE_TIME) {
    std::memcpy(&time, var->sqldata, sizeof time);
  } else if (kind == SQL_TIMESTAMP) {
    std::memcpy(&time, var->sqldata + sizeof(ISC_DATE), sizeof time);
  } else {
    return Fail(SQL_INVALIDXLATION, "The column is not a time");
  }
  int32_t milliseconds = static_cast<int32_t>(time / 10);
  std::memcpy(buffer, &milliseconds, 4);
  return SQL_SUCCESS;
}

SQLResult Cursor::ValDate(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  if (kind != SQL_TYPE_DATE && kind != SQL_TIMESTAMP) {
    return Fail(SQL_INVALIDXLATION, "The column is not a date");
  }
  ISC_DATE date;
  std::memcpy(&date, var->sqldata, sizeof date);
  int32_t days = IscDateToDays(date);
  std::memcpy(buffer, &days, 4);
  return SQL_SUCCESS;
}

SQLResult Cursor::ValBytes(uint16_t column, void* buffer, int32_t* isNull) {
  READ_COLUMN(column);
  char* out = static_cast<char*>(buffer);
  if (kind == SQL_VARYING) {
    // Varying bytes keep their 2-byte length in front.
    uint16_t prefix;
    std::memcpy(&prefix, var->sqldata, 2);
    std::memcpy(out, var->sqldata, 2u + prefix);
  } else if (kind == SQL_TEXT) {
    std::memcpy(out, var->sqldata, static_cast<size_t>(var->sqllen));
  } else {
    return Fail(SQL_INVALIDXLATION, "The column is not binary");
  }
  return SQL_SUCCESS;
}

SQLResult Cursor::LoadBlob(uint16_t column, const XSQLVAR& var) {
  if (blobColumn_ == column) return SQL_SUCCESS;
  Session& session = command_->session();
  const FbClient& api = session.api();
  ISC_STATUS_ARRAY status;
  isc_blob_handle blob = 0;
  ISC_QUAD id;
  std::memcpy(&id, var.sqldata, sizeof id);
  if (api.open_blob2(status, session.database(), command_->cursorTransaction(), &blob, &id, 0,
                     nullptr) != 0) {
    return Fail(SQL_SERVERERROR, StatusText(api, status));
  }
  int limitKB = command_->blobSizeKB();
  size_t limit = limitKB > 0 ? static_cast<size_t>(limitKB) * 1024 : SIZE_MAX;
  blob_.clear();
  char segment[32768];
  while (blob_.size() < limit) {
    unsigned short got = 0;
    ISC_STATUS result = api.get_segment(status, &blob, &got, sizeof segment, segment);
    if (result != 0 && result != isc_segment) break;
    blob_.insert(blob_.end(), segment, segment + got);
  }
  bool failed = status[1] != 0 && status[1] != isc_segstr_eof && status[1] != isc_segment;
  std::string error = failed ? StatusText(api, status) : std::string();
  api.close_blob(status, &blob);
  if (failed) return Fail(SQL_SERVERERROR, error);
  if (blob_.size() > limit) blob_.resize(limit);
  blobColumn_ = column;
  return SQL_SUCCESS;
}

SQLResult Cursor::ValBlobSize(uint16_t column, uint32_t* size, int32_t* isNull) {
  READ_COLUMN(column);
  if (kind != SQL_BLOB) return Fail(SQL_INVALIDXLATION, "The column is not a BLOB");
  SQLResult loaded = LoadBlob(column, *var);
  if (loaded != SQL_SUCCESS) return loaded;
  *size = static_cast<uint32_t>(blob_.size());
  return SQL_SUCCESS;
}

SQLResult Cursor::ValBlob(uint16_t column, void* buffer, int32_t* isNull, uint32_t length) {
  READ_COLUMN(column);
  if (kind != SQL_BLOB) return Fail(SQL_INVALIDXLATION, "The column is not a BLOB");
  SQLResult loaded = LoadBlob(column, *var);
  if (loaded != SQL_SUCCESS) return loaded;
  std::memcpy(buffer, blob_.data(), std::min<size_t>(length, blob_.size()));
  return SQL_SUCCESS;
}

#undef READ_COLUMN

}  // namespace ibdriver
