// TCustomSQLDataSet and TSQLQuery: preparing, binding, executing and reading forward only.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "data/DateText.h"
#include "data/SqlExpr.h"
#include "data/SqlSupport.h"
#include "data/TextCase.h"

static_assert(sizeof(SQLBcdValue) == sizeof(TBcd), "BCD values travel as TBcd");
static_assert(sizeof(SQLTimeStampValue) == sizeof(TSQLTimeStamp),
              "timestamps travel as TSQLTimeStamp");

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;

// The field type of a driver column by the mapping table (BCD types are decided apart).
TFieldType FieldTypeOfColumn(uint16_t type, uint16_t subtype, uint32_t length, int precision) {
  switch (type) {
    case sqlTypeText: return precision == 0 ? ftUnknown : ftString;
    case sqlTypeDate: return ftDate;
    case sqlTypeBlob:
      switch (subtype) {
        case sqlSubMemo: return ftMemo;
        case sqlSubFmtMemo: return ftFmtMemo;
        case sqlSubOle: return ftParadoxOle;
        case sqlSubGraphic: return ftGraphic;
        case sqlSubDBaseOle: return ftDBaseOle;
        case sqlSubTypedBinary: return ftTypedBinary;
        case sqlSubOraClob: return ftOraClob;
        case sqlSubOraBlob: return ftOraBlob;
        default: return ftBlob;
      }
    case sqlTypeBoolean: return ftBoolean;
    case sqlTypeInt16: return length == 2 ? ftSmallint : ftUnknown;
    case sqlTypeInt32: return subtype == sqlSubAutoInc ? ftAutoInc : ftInteger;
    case sqlTypeFloat64: return subtype == sqlSubMoney ? ftCurrency : ftFloat;
    case sqlTypeBytes: return precision == 0 ? ftUnknown : ftBytes;
    case sqlTypeTime: return ftTime;
    case sqlTypeDateTime: return ftDateTime;
    case sqlTypeUInt16: return length == 2 ? ftWord : ftUnknown;
    case sqlTypeUInt32: return ftInteger;
    case sqlTypeVarBytes: return precision == 0 ? ftUnknown : ftVarBytes;
    case sqlTypeCursor: return ftCursor;
    case sqlTypeInt64:
    case sqlTypeUInt64: return ftLargeint;
    case sqlTypeStruct: return ftADT;
    case sqlTypeArray: return ftArray;
    case sqlTypeReference: return precision == 0 ? ftUnknown : ftReference;
    case sqlTypeTable: return ftDataSet;
    case sqlTypeTimeStamp: return ftTimeStamp;
    default: return ftUnknown;
  }
}

// Logical type of a parameter's field type; false when it maps to nothing.
bool ParamLogicalType(TFieldType type, uint16_t* logical) {
  switch (type) {
    case ftString: case ftFixedChar: case ftWideString: case ftGuid: *logical = sqlTypeText; break;
    case ftSmallint: *logical = sqlTypeInt16; break;
    case ftInteger: case ftAutoInc: *logical = sqlTypeInt32; break;
    case ftWord: *logical = sqlTypeUInt16; break;
    case ftBoolean: *logical = sqlTypeBoolean; break;
    case ftFloat: case ftCurrency: *logical = sqlTypeFloat64; break;
    case ftBCD: *logical = sqlTypeBcd; break;
    case ftFMTBcd: *logical = sqlTypeFmtBcd; break;
    case ftDate: *logical = sqlTypeDate; break;
    case ftTime: *logical = sqlTypeTime; break;
    case ftDateTime: *logical = sqlTypeDateTime; break;
    case ftTimeStamp: *logical = sqlTypeTimeStamp; break;
    case ftBytes: *logical = sqlTypeBytes; break;
    case ftVarBytes: *logical = sqlTypeVarBytes; break;
    case ftLargeint: *logical = sqlTypeInt64; break;
    case ftCursor: *logical = sqlTypeCursor; break;
    case ftADT: *logical = sqlTypeStruct; break;
    case ftArray: *logical = sqlTypeArray; break;
    case ftReference: *logical = sqlTypeReference; break;
    case ftDataSet: *logical = sqlTypeTable; break;
    default:
      if (!IsBlobType(type)) return false;
      *logical = sqlTypeBlob;
  }
  return true;
}

