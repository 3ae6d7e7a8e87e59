#include "data/Provider.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "data/DSEngine.h"
#include "data/TextCase.h"

namespace {

constexpr int kMaxFieldName = 31;

std::string Fill(const std::string& pattern, const std::string& arg) {
  std::string result = pattern;
  const size_t at = result.find("%s");
  if (at != std::string::npos) result.replace(at, 2, arg);
  return result;
}

// Support for data sets that know nothing of providers: command text and parameters are
// ignored; reset goes back to the first row.
class PlainSupport : public IProviderSupport {
 public:
  explicit PlainSupport(TDataSet* dataSet) : dataSet_(dataSet) {}
  void PSSetCommandText(const std::string&) override {}
  void PSSetParams(const TParams&) override {}
  TParams PSGetParams() const override { return {}; }
  void PSReset() override {
    if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->First();
  }
  void PSExecute() override {}

 private:
  TDataSet* dataSet_;
};

// A data set that implements the support itself (not owned).
class ForwardSupport : public IProviderSupport {
 public:
  explicit ForwardSupport(IProviderSupport* target) : target_(target) {}
  void PSSetCommandText(const std::string& text) override { target_->PSSetCommandText(text); }
  void PSSetParams(const TParams& params) override { target_->PSSetParams(params); }
  TParams PSGetParams() const override { return target_->PSGetParams(); }
  void PSReset() override { target_->PSReset(); }
  void PSExecute() override { target_->PSExecute(); }
  int32_t PSGetLocaleId() const override { return target_->PSGetLocaleId(); }
  bool PSInTransaction() const override { return target_->PSInTransaction(); }
  void PSStartTransaction() override { target_->PSStartTransaction(); }
  void PSEndTransaction(bool commit) override { target_->PSEndTransaction(commit); }
  std::string PSGetTableName() const override { return target_->PSGetTableName(); }
  std::string PSGetQuoteChar() const override { return target_->PSGetQuoteChar(); }
  std::string PSGetKeyFields() const override { return target_->PSGetKeyFields(); }
  bool PSIsSQLBased() const override { return target_->PSIsSQLBased(); }
  int PSExecuteStatement(const std::string& sql, const TParams& params) override {
    return target_->PSExecuteStatement(sql, params);
  }

 private:
  IProviderSupport* target_;
};

// Output parameters of a parameter list (what the provider hands back).
TParams OutputParams(const TParams& params) {
  TParams out;
  for (int i = 0; i < params.Count(); ++i) {
    const TParamType type = params[i].ParamType;
    if (type == ptOutput || type == ptInputOutput || type == ptResult) out.Add(params[i]);
  }
  return out;
}

}  // namespace

std::unique_ptr<IProviderSupport> MakeSqlProviderSupport(TDataSet* dataSet);

std::unique_ptr<IProviderSupport> ProviderSupportFor(TDataSet* dataSet) {
  if (auto* own = dynamic_cast<IProviderSupport*>(dataSet)) {
    return std::make_unique<ForwardSupport>(own);
  }
  if (auto sql = MakeSqlProviderSupport(dataSet)) return sql;
  return std::make_unique<PlainSupport>(dataSet);
}

// ---------------------------------------------------------------------------------------------
// Application server

void OleCheck(HRESULT status, IAppServer& server) {
  if (status == S_OK_RESULT) return;
  if (status == E_OUTOFMEMORY_RESULT) throw std::bad_alloc();
  TErrorInfo info;
  if (!server.GetErrorInfo(info)) info.Description = "Unspecified error";
  throw EOleException(info.Description, status, info.HelpContext);
}

TLocalAppServer::TLocalAppServer(TCustomProvider* provider) : provider_(provider) {}

HRESULT TLocalAppServer::Guard(const std::function<void()>& call) {
  error_.reset();
  try {
    call();
    return S_OK_RESULT;
  } catch (const EOleException& e) {
    error_ = TErrorInfo{e.Message(), e.HelpContext(), kAppServerErrorIid};
    return e.ErrorCode() != 0 ? e.ErrorCode() : E_UNEXPECTED_RESULT;
  } catch (const platform::Exception& e) {
    error_ = TErrorInfo{e.Message(), 0, kAppServerErrorIid};
  } catch (const std::bad_alloc&) {
    error_ = TErrorInfo{"Out of memory", 0, kAppServerErrorIid};
    return E_OUTOFMEMORY_RESULT;
  } catch (const std::exception& e) {
    error_ = TErrorInfo{e.what(), 0, kAppServerErrorIid};
  }
  return E_UNEXPECTED_RESULT;
}

bool TLocalAppServer::GetErrorInfo(TErrorInfo& info) {
  if (!error_) return false;
  info = *error_;
  error_.reset();
  return true;
}

HRESULT TLocalAppServer::AS_ApplyUpdates(const std::string&, const TDataPacket& delta,
                                         int maxErrors, int& errorCount, TVariant& ownerData,
                                         TDataPacket& result) {
  return Guard([&] { result = provider_->ApplyUpdates(delta, maxErrors, errorCount, ownerData); });
}

HRESULT TLocalAppServer::AS_GetRecords(const std::string&, int count, int& recsOut, int options,
                                       const std::string& commandText, TParams& params,
                                       TVariant& ownerData, TDataPacket& result) {
  return Guard([&] {
    result = provider_->GetRecords(count, recsOut, options, commandText, params, ownerData);
  });
}

HRESULT TLocalAppServer::AS_DataRequest(const std::string&, const TVariant& data,
                                        TVariant& result) {
  return Guard([&] { result = provider_->DataRequest(data); });
}

HRESULT TLocalAppServer::AS_GetProviderNames(std::vector<std::string>& result) {
  return Guard([&] {
    result.clear();
    if (provider_ != nullptr && provider_->Exported()) result.push_back(provider_->Name());
  });
}

HRESULT TLocalAppServer::AS_GetParams(const std::string&, TVariant& ownerData, TParams& result) {
  return Guard([&] { result = provider_->GetParams(ownerData); });
}

HRESULT TLocalAppServer::AS_RowRequest(const std::string&, const TDataPacket& row, int requestType,
                                       TVariant& ownerData, TDataPacket& result) {
  return Guard([&] { result = provider_->RowRequest(row, requestType, ownerData); });
}

HRESULT TLocalAppServer::AS_Execute(const std::string&, const std::string& commandText,
                                    TParams& params, TVariant& ownerData) {
  return Guard([&] { provider_->Execute(commandText, params, ownerData); });
}

// ---------------------------------------------------------------------------------------------
// Owner and provider bases

TProviderOwner::~TProviderOwner() {
  for (TCustomProvider* provider : providers_) provider->owner_ = nullptr;
}

TCustomProvider* TProviderOwner::FindProvider(const std::string& name) const {
  for (TCustomProvider* provider : providers_) {
    if (SameTextCp1252(provider->Name(), name)) return provider;
  }
  return nullptr;
}

TCustomProvider::TCustomProvider(std::string name, TProviderOwner* owner)
    : name_(std::move(name)), owner_(owner) {
  if (owner_ != nullptr) owner_->providers_.push_back(this);
}