uint16_t ParamSubtype(TFieldType type) {
  switch (type) {
    case ftFixedChar: return sqlSubFixed;
    case ftWideString: return sqlSubUnicode;
    case ftMemo: return sqlSubMemo;
    case ftBlob: return sqlSubBinary;
    case ftGraphic: return sqlSubGraphic;
    case ftFmtMemo: return sqlSubFmtMemo;
    case ftParadoxOle: return sqlSubOle;
    case ftDBaseOle: return sqlSubDBaseOle;
    case ftTypedBinary: return sqlSubTypedBinary;
    case ftOraBlob: return sqlSubOraBlob;
    case ftOraClob: return sqlSubOraClob;
    default: return 0;
  }
}

double VariantToDouble(const TVariant& value) {
  struct Visitor {
    double operator()(std::monostate) const { return 0; }
    double operator()(TVarNull) const { return 0; }
    double operator()(bool v) const { return v ? 1 : 0; }
    double operator()(int64_t v) const { return static_cast<double>(v); }
    double operator()(double v) const { return v; }
    double operator()(const std::string& v) const { return std::strtod(v.c_str(), nullptr); }
    double operator()(const TBcd& v) const { return BcdToDouble(v); }
    double operator()(const TVarDate& v) const { return v.Value; }
  };
  return std::visit(Visitor{}, value);
}

int64_t VariantToInt64(const TVariant& value) {
  if (const auto* number = std::get_if<int64_t>(&value)) return *number;
  if (const auto* text = std::get_if<std::string>(&value)) {
    return std::strtoll(text->c_str(), nullptr, 10);
  }
  return std::llround(VariantToDouble(value));
}

TBcd VariantToBcd(const TVariant& value) {
  if (const auto* bcd = std::get_if<TBcd>(&value)) return *bcd;
  if (const auto* number = std::get_if<int64_t>(&value)) return IntegerToBcd(*number);
  if (const auto* text = std::get_if<std::string>(&value)) {
    TBcd parsed;
    if (TryTextToBcd(*text, '.', parsed)) return parsed;
  }
  if (const auto* flag = std::get_if<bool>(&value)) return IntegerToBcd(*flag ? 1 : 0);
  TBcd converted;
  if (TryTextToBcd(TParam{"", ftFloat, ptInput, value}.AsString(), '.', converted)) {
    return converted;
  }
  return DoubleToBcd(VariantToDouble(value), 32, 8);
}