TCustomProvider::~TCustomProvider() {
  if (owner_ != nullptr) {
    auto& list = owner_->providers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

// ---------------------------------------------------------------------------------------------
// Packet writing

// The packet writer of a provider and what it knows of each source field.
class TDataSetProvider::Writer {
 public:
  struct Column {
    TField* field;
    TFieldType type;
    uint32_t typeWord;
    int precision;  // BCD
    int scale;
    int dataSize;  // bytes of the field's native value
  };
  DSRef<IDSWriter> writer;
  std::vector<Column> columns;
  std::vector<uint8_t> buffer;

  void Value(const Column& c);
};

namespace {

const char* SubTypeOf(const TField& field) {
  switch (field.DataType()) {
    case ftFixedChar:
      return "FixedChar";
    case ftCurrency:
      return "Money";
    case ftAutoInc:
      return "Autoinc";
    case ftGuid:
      return "Guid";
    case ftMemo:
      return "Text";
    case ftGraphic:
      return "Graphics";
    case ftFmtMemo:
      return "Formatted";
    case ftBlob:
      return "Binary";
    case ftParadoxOle:
      return "Ole";
    case ftDBaseOle:
      return "dBASEOle";
    case ftTypedBinary:
      return "TypedBinary";
    case ftOraBlob:
      return "HBinary";
    case ftOraClob:
      return "HMemo";
    case ftString: {
      auto* text = dynamic_cast<const TStringField*>(&field);
      return text != nullptr && text->FixedChar() ? "FixedChar" : nullptr;
    }
    default:
      return nullptr;
  }
}

int BcdPrecision(const TField& field) {
  auto* bcd = dynamic_cast<const TFMTBCDField*>(&field);
  const int precision = bcd != nullptr ? bcd->Precision() : 0;
  return precision > 0 ? std::min(precision, 64) : 32;
}

// The packet type word of a field (type code in the upper half, size part below).
uint32_t TypeWordOf(const TField& field) {
  const TFieldType type = field.DataType();
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
      return DSTypeWord(DSFLD_ZSTRING, DSTYPE_VARYING | (field.Size() > 254 ? 2 : 1));
    case ftWideString:
      return DSTypeWord(DSFLD_UNICODE, DSTYPE_VARYING | (field.Size() > 254 ? 2 : 1));
    case ftVarBytes:
      return DSTypeWord(DSFLD_BYTES, DSTYPE_VARYING | 2);
    case ftSmallint:
    case ftWord:
      return DSTypeWord(DSFLD_INT, 2);
    case ftInteger:
    case ftAutoInc:
      return DSTypeWord(DSFLD_INT, 4);
    case ftLargeint:
      return DSTypeWord(DSFLD_INT, 8);
    case ftBoolean:
      return DSTypeWord(DSFLD_BOOL, 2);
    case ftFloat:
    case ftCurrency:
      return DSTypeWord(DSFLD_FLOAT, 8);
    case ftBCD:
      return DSTypeWord(DSFLD_BCD, DSBcdSize(static_cast<uint32_t>(BcdPrecision(field))));
    case ftFMTBcd:
      return DSTypeWord(DSFLD_FMTBCD, DSBcdSize(static_cast<uint32_t>(BcdPrecision(field))));
    case ftDate:
      return DSTypeWord(DSFLD_DATE, static_cast<uint32_t>(field.DataSize()));
    case ftTime:
      return DSTypeWord(DSFLD_TIME, static_cast<uint32_t>(field.DataSize()));
    case ftDateTime:
      return DSTypeWord(DSFLD_DATETIME, static_cast<uint32_t>(field.DataSize()));
    case ftTimeStamp:
      return DSTypeWord(DSFLD_TIMESTAMP, 16);
    case ftBytes:
      return DSTypeWord(DSFLD_BYTES, static_cast<uint32_t>(std::max(field.Size(), 1)));
    case ftADT:
      return DSTypeWord(DSFLD_ADT, 0) | 0x1000000;
    case ftArray:
      return DSTypeWord(DSFLD_ARRAY, 0) | 0x3000000;
    case ftReference:
    case ftDataSet:
      return DSTypeWord(DSFLD_EMBEDDEDTBL, 0) | 0x5000000;
    default:
      if (IsBlobType(type)) return DSTypeWord(DSFLD_BYTES, DSTYPE_VARYING | 4);
      return 0;
  }
}

void WriteAttribute(IDSWriter* writer, uint32_t column, const char* name, uint32_t type,
                    const void* value, uint32_t length, bool inDelta) {
  dsclient::Check(writer->WrAttribute(column, name, type | (inDelta ? DSTYPE_INCLUDEINDELTA : 0),
                                      length, value));
}

void WriteInt(IDSWriter* writer, uint32_t column, const char* name, int32_t value, bool inDelta) {
  WriteAttribute(writer, column, name, DSATTR_TYPE_INT, &value, 4, inDelta);
}

void WriteBool(IDSWriter* writer, uint32_t column, const char* name) {
  const int16_t yes = 1;
  WriteAttribute(writer, column, name, DSATTR_TYPE_BOOL, &yes, 2, false);
}

}  // namespace

void TDataSetProvider::Writer::Value(const Column& c) {
  TField& field = *c.field;
  const size_t need = static_cast<size_t>(std::max(c.dataSize, 0)) + 1;
  if (buffer.size() < std::max<size_t>(need, sizeof(TBcd) + 1)) {
    buffer.resize(std::max<size_t>(need, sizeof(TBcd) + 1));
  }
  // Text is read up to its zero: clear the room first.
  if (DSTypeCode(c.typeWord) == DSFLD_ZSTRING || DSTypeCode(c.typeWord) == DSFLD_UNICODE) {
    std::memset(buffer.data(), 0, need);
  }
  if (c.dataSize <= 0 || !field.GetData(buffer.data())) {
    dsclient::Check(writer->WrValue(1, 0, nullptr));
    return;
  }
  const uint8_t* data = buffer.data();
  uint32_t length = DSTypeSize(c.typeWord);
  switch (c.type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
    case ftWideString:
      // Text up to its terminating zero.
      length = static_cast<uint32_t>(strnlen(reinterpret_cast<const char*>(data), need - 1));
      break;
    case ftVarBytes: {
      uint16_t n = 0;
      std::memcpy(&n, data, 2);
      length = std::min<uint32_t>(n, static_cast<uint32_t>(field.Size()));
      data += 2;
      break;
    }
    case ftBCD:
    case ftFMTBcd: {
      TBcd value;
      std::memcpy(&value, data, sizeof value);
      if (value.Precision != c.precision || BcdScale(value) != c.scale) {
        TBcd normal;
        if (!NormalizeBcd(value, c.precision, c.scale, normal)) throw EBcdOverflow();
        value = normal;
      }
      std::memcpy(buffer.data(), &value, sizeof value);
      length = DSBcdSize(static_cast<uint32_t>(c.precision));
      break;
    }
    default:
      break;
  }
  dsclient::Check(writer->WrValue(0, length, data));
}

void TDataSetProvider::CreateWriter() {
  auto w = std::make_unique<Writer>();
  // The engine's writer keeps its buffer between packets: reuse it.
  w->writer = writer_ ? std::move(writer_->writer) : DSRef<IDSWriter>(dsclient::NewWriter());
  TFields& fields = dataSet_->Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    TField& field = fields[i];
    const TFieldType type = field.DataType();
    if (type == ftUnknown || type == ftCursor || type == ftVariant || type == ftInterface ||
        type == ftIDispatch) {
      DatabaseError(Fill("Field '%s' is of an unknown type", field.FieldName()));
    }
    if (field.FieldName().size() > kMaxFieldName) {
      DatabaseError("Field name cannot be longer then " + std::to_string(kMaxFieldName) +
                    " characters.  Try setting ObjectView to True on the dataset");
    }
    Writer::Column c{&field, type, TypeWordOf(field), 0, 0, field.DataSize()};
    if (type == ftBCD || type == ftFMTBcd) {
      c.precision = BcdPrecision(field);
      c.scale = std::clamp(field.Size(), 0, c.precision);
    }
    w->columns.push_back(c);
  }
  IDSWriter* writer = w->writer.get();
  dsclient::Check(writer->WrXmlMode(0));
  dsclient::Check(writer->WrInit((options_ & poFetchBlobsOnDemand) ? 3 : 1,
                                 static_cast<uint32_t>(w->columns.size())));
  for (const Writer::Column& c : w->columns) {
    const TField& field = *c.field;
    DSColumnDesc desc = {};
    std::memcpy(desc.szName, field.FieldName().data(), field.FieldName().size());
    desc.iType = c.typeWord;
    if (field.ReadOnly() || field.FieldKind() != fkData) desc.iAttr |= DSATTR_READONLY;
    if (field.Required() && c.type != ftAutoInc) desc.iAttr |= DSATTR_REQUIRED;
    if (field.ProviderFlags() & pfHidden) desc.iAttr |= DSATTR_HIDDEN | DSATTR_READONLY;
    dsclient::Check(writer->WrColumn(&desc));
  }
  for (size_t i = 0; i < w->columns.size(); ++i) {
    const Writer::Column& c = w->columns[i];
    const TField& field = *c.field;
    const uint32_t no = static_cast<uint32_t>(i + 1);
    if (field.FieldKind() != fkData) WriteBool(writer, no, "SERVER_CALC");
    if (field.ProviderFlags() != (pfInUpdate | pfInWhere)) {
      WriteInt(writer, no, "PROVFLAGS", static_cast<int32_t>(field.ProviderFlags()), true);
    }
    if (!field.Origin().empty()) {
      WriteAttribute(writer, no, "ORIGIN", DSATTR_TYPE_TEXT, field.Origin().data(),
                     static_cast<uint32_t>(field.Origin().size()), true);
    }
    switch (c.type) {
      case ftString:
      case ftFixedChar:
      case ftGuid:
      case ftWideString:
      case ftBytes:
      case ftVarBytes:
        WriteInt(writer, no, "WIDTH", field.Size() > 0 ? field.Size() : 32, false);
        break;
      case ftBCD:
      case ftFMTBcd:
        WriteInt(writer, no, "WIDTH", c.precision, false);
        if (c.scale != 0) WriteInt(writer, no, "DECIMALS", c.scale, false);
        break;
      default:
        break;
    }
    if (const char* sub = SubTypeOf(field)) {
      WriteAttribute(writer, no, "SUBTYPE", DSATTR_TYPE_TEXT, sub,
                     static_cast<uint32_t>(std::strlen(sub)), false);
    }
  }
  if (options_ & poReadOnly) WriteBool(writer, 0, "READONLY");
  if (options_ & poDisableEdits) WriteBool(writer, 0, "DISABLE_EDITS");
  if (options_ & poDisableInserts) WriteBool(writer, 0, "DISABLE_INSERTS");
  if (options_ & poDisableDeletes) WriteBool(writer, 0, "DISABLE_DELETES");
  if (options_ & poNoReset) WriteBool(writer, 0, "NO_RESET_CALL");
  const int32_t lcid = Support().PSGetLocaleId();
  if (lcid >= 0) WriteInt(writer, 0, "LCID", lcid, false);
  writer_ = std::move(w);
}