template <typename T>
void PutValue(std::vector<char>& bytes, const T& value) {
  bytes.resize(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
}

// First table name of a FROM clause: the word after FROM, joined with the following parts that
// begin with a dot, without a trailing ";".
std::string FirstTableName(const std::string& sql) {
  std::istringstream words(sql);
  std::string word;
  while (words >> word) {
    if (UpperCaseCp1252(word) != "FROM") continue;
    std::string name;
    if (!(words >> name)) return {};
    while (words >> word && word[0] == '.') name += word;
    if (!name.empty() && name.back() == ';') name.pop_back();
    return name;
  }
  return {};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Settings

TCustomSQLDataSet::TCustomSQLDataSet(std::string name) : TDataSet(std::move(name)) {}

TCustomSQLDataSet::~TCustomSQLDataSet() {
  try {
    Close();
  } catch (...) {
  }
  FreeCommand();
  if (connection_ != nullptr) {
    auto& list = connection_->dataSets_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TCustomSQLDataSet::Error(const std::string& message) const { DatabaseError(message, this); }

void TCustomSQLDataSet::SQLError(SQLResult status, TSQLErrorSource source) {
  std::string server;
  auto ask = [&server](auto* object) {
    int16_t length = 0;
    if (object == nullptr || object->ErrorTextLength(&length) != SQL_SUCCESS || length <= 0) return;
    std::string buffer(static_cast<size_t>(length) + 1, '\0');
    object->ErrorText(buffer.data());
    server = buffer.c_str();
  };
  if (source == eSourceCommand) ask(command_);
  if (source == eSourceCursor) ask(cursor_);
  TSQLConnection* connection = clone_ ? clone_.get() : connection_;
  std::string message =
      ComposeDriverError(status, server, connection != nullptr ? connection->LastError() : "");
  lastError_ = message;
  throw ESQLDriverError(message, status);
}

void TCustomSQLDataSet::SetSQLConnection(TSQLConnection* connection) {
  if (connection == connection_) return;
  Close();
  FreeCommand();
  if (connection_ != nullptr) {
    auto& list = connection_->dataSets_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  connection_ = connection;
  if (connection_ == nullptr) return;
  connection_->dataSets_.push_back(this);
  if (maxBlobSize_ == 0) {
    std::string blobSize = sqlsupport::Trim(connection_->Params().Values("BlobSize"));
    try {
      maxBlobSize_ = blobSize.empty() ? -1 : sqlsupport::StrToInt(blobSize);
    } catch (const EConvertError&) {
      maxBlobSize_ = -1;
    }
  }
}

void TCustomSQLDataSet::SetCommandText(const std::string& text) {
  size_t start = 0;
  while (start < text.size() && static_cast<unsigned char>(text[start]) < 33) ++start;
  std::string stored = text.substr(start);
  if (stored == commandText_) return;
  CheckInactive();
  FreeCommand();
  recordCountCache_ = -1;
  commandText_.clear();
  params_.Clear();
  commandText_ = stored;
  if (connection_ != nullptr && !stored.empty() && paramCheck_ && commandType_ != ctTable) {
    params_.ParseSQL(stored);
    for (int i = 0; i < params_.Count(); ++i) params_[i].ParamType = ptInput;
    if (masterSource_ != nullptr && masterSource_->DataSet() != nullptr) {
      for (int i = 0; i < params_.Count(); ++i) {
        if (TField* field = masterSource_->DataSet()->FindField(params_[i].Name)) {
          params_[i].DataType = field->DataType();
        }
      }
    }
  }
  DataEvent(dePropertyChange);
}

void TCustomSQLDataSet::SetMaxBlobSize(int value) {
  maxBlobSize_ = value;
  if (command_ != nullptr) command_->PutOption(cmdOptBlobSize, value);
}

void TCustomSQLDataSet::SetPrepared(bool value) {
  if (value == prepared_) return;
  if (value) {
    CheckConnection();
    PrepareStatement();
  } else {
    Close();
    FreeCommand();
  }
}

// ---------------------------------------------------------------------------------------------
// Preparing, binding and executing

void TCustomSQLDataSet::CheckConnection() {
  if (connection_ == nullptr) throw EDatabaseError("SQLConnection property required for this operation");
  if (!connection_->Connected()) connection_->Open();
}

void TCustomSQLDataSet::PrepareStatement() {
  if (commandText_.empty()) Error("No SQL statement available");
  if (sqlsupport::IsSelect(commandText_)) connection_->IncrementActiveStatements();
  lastError_.clear();
  FreeCommand();
  TSQLConnection* connection = connection_->GetConnectionForStatement(&clone_);
  ISQLConnection* session = connection->Session();
  if (session == nullptr) throw EDatabaseError("Unable to execute Query");
  SQLResult status = session->NewCommand(&command_);
  if (status != SQL_SUCCESS) {
    command_ = nullptr;
    SQLError(status, eSourceCommand);
  }
  std::string rowset = sqlsupport::Trim(connection->Params().Values("RowsetSize"));
  int32_t rowsPerFetch = 20;
  try {
    if (!rowset.empty()) rowsPerFetch = sqlsupport::StrToInt(rowset);
  } catch (const EConvertError&) {
    rowsPerFetch = 20;
  }
  command_->PutOption(cmdOptRowsPerFetch, rowsPerFetch);
  statementOpen_ = true;
  if (nativeCommand_.empty()) {
    nativeCommand_ = params_.Count() == 0
                         ? commandText_
                         : sqlsupport::ReplaceParamMarkers(commandText_, connection->QuoteChar());
  }
  status = command_->PrepareText(nativeCommand_.c_str(), static_cast<uint16_t>(params_.Count()));
  if (status != SQL_SUCCESS) SQLError(status, eSourceCommand);
  prepared_ = true;
  rowsAffected_ = -1;
}

void TCustomSQLDataSet::BindParams() {
  TSQLConnection* connection = clone_ ? clone_.get() : connection_;
  for (int i = 0; i < params_.Count(); ++i) {
    TParam& param = params_[i];
    if (param.ParamType == ptUnknown) param.ParamType = ptInput;
    uint16_t type;
    if (!ParamLogicalType(param.DataType, &type)) {
      throw EDatabaseError("No value for parameter '" + param.Name + "'");
    }
    uint16_t subtype =
        type == sqlTypeText || type == sqlTypeBlob ? ParamSubtype(param.DataType) : 0;
    std::vector<char> value;
    int32_t precision = 0;
    int32_t scale = 0;
    bool isNull = param.IsNull();
    if (!isNull) {
      switch (type) {
        case sqlTypeText: {
          std::string text = param.AsString();
          value.assign(text.begin(), text.end());
          value.push_back('\0');
          precision = static_cast<int32_t>(text.size());
          break;
        }
        case sqlTypeInt16:
        case sqlTypeBoolean:
          PutValue(value, static_cast<int16_t>(VariantToInt64(param.Value)));
          break;
        case sqlTypeUInt16: PutValue(value, static_cast<uint16_t>(VariantToInt64(param.Value))); break;
        case sqlTypeInt32: PutValue(value, static_cast<int32_t>(VariantToInt64(param.Value))); break;
        case sqlTypeInt64: PutValue(value, VariantToInt64(param.Value)); break;
        case sqlTypeFloat64:
          PutValue(value, VariantToDouble(param.Value));
          precision = 8;
          break;
        case sqlTypeBcd:
        case sqlTypeFmtBcd: {
          TBcd bcd = VariantToBcd(param.Value);
          type = sqlTypeBcd;
          precision = bcd.Precision;
          scale = BcdScale(bcd);
          PutValue(value, bcd);
          break;
        }
        case sqlTypeDate:
          PutValue(value, static_cast<int32_t>(std::floor(VariantToDouble(param.Value))));
          break;
        case sqlTypeTime: {
          double dateTime = VariantToDouble(param.Value);
          double fraction = std::fabs(dateTime - std::trunc(dateTime));
          PutValue(value, static_cast<int32_t>(std::llround(fraction * kMillisecondsPerDay)));
          break;
        }
        case sqlTypeDateTime: PutValue(value, VariantToDouble(param.Value)); break;
        case sqlTypeTimeStamp: {
          double dateTime = VariantToDouble(param.Value);
          TSQLTimeStamp stamp;
          int year, month, day;
          DecodeDate(dateTime, year, month, day);
          stamp.Year = static_cast<int16_t>(year);
          stamp.Month = static_cast<uint16_t>(month);
          stamp.Day = static_cast<uint16_t>(day);
          int64_t tenths = std::llround(std::fabs(dateTime - std::trunc(dateTime)) * 864000000.0);
          stamp.Hour = static_cast<uint16_t>(tenths / 36000000);
          stamp.Minute = static_cast<uint16_t>(tenths / 600000 % 60);
          stamp.Second = static_cast<uint16_t>(tenths / 10000 % 60);
          stamp.Fractions = static_cast<uint32_t>(tenths % 10000);
          PutValue(value, stamp);
          break;
        }
        case sqlTypeBytes:
        case sqlTypeBlob: {
          std::string bytes = param.AsString();
          value.assign(bytes.begin(), bytes.end());
          precision = static_cast<int32_t>(value.size());
          break;
        }
        case sqlTypeVarBytes: {
          std::string bytes = param.AsString();
          auto length = static_cast<uint16_t>(bytes.size());
          value.resize(2);
          std::memcpy(value.data(), &length, 2);
          value.insert(value.end(), bytes.begin(), bytes.end());
          precision = static_cast<int32_t>(bytes.size());
          break;
        }
        default:
          break;
      }
    } else if (type == sqlTypeFmtBcd) {
      type = sqlTypeBcd;
    }
    SQLResult status = command_->BindParam(
        static_cast<uint16_t>(i + 1), 0, static_cast<int32_t>(param.ParamType), type, subtype,
        precision, scale, static_cast<int32_t>(value.size()), isNull ? nullptr : value.data(),
        isNull ? 1 : 0);
    if (status != SQL_SUCCESS) connection->SQLError(status, eSourceConnection);
  }
}

void TCustomSQLDataSet::ExecuteStatement() {
  if (!params_.Empty()) BindParams();
  SQLResult status = command_->Run(&cursor_);
  if (status != SQL_SUCCESS) {
    cursor_ = nullptr;
    SQLError(status, eSourceCommand);
  }
  statementOpen_ = true;
  recordCountCache_ = -1;
  rowsFetched_ = 0;
  cursorEof_ = false;
  repeatCurrent_ = false;
}

int TCustomSQLDataSet::ExecSQL(bool /*execDirect*/) {
  CheckInactive();
  CheckConnection();
  if (!prepared_) PrepareStatement();
  if (command_ == nullptr) throw EDatabaseError("Unable to execute Query");
  ExecuteStatement();
  FreeCursor();
  rowsAffected_ = -1;
  return RowsAffected();
}

int TCustomSQLDataSet::RowsAffected() {
  if (rowsAffected_ > 0) return rowsAffected_;
  if (command_ == nullptr) return 0;
  int32_t rows = 0;
  command_->AffectedRows(&rows);
  rowsAffected_ = rows;
  return rows;
}

void TCustomSQLDataSet::FreeCursor() {
  if (cursor_ != nullptr) {
    cursor_->Release();
    cursor_ = nullptr;
  }
  rowsFetched_ = 0;
  cursorEof_ = false;
  repeatCurrent_ = false;
}

void TCustomSQLDataSet::FreeCommand() {
  FreeCursor();
  if (command_ != nullptr) {
    if (statementOpen_) command_->CloseCommand();
    command_->Release();
    command_ = nullptr;
  }
  statementOpen_ = false;
  clone_.reset();
  prepared_ = false;
  nativeCommand_.clear();
  recordCountCache_ = -1;
  FieldDefs().Updated = false;
}

void TCustomSQLDataSet::SetParamsFromMaster() {
  if (masterSource_ == nullptr || masterSource_->DataSet() == nullptr) return;
  TDataSet* master = masterSource_->DataSet();
  for (int i = 0; i < params_.Count(); ++i) {
    TParam& param = params_[i];
    if (param.Bound) continue;
    if (TField* field = master->FindField(param.Name)) {
      param.DataType = field->DataType();
      param.Value = field->Value();
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Opening, reading and closing

void TCustomSQLDataSet::InternalOpen() {
  if (commandText_.empty()) throw EDatabaseError("Missing query, table name or procedure name");
  CheckConnection();
  if (!prepared_) {
    std::exception_ptr held;
    try {
      PrepareStatement();
    } catch (const ESQLDriverError&) {
      held = std::current_exception();
      FreeCommand();
    } catch (const EDatabaseError&) {
      FreeCommand();
    }
    if (command_ == nullptr) {
      if (held) std::rethrow_exception(held);
      throw EDatabaseError("Unable to execute Query");
    }
  }
  SetParamsFromMaster();
  ExecuteStatement();
  if (cursor_ == nullptr) {
    command_->CloseCommand();
    statementOpen_ = false;
    Error("Cursor not returned from Query");
  }
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  blobBuffer_.clear();
  if (maxBlobSize_ > 0) blobBuffer_.reserve(static_cast<size_t>(maxBlobSize_) * 1024);
}

void TCustomSQLDataSet::InternalInitFieldDefs() {
  if (cursor_ == nullptr) Error("Cannot perform this operation on a closed dataset");
  AddFieldDefs();
}

void TCustomSQLDataSet::AddFieldDefs() {
  TFieldDefs& defs = FieldDefs();
  defs.Clear();
  columnTypes_.clear();
  uint16_t count = 0;
  SQLResult status = cursor_->NumColumns(&count);
  if (status != SQL_SUCCESS) SQLError(status, eSourceCursor);
  for (uint16_t column = 1; column <= count; ++column) {
    int32_t nullable = 1;
    char name[33] = {};
    uint16_t type = 0, subtype = 0;
    uint32_t length = 0;
    int16_t precision = 0, scale = 0;
    int32_t readOnly = 0;
    cursor_->ColNullable(column, &nullable);
    cursor_->ColName(column, name);
    cursor_->ColType(column, &type, &subtype);
    cursor_->ColLength(column, &length);
    cursor_->ColPrecision(column, &precision);
    cursor_->ColScale(column, &scale);
    cursor_->ColReadOnly(column, &readOnly);
    TFieldDef def;
    def.Name = name;
    ColumnType columnType{type, 0};
    if (type == sqlTypeBcd || type == sqlTypeFmtBcd) {
      int places = std::abs(static_cast<int>(scale));
      int digits = std::max(static_cast<int>(precision), places);
      if (digits > 14 || places > 4 || numericMapping_) {
        def.DataType = ftFMTBcd;
        columnType.type = sqlTypeFmtBcd;
        if (digits == 38 && (places == 0 || places == 38)) {
          digits = 32;
          places = 8;
        }
        digits = std::min(digits, 32);
      } else {
        def.DataType = ftBCD;
        columnType.type = sqlTypeBcd;
      }
      def.Size = places;
      def.Precision = digits;
    } else {
      def.DataType = FieldTypeOfColumn(type, subtype, length, precision);
      switch (type) {
        case sqlTypeText: case sqlTypeBlob: case sqlTypeBytes: case sqlTypeVarBytes:
        case sqlTypeReference:
          def.Size = precision;
          break;
        case sqlTypeStruct:
        case sqlTypeArray:
          def.Size = scale;
          def.Precision = precision;
          break;
        default:
          break;
      }
      columnType.size = static_cast<uint32_t>(std::max<int>(precision, 0));
      if (type == sqlTypeText) columnType.size = std::max(columnType.size, length);
    }
    def.Required = nullable == 0 && def.DataType != ftAutoInc;
    def.ReadOnly = readOnly != 0;
    def.FixedChar = subtype == sqlSubFixed;
    defs.Add(std::move(def));
    columnTypes_.push_back(columnType);
  }
  defs.Updated = true;
}

TGetResult TCustomSQLDataSet::GetRecord(TRecordBuffer& /*buffer*/, TGetMode mode) {
  switch (mode) {
    case gmPrior:
      Error("Operation not allowed on a unidirectional dataset");
    case gmCurrent:
      return rowsFetched_ > 0 && !cursorEof_ ? grOK : grEOF;
    case gmNext:
      break;
  }
  if (repeatCurrent_) {
    repeatCurrent_ = false;
    return grOK;
  }
  if (cursor_ == nullptr || cursorEof_) return grEOF;
  SQLResult status = cursor_->FetchRow();
  if (status == SQL_SUCCESS) {
    ++rowsFetched_;
    return grOK;
  }
  if (status == SQL_EOF || status == SQL_NODATA) {
    cursorEof_ = true;
    return grEOF;
  }
  SQLError(status, eSourceCursor);
}

void TCustomSQLDataSet::InternalFirst() {
  if (rowsFetched_ > 1 || (rowsFetched_ == 1 && cursorEof_)) {
    // Past the first row: the only way back is to execute the query again.
    FreeCursor();
    ExecuteStatement();
    if (cursor_ == nullptr) Error("Cursor not returned from Query");
  } else if (rowsFetched_ == 1) {
    repeatCurrent_ = true;
  }
}

void TCustomSQLDataSet::InternalLast() { Error("Operation not allowed on a unidirectional dataset"); }

void TCustomSQLDataSet::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyCreatedFields();
  blobBuffer_.clear();
  blobBuffer_.shrink_to_fit();
  if (connection_ == nullptr ||
      (!connection_->KeepConnection() && connection_->DataSetCount() < 2)) {
    FreeCommand();
    if (connection_ != nullptr) connection_->CloseIfIdle();
  } else {
    FreeCursor();
  }
}

uint16_t TCustomSQLDataSet::ColumnOf(const TField& field) const {
  if (field.FieldKind() != fkData) return 0;
  int number = field.FieldNo();
  return number >= 1 && number <= static_cast<int>(columnTypes_.size())
             ? static_cast<uint16_t>(number)
             : 0;
}

bool TCustomSQLDataSet::GetFieldData(const TField& field, void* buffer) const {
  if (cursor_ == nullptr) throw EDatabaseError("Cannot perform this operation on a closed dataset");
  uint16_t column = ColumnOf(field);
  if (column == 0 || cursorEof_ || rowsFetched_ == 0) return false;
  auto* self = const_cast<TCustomSQLDataSet*>(this);
  const ColumnType& columnType = columnTypes_[column - 1u];
  int32_t isNull = 1;
  SQLResult status = SQL_SUCCESS;
  switch (columnType.type) {
    case sqlTypeText: {
      scratch_.resize(columnType.size + 2);
      status = cursor_->ValString(column, scratch_.data(), &isNull);
      if (status == SQL_SUCCESS && isNull == 0 && buffer != nullptr) {
        size_t room = static_cast<size_t>(std::max(field.DataSize(), 1)) - 1;
        size_t length = std::min(strnlen(scratch_.data(), columnType.size + 1), room);
        std::memcpy(buffer, scratch_.data(), length);
        static_cast<char*>(buffer)[length] = '\0';
      }
      break;
    }
    case sqlTypeDate: {
      int32_t days = 0;
      status = cursor_->ValDate(column, &days, &isNull);
      if (buffer != nullptr) {
        TDateTime value = days;
        std::memcpy(buffer, &value, sizeof value);
      }
      break;
    }
    case sqlTypeTime: {
      int32_t milliseconds = 0;
      status = cursor_->ValTime(column, &milliseconds, &isNull);
      if (buffer != nullptr) {
        TDateTime value = milliseconds / kMillisecondsPerDay;
        std::memcpy(buffer, &value, sizeof value);
      }
      break;
    }
    case sqlTypeBoolean:
    case sqlTypeInt16:
    case sqlTypeUInt16: {
      int16_t value = 0;
      status = cursor_->ValInt16(column, &value, &isNull);
      if (buffer != nullptr) std::memcpy(buffer, &value, sizeof value);
      break;
    }
    case sqlTypeInt32:
    case sqlTypeUInt32: {
      int32_t value = 0;
      status = cursor_->ValInt32(column, &value, &isNull);
      if (buffer != nullptr) std::memcpy(buffer, &value, sizeof value);
      break;
    }
    case sqlTypeFloat64: {
      double value = 0;
      status = cursor_->ValFloat64(column, &value, &isNull);
      if (buffer != nullptr) std::memcpy(buffer, &value, sizeof value);
      break;
    }
    case sqlTypeBcd:
    case sqlTypeFmtBcd: {
      TBcd value;
      status = cursor_->ValBcd(column, &value, &isNull);
      if (status == SQL_SUCCESS && isNull == 0) {
        if (columnType.bcdField != &field) {
          const auto* decimal = dynamic_cast<const TFMTBCDField*>(&field);
          columnType.bcdPrecision = decimal != nullptr ? decimal->Precision()
                                                       : self->FieldDefs()[column - 1].Precision;
          columnType.bcdField = &field;
        }
        int precision = columnType.bcdPrecision;
        int places = field.Size();
        if (value.Precision != precision || BcdScale(value) != places) {
          TBcd normalised;
          if (!NormalizeBcd(value, precision, places, normalised)) throw EBcdOverflow();
          value = normalised;
        }
        if (buffer != nullptr) std::memcpy(buffer, &value, sizeof value);
      }
      break;
    }
    case sqlTypeTimeStamp: {
      TSQLTimeStamp value;
      status = cursor_->ValTimeStamp(column, &value, &isNull);
      if (buffer != nullptr) std::memcpy(buffer, &value, sizeof value);
      break;
    }
    case sqlTypeBytes:
    case sqlTypeVarBytes: {
      scratch_.resize(columnType.size + 2);
      status = cursor_->ValBytes(column, scratch_.data(), &isNull);
      if (buffer != nullptr) {
        std::memcpy(buffer, scratch_.data(),
                    std::min<size_t>(scratch_.size(), static_cast<size_t>(field.DataSize())));
      }
      break;
    }
    case sqlTypeBlob: {
      std::string value = GetBlobFieldData(field);
      return !value.empty();
    }
    default:
      return false;  // no reader for this column type: reads as null
  }
  if (status != SQL_SUCCESS) self->SQLError(status, eSourceCursor);
  return isNull == 0;
}

std::string TCustomSQLDataSet::GetBlobFieldData(const TField& field) const {
  if (cursor_ == nullptr) Error("Cannot perform this operation on a closed dataset");
  uint16_t column = ColumnOf(field);
  if (column == 0 || cursorEof_ || rowsFetched_ == 0 || maxBlobSize_ == 0) return {};
  auto* self = const_cast<TCustomSQLDataSet*>(this);
  uint32_t size = 0;
  int32_t isNull = 1;
  SQLResult status = cursor_->ValBlobSize(column, &size, &isNull);
  if (status != SQL_SUCCESS) self->SQLError(status, eSourceCursor);
  if (isNull != 0 || size == 0) return {};
  blobBuffer_.resize(size);
  status = cursor_->ValBlob(column, blobBuffer_.data(), &isNull, size);
  if (status != SQL_SUCCESS) self->SQLError(status, eSourceCursor);
  return isNull != 0 ? std::string() : blobBuffer_;
}

// ---------------------------------------------------------------------------------------------
// Provider support

void TCustomSQLDataSet::PSSetCommandText(const std::string& text) {
  if (!text.empty()) SetCommandText(text);
}

void TCustomSQLDataSet::PSSetParams(const TParams& params) {
  if (params.Count() > 0) {
    params_ = params;
    if (prepared_ && nativeCommand_.find('?') == std::string::npos) FreeCommand();
  }
  Close();
}

void TCustomSQLDataSet::PSReset() {
  if (Active() && !Bof()) First();
}

std::string TCustomSQLDataSet::PSGetTableName() const {
  return commandType_ == ctTable ? commandText_ : FirstTableName(commandText_);
}

std::string TCustomSQLDataSet::PSGetQuoteChar() const {
  return connection_ != nullptr ? connection_->QuoteChar() : std::string();
}

std::string TCustomSQLDataSet::PSGetKeyFields() const {
  std::string keys;
  for (int i = 0; i < Fields().Count(); ++i) {
    const TField& field = Fields()[i];
    if ((field.ProviderFlags() & pfInKey) == 0) continue;
    if (!keys.empty()) keys += ';';
    keys += field.FieldName();
  }
  return keys;
}

bool TCustomSQLDataSet::PSInTransaction() const {
  return connection_ != nullptr && connection_->InTransaction();
}

void TCustomSQLDataSet::PSStartTransaction() {
  if (connection_ == nullptr) throw EDatabaseError("SQLConnection property required for this operation");
  TTransactionDesc desc;
  desc.IsolationLevel = connection_->TransactionIsolation();
  connection_->StartTransaction(desc);
}

void TCustomSQLDataSet::PSEndTransaction(bool commit) {
  if (connection_ == nullptr) throw EDatabaseError("SQLConnection property required for this operation");
  TTransactionDesc desc;
  desc.IsolationLevel = connection_->TransactionIsolation();
  if (commit) {
    connection_->Commit(desc);
  } else {
    connection_->Rollback(desc);
  }
}

int TCustomSQLDataSet::PSExecuteStatement(const std::string& sql, const TParams* params,
                                          std::unique_ptr<TCustomSQLDataSet>* resultSet) {
  if (connection_ == nullptr) throw EDatabaseError("SQLConnection property required for this operation");
  return connection_->Execute(sql, params, resultSet);
}

int32_t TCustomSQLDataSet::PSGetLocaleId() const {
  if (connection_ == nullptr) return 0;
  std::string code = connection_->Params().Values("LocaleCode");
  if (code.empty()) return 0;
  return sqlsupport::StrToInt("$" + code);
}

std::unique_ptr<EDatabaseError> TCustomSQLDataSet::PSGetUpdateException(
    const std::exception* error) const {
  if (const auto* database = dynamic_cast<const EDatabaseError*>(error)) {
    return std::make_unique<EDatabaseError>(*database);
  }
  if (const auto* exception = dynamic_cast<const platform::Exception*>(error)) {
    return std::make_unique<EDatabaseError>(exception->Message());
  }
  if (error != nullptr) return std::make_unique<EDatabaseError>(error->what());
  return std::make_unique<EDatabaseError>("SQL Error: Error mapping failed");
}

// ---------------------------------------------------------------------------------------------
// TSQLQuery

TSQLQuery::TSQLQuery(std::string name) : TCustomSQLDataSet(std::move(name)) {
  SetGetMetadata(false);
  SetNoMetadata(true);
}

void TSQLQuery::SetSQL(const std::vector<std::string>& lines) {
  Close();
  SetPrepared(false);
  sql_ = lines;
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  SetCommandText(text);
}