int TDataSetProvider::WriteRows(int count) {
  IDSWriter* writer = writer_->writer.get();
  const uint8_t status = 0;
  int rows = 0;
  while (!dataSet_->Eof() && (count < 0 || rows < count)) {
    dsclient::Check(writer->WrValue(0, 1, &status));
    for (const Writer::Column& c : writer_->columns) writer_->Value(c);
    ++rows;
    if (OnRowWritten) OnRowWritten(rows);
    if (count >= 0 && rows == count) break;
    dataSet_->Next();
  }
  return rows;
}

// ---------------------------------------------------------------------------------------------
// Provider operations

TDataSetProvider::TDataSetProvider(std::string name, TProviderOwner* owner)
    : TBaseProvider(std::move(name), owner) {}

TDataSetProvider::~TDataSetProvider() = default;

void TDataSetProvider::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  dataSet_ = dataSet;
  support_.reset();
  writer_.reset();
  dataSetOpened_ = false;
}

IProviderSupport& TDataSetProvider::Support() {
  if (!support_) support_ = ProviderSupportFor(dataSet_);
  return *support_;
}

void TDataSetProvider::Reset() {
  if (dataSet_ == nullptr) DatabaseError("Missing DataSet property");
  if (dataSetOpened_) {
    dataSetOpened_ = false;
    dataSet_->Close();
  }
  Support().PSReset();
  recordsSent_ = 0;
}

TDataPacket TDataSetProvider::GetRecords(int count, int& recsOut, int options,
                                         const std::string& commandText, TParams& params,
                                         TVariant& ownerData) {
  recsOut = 0;
  if (!commandText.empty()) {
    if (!(options_ & poAllowCommandText)) DatabaseError("CommandText changes are not allowed");
    if (dataSet_ == nullptr) DatabaseError("Missing DataSet property");
    Support().PSSetCommandText(commandText);
  }
  if (dataSet_ != nullptr && !params.Empty() && !(params == Support().PSGetParams())) {
    Support().PSSetParams(params);
  }
  if (BeforeGetRecords) BeforeGetRecords(*this, ownerData);
  if (options & grReset) {
    Reset();
    if (count == 0) {
      params = OutputParams(Support().PSGetParams());
      if (AfterGetRecords) AfterGetRecords(*this, ownerData);
      return std::nullopt;
    }
  }
  if (dataSet_ == nullptr) DatabaseError("Missing DataSet property");
  TDataPacket packet;
  try {
    if (!dataSet_->Active()) {
      dataSet_->Open();
      dataSetOpened_ = true;
    }
    if (count == 0 || (options & grMetaData)) recordsSent_ = 0;
    dataSet_->CheckBrowseMode();
    if (!writer_ || (options & grMetaData)) CreateWriter();
    IDSWriter* writer = writer_->writer.get();
    dsclient::Check(writer->WrReset());
    const int rows = WriteRows(count);
    const uint8_t* bytes = nullptr;
    uint32_t length = 0;
    dsclient::Check(writer->WrPacket(&bytes, &length));
    packet = std::vector<uint8_t>(bytes, bytes + length);
    dsclient::Check(writer->WrReset());
    recordsSent_ += rows;
    recsOut = rows;
    if (rows != count) {
      Reset();
    } else if (count > 0) {
      dataSet_->Next();
    }
  } catch (...) {
    try {
      Reset();
    } catch (...) {
    }
    throw;
  }
  if (AfterGetRecords) AfterGetRecords(*this, ownerData);
  params = OutputParams(Support().PSGetParams());
  return packet;
}

TDataPacket TDataSetProvider::ApplyUpdates(const TDataPacket& delta, int maxErrors, int& errorCount,
                                           TVariant&) {
  errorCount = 0;
  if (dataSet_ == nullptr) DatabaseError("Missing DataSet property");
  TSQLResolver resolver(*this);
  return resolver.Resolve(delta ? *delta : std::vector<uint8_t>(), maxErrors, errorCount);
}

TParams TDataSetProvider::GetParams(TVariant&) {
  if (dataSet_ == nullptr) DatabaseError("Missing DataSet property");
  return Support().PSGetParams();
}

void TDataSetProvider::Execute(const std::string& commandText, TParams& params, TVariant&) {
  if (dataSet_ == nullptr) DatabaseError("Missing DataSet property");
  if (!commandText.empty()) {
    if (!(options_ & poAllowCommandText)) DatabaseError("CommandText changes are not allowed");
    Support().PSSetCommandText(commandText);
  }
  if (!params.Empty()) Support().PSSetParams(params);
  Support().PSExecute();
  params = OutputParams(Support().PSGetParams());
}
