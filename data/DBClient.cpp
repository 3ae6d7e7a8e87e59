#include "data/DBClient.h"

#include <algorithm>
#include <cstring>

#include "data/LocateFilter.h"

namespace {

// Record information kept after the engine's record in each window buffer.
constexpr size_t kInfoSeqNo = 0;     // u32 sequence number
constexpr size_t kInfoFlag = 4;      // u8 bookmark flag (0 = the bookmark is valid)
constexpr size_t kInfoAttr = 5;      // u8 record attribute
constexpr size_t kInfoBookmark = 8;  // bookmark bytes
constexpr size_t kInfoSize = 8;

TFieldType FieldTypeOf(const DSFLDDesc& d) {
  switch (d.iFldType) {
    case DSFLD_ZSTRING:
      if (d.iFldSubType == dsstFixedChar) return ftFixedChar;
      if (d.iFldSubType == dsstGuid) return ftGuid;
      return ftString;
    case DSFLD_UNICODE:
      return ftWideString;
    case DSFLD_INT:
      switch (DSTypeSize(d.iTypeWord)) {
        case 8:
          return ftLargeint;
        case 4:
          return d.iFldSubType == dsstAutoinc ? ftAutoInc : ftInteger;
        default:
          return ftSmallint;
      }
    case DSFLD_BOOL:
      return ftBoolean;
    case DSFLD_FLOAT:
      return d.iFldSubType == dsstMoney ? ftCurrency : ftFloat;
    case DSFLD_BCD:
      return ftBCD;
    case DSFLD_FMTBCD:
      return ftFMTBcd;
    case DSFLD_DATE:
      return ftDate;
    case DSFLD_TIME:
      return ftTime;
    case DSFLD_DATETIME:
      return ftDateTime;
    case DSFLD_TIMESTAMP:
      return ftTimeStamp;
    case DSFLD_BYTES:
      if ((d.iTypeWord & DSTYPE_VARYING) == 0) return ftBytes;
      if (DSTypeSize(d.iTypeWord) != 4) return ftVarBytes;
      switch (d.iFldSubType) {
        case dsstText:
          return ftMemo;
        case dsstGraphics:
          return ftGraphic;
        case dsstFormatted:
          return ftFmtMemo;
        case dsstOle:
          return ftParadoxOle;
        case dsstDBaseOle:
          return ftDBaseOle;
        case dsstTypedBinary:
          return ftTypedBinary;
        case dsstHBinary:
          return ftOraBlob;
        case dsstHMemo:
          return ftOraClob;
        default:
          return ftBlob;
      }
    default:
      return ftUnknown;
  }
}

int64_t ReadInt(const uint8_t* p, uint32_t size) {
  switch (size) {
    case 1:
      return static_cast<int8_t>(p[0]);
    case 2: {
      int16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    case 4: {
      int32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    default: {
      int64_t v;
      std::memcpy(&v, p, 8);
      return v;
    }
  }
}

void WriteInt(uint8_t* p, uint32_t size, int64_t value) {
  switch (size) {
    case 1:
      p[0] = static_cast<uint8_t>(value);
      break;
    case 2: {
      const int16_t v = static_cast<int16_t>(value);
      std::memcpy(p, &v, 2);
      break;
    }
    case 4: {
      const int32_t v = static_cast<int32_t>(value);
      std::memcpy(p, &v, 4);
      break;
    }
    default:
      std::memcpy(p, &value, 8);
      break;
  }
}

// Size of the native integer of a field type (see TField).
uint32_t NativeIntSize(TFieldType type) {
  switch (type) {
    case ftInteger:
    case ftAutoInc:
      return 4;
    case ftLargeint:
      return 8;
    default:
      return 2;
  }
}

// The ERROR_MESSAGE of each row of an error packet, in order.
std::vector<std::string> ErrorPacketMessages(const std::vector<uint8_t>& packet) {
  DSRef<IDSBase> store(dsclient::NewStore());
  dsclient::Check(store->DsAppendPacket(packet.data(), static_cast<uint32_t>(packet.size()), 1));
  DSProps props = {};
  dsclient::Check(store->DsProps(&props));
  std::vector<DSFLDDesc> descs(props.iFields);
  if (props.iFields > 0) dsclient::Check(store->DsFieldDescs(descs.data()));
  uint32_t fieldNo = 0;
  for (uint32_t i = 0; i < descs.size(); ++i) {
    if (std::strncmp(descs[i].szName, "ERROR_MESSAGE", sizeof descs[i].szName) == 0) fieldNo = i + 1;
  }
  std::vector<std::string> messages;
  if (fieldNo == 0) return messages;
  DSRef<IDSCursor> cursor(dsclient::NewCursor());
  dsclient::Check(cursor->CurInit(store.get()));
  DSCursorProps cursorProps = {};
  dsclient::Check(cursor->CurProps(&cursorProps));
  std::vector<uint8_t> record(cursorProps.iRecBufSize);
  std::vector<char> text(descs[fieldNo - 1].iFldLen + 1, 0);
  dsclient::Check(cursor->CurFirst());
  while (cursor->CurMove(1) == DBERR_NONE) {
    dsclient::Check(cursor->CurRecord(record.data()));
    int32_t isNull = 0;
    std::fill(text.begin(), text.end(), 0);
    dsclient::Check(cursor->CurGetField(record.data(), fieldNo, text.data(), &isNull));
    messages.emplace_back(isNull == 0 ? text.data() : "");
  }
  return messages;
}

}  // namespace

TCustomClientDataSet::TCustomClientDataSet(std::string name, TProviderOwner* owner)
    : TDataSet(std::move(name)), owner_(owner) {}

TCustomClientDataSet::~TCustomClientDataSet() {
  destroying_ = true;
  try {
    Close();
  } catch (...) {
  }
}

void TCustomClientDataSet::SetProviderName(std::string name) {
  if (name == providerName_) return;
  CheckInactive();
  providerName_ = std::move(name);
  appServer_.reset();
}

void TCustomClientDataSet::SetCommandText(const std::string& text) {
  commandText_ = text;
  if (text.empty()) {
    params_.Clear();
  } else {
    params_.ParseSQL(text);
  }
}

void TCustomClientDataSet::Check(DBResult status) const { dsclient::Check(status, store_.get()); }

// ---------------------------------------------------------------------------------------------
// Provider and application server

TCustomProvider* TCustomClientDataSet::FindProvider() const {
  TCustomProvider* provider = owner_ == nullptr ? nullptr : owner_->FindProvider(providerName_);
  if (provider == nullptr || providerName_.empty()) {
    DatabaseError("Missing data provider or data packet", this);
  }
  if (provider->SourceDataSet() == this) {
    DatabaseError("Circular provider references not allowed", this);
  }
  return provider;
}

IAppServer* TCustomClientDataSet::AppServer() {
  if (!appServer_) appServer_ = std::make_unique<TLocalAppServer>(FindProvider());
  return appServer_.get();
}

std::vector<uint8_t> TCustomClientDataSet::GetRecordsFromProvider(bool first) {
  if (BeforeGetRecords) BeforeGetRecords(*this);
  IAppServer* server = AppServer();
  int recsOut = 0;
  TVariant ownerData;
  TDataPacket packet;
  TParams params = first ? params_ : TParams();
  OleCheck(server->AS_GetRecords(providerName_, packetRecords_, recsOut, first ? grMetaData : 0,
                                 first ? commandText_ : std::string(), params, ownerData,
                                 packet),
           *server);
  // Output parameters come back by name.
  for (int i = 0; i < params.Count(); ++i) {
    if (TParam* mine = params_.FindParam(params[i].Name)) mine->Value = params[i].Value;
  }
  if (AfterGetRecords) AfterGetRecords(*this);
  providerEof_ = packetRecords_ != recsOut;
  if (!packet) DatabaseError("Missing data provider or data packet", this);
  if (packet->size() <= 21) throw EDatabaseError("Invalid data packet");
  return std::move(*packet);
}

uint32_t TCustomClientDataSet::GetNextPacket() {
  if (providerEof_ || !store_ || packetRecords_ <= 0) return 0;
  uint32_t before = 0;
  Check(cursor_->CurCount(&before));
  const std::vector<uint8_t> packet = GetRecordsFromProvider(false);
  if (uniDirectional_) {
    // The rows passed are let go: the new packet gets a store and a cursor of its own.
    DSRef<IDSBase> store(dsclient::NewStore());
    Check(store->DsAppendPacket(packet.data(), static_cast<uint32_t>(packet.size()),
                                providerEof_ ? 1 : 0));
    DSRef<IDSCursor> cursor(dsclient::NewCursor());
    Check(cursor->CurInit(store.get()));
    uint32_t count = 0;
    Check(cursor->CurCount(&count));
    if (count == 0) return 0;
    cursor_ = std::move(cursor);
    store_ = std::move(store);
    rowsPassed_ += before;
    return 1;
  }
  Check(store_->DsAppendPacket(packet.data(), static_cast<uint32_t>(packet.size()),
                               providerEof_ ? 1 : 0));
  uint32_t after = 0;
  Check(cursor_->CurCount(&after));
  return after > before ? before + 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Opening and closing

void TCustomClientDataSet::OpenSharing(const TCustomClientDataSet& source) {
  if (!source.store_) DatabaseError("Cannot perform this operation on a closed dataset", this);
  // The rows of a unidirectional set change places with every packet.
  source.CheckBiDirectional();
  shareFrom_ = &source;
  try {
    Open();
  } catch (...) {
    shareFrom_ = nullptr;
    throw;
  }
  shareFrom_ = nullptr;
}

void TCustomClientDataSet::SetUniDirectional(bool value) {
  CheckInactive();
  uniDirectional_ = value;
}

void TCustomClientDataSet::CheckBiDirectional() const {
  if (uniDirectional_) DatabaseError("Operation not allowed on a unidirectional dataset", this);
}

void TCustomClientDataSet::InternalOpen() {
  providerEof_ = false;
  rowsPassed_ = 0;
  try {
    if (shareFrom_ != nullptr) {
      store_ = DSRef<IDSBase>(shareFrom_->store_.get());
      store_->AddRef();
      providerEof_ = true;
    } else {
      const std::vector<uint8_t> packet = GetRecordsFromProvider();
      store_ = DSRef<IDSBase>(dsclient::NewStore());
      Check(store_->DsAppendPacket(packet.data(), static_cast<uint32_t>(packet.size()),
                                   providerEof_ ? 1 : 0));
    }
    cursor_ = DSRef<IDSCursor>(dsclient::NewCursor());
    Check(cursor_->CurInit(store_.get()));
    ReadOpenOptions();
    DSCursorProps props = {};
    Check(cursor_->CurProps(&props));
    recordSize_ = props.iRecBufSize;
    bookmarkSize_ = props.iBookmarkSize;
    storeReadOnly_ = props.bReadOnly != 0;
    InternalInitFieldDefs();
    if (DefaultFields()) {
      CreateFields();
    } else {
      BindFields(true);
    }
    ApplyFieldProperties();
  } catch (...) {
    ReleaseStore();
    appServer_.reset();
    throw;
  }
}

void TCustomClientDataSet::InternalInitFieldDefs() {
  DSProps props = {};
  Check(store_->DsProps(&props));
  descs_.assign(props.iFields, DSFLDDesc{});
  if (props.iFields > 0) Check(store_->DsFieldDescs(descs_.data()));
  FieldDefs().Clear();
  for (const DSFLDDesc& d : descs_) {
    TFieldDef def;
    def.Name = std::string(d.szName, strnlen(d.szName, sizeof d.szName));
    def.DataType = FieldTypeOf(d);
    switch (def.DataType) {
      case ftBCD:
      case ftFMTBcd:
        def.Size = d.iUnits2;
        def.Precision = d.iUnits1;
        break;
      case ftString:
      case ftFixedChar:
      case ftGuid:
      case ftWideString:
      case ftBytes:
      case ftVarBytes:
        def.Size = d.iUnits1;
        break;
      default:
        break;
    }
    def.Required = (d.iFldAttr & DSATTR_REQUIRED) != 0;
    def.ReadOnly = (d.iFldAttr & DSATTR_READONLY) != 0;
    def.FixedChar = d.iFldSubType == dsstFixedChar;
    FieldDefs().Add(def);
  }
  FieldDefs().Updated = true;
}

bool TCustomClientDataSet::BoolAttribute(uint32_t field, const char* name) const {
  uint32_t type = 0, length = 0;
  const void* value = nullptr;
  if (store_->DsOptParam(0, field, name, &type, &length, &value) != DBERR_NONE) return false;
  if ((type & ~DSTYPE_INCLUDEINDELTA) != DSATTR_TYPE_BOOL || length == 0) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(value);
  return std::any_of(bytes, bytes + length, [](uint8_t b) { return b != 0; });
}

void TCustomClientDataSet::ReadOpenOptions() {
  disableEdits_ = BoolAttribute(0, "DISABLE_EDITS");
  disableInserts_ = BoolAttribute(0, "DISABLE_INSERTS");
  disableDeletes_ = BoolAttribute(0, "DISABLE_DELETES");
  noResetCall_ = BoolAttribute(0, "NO_RESET_CALL");
  if (BoolAttribute(0, "READONLY")) Check(store_->DsSetProp(dspropREADONLY, 1));
}

void TCustomClientDataSet::ApplyFieldProperties() {
  for (int i = 0; i < Fields().Count(); ++i) {
    TField& field = Fields()[i];
    if (field.FieldNo() <= 0 || field.FieldNo() > static_cast<int>(descs_.size())) continue;
    const uint32_t no = static_cast<uint32_t>(field.FieldNo());
    uint32_t type = 0, length = 0;
    const void* value = nullptr;
    if (store_->DsOptParam(0, no, "ORIGIN", &type, &length, &value) == DBERR_NONE) {
      field.SetOrigin(std::string(static_cast<const char*>(value), length));
    }
    if (store_->DsOptParam(0, no, "PROVFLAGS", &type, &length, &value) == DBERR_NONE &&
        length == 4) {
      int32_t flags = 0;
      std::memcpy(&flags, value, 4);
      field.SetProviderFlags(static_cast<TProviderFlags>(flags));
    }
  }
}

void TCustomClientDataSet::ReleaseStore() {
  cursor_.Reset();
  store_.Reset();
  descs_.clear();
  recordSize_ = 0;
}

void TCustomClientDataSet::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyCreatedFields();
  cursor_.Reset();
  // The provider closes its source again unless the packet asked for no reset call.
  if (appServer_ && !destroying_ && !noResetCall_) {
    int recsOut = 0;
    TVariant ownerData;
    TDataPacket none;
    TParams params;
    IAppServer* server = appServer_.get();
    const HRESULT status =
        server->AS_GetRecords(providerName_, 0, recsOut, grReset, "", params, ownerData, none);
    appServer_.reset();
    ReleaseStore();
    OleCheck(status, *server);
    return;
  }
  appServer_.reset();
  ReleaseStore();
}

// ---------------------------------------------------------------------------------------------
// Records

size_t TCustomClientDataSet::RecordBufferSize() const {
  return recordSize_ + kInfoSize + bookmarkSize_;
}

uint32_t TCustomClientDataSet::SeqNoOf(const TRecordBuffer& buffer) const {
  uint32_t seqNo = 0;
  if (buffer.Data.size() >= RecordBufferSize()) {
    std::memcpy(&seqNo, buffer.Data.data() + recordSize_ + kInfoSeqNo, 4);
  }
  return seqNo;
}

uint8_t TCustomClientDataSet::AttrOf(const TRecordBuffer& buffer) const {
  return buffer.Data.size() >= RecordBufferSize() ? buffer.Data[recordSize_ + kInfoAttr] : 0;
}

void TCustomClientDataSet::FillRecordInfo(TRecordBuffer& buffer) {
  uint8_t* info = buffer.Data.data() + recordSize_;
  uint32_t seqNo = 0, attr = 0;
  cursor_->CurSeqNo(&seqNo);
  cursor_->CurAttr(&attr);
  std::memcpy(info + kInfoSeqNo, &seqNo, 4);
  info[kInfoFlag] = 0;
  info[kInfoAttr] = static_cast<uint8_t>(attr);
  Check(cursor_->CurBookmark(info + kInfoBookmark));
}

TGetResult TCustomClientDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode) {
  if (buffer.Data.size() != RecordBufferSize()) buffer.Data.assign(RecordBufferSize(), 0);
  DBResult status = DBERR_NONE;
  if (mode == gmNext) {
    status = cursor_->CurMove(1);
    // Past the rows received: the provider's next packet holds the next row.
    if (status == DBERR_EOF && fetchOnDemand_) {
      if (const uint32_t first = GetNextPacket()) status = cursor_->CurGotoSeqNo(first);
    }
  }
  if (mode == gmPrior) {
    CheckBiDirectional();
    status = cursor_->CurMove(-1);
  }
  if (status == DBERR_NONE) status = cursor_->CurRecord(buffer.Data.data());
  if (status == DBERR_EOF) return grEOF;
  if (status == DBERR_BOF) return grBOF;
  Check(status);
  FillRecordInfo(buffer);
  return grOK;
}

void TCustomClientDataSet::CheckFirstAllowed() const {
  // The first row is gone once a later packet took its place.
  if (rowsPassed_ > 0) CheckBiDirectional();
}

void TCustomClientDataSet::InternalFirst() { Check(cursor_->CurFirst()); }

void TCustomClientDataSet::InternalLast() {
  // The last row is the provider's: every remaining packet comes first.
  while (fetchOnDemand_ && GetNextPacket() != 0) {
  }
  Check(cursor_->CurLast());
}

TBookmark TCustomClientDataSet::BookmarkOfBuffer(const TRecordBuffer& buffer) const {
  if (buffer.Data.size() < RecordBufferSize() || bookmarkSize_ == 0) return {};
  const uint8_t* info = buffer.Data.data() + recordSize_;
  if (info[kInfoFlag] != 0) return {};
  return TBookmark(reinterpret_cast<const char*>(info + kInfoBookmark), bookmarkSize_);
}

void TCustomClientDataSet::InternalSetToRecord(const TRecordBuffer& buffer) {
  const TBookmark bookmark = BookmarkOfBuffer(buffer);
  if (!bookmark.empty()) Check(cursor_->CurGotoBookmark(bookmark.data()));
}

void TCustomClientDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
  // A bookmark whose row is gone leaves the cursor where it is.
  if (bookmark.size() == bookmarkSize_) cursor_->CurGotoBookmark(bookmark.data());
}

int TCustomClientDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  if (a.empty() && b.empty()) return 0;
  if (a.empty()) return 1;
  if (b.empty()) return -1;
  int32_t result = DSCMP_EQUAL;
  if (cursor_ && a.size() == bookmarkSize_ && b.size() == bookmarkSize_ &&
      cursor_->CurCompare(a.data(), b.data(), &result) == DBERR_NONE) {
    return result == DSCMP_EQUAL ? 0 : (result == DSCMP_LESS ? -1 : 1);
  }
  // Bookmarks of rows that are gone compare by their bytes.
  const int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool TCustomClientDataSet::BookmarkValid(const TBookmark& bookmark) const {
  if (!cursor_ || uniDirectional_ || bookmark.size() != bookmarkSize_) return false;
  auto* self = const_cast<TCustomClientDataSet*>(this);
  const bool valid = cursor_->CurGotoBookmark(bookmark.data()) == DBERR_NONE &&
                     cursor_->CurRecord(nullptr) == DBERR_NONE;
  self->CursorPosChanged();
  return valid;
}

int TCustomClientDataSet::RecNo() const {
  if (State() == dsCalcFields || State() == dsInternalCalc) return -1;
  const TRecordBuffer* buffer = ActiveBuffer();
  if (buffer == nullptr) return -1;
  const uint32_t seqNo = SeqNoOf(*buffer);
  return seqNo == 0 ? -1 : static_cast<int>(seqNo + rowsPassed_);
}

void TCustomClientDataSet::SetRecNo(int value) {
  CheckBrowseMode();
  CheckBiDirectional();
  if (value == RecNo()) return;
  if (BeforeScroll) BeforeScroll(*this);
  if (value > 0 && cursor_->CurGotoSeqNo(static_cast<uint32_t>(value)) == DBERR_NONE) {
    Resync(true);
  } else {
    CursorPosChanged();
  }
  if (AfterScroll) AfterScroll(*this);
}

int TCustomClientDataSet::RecordCount() const {
  CheckActive();
  uint32_t count = 0;
  const DBResult status = cursor_->CurCount(&count);
  if (status != DBERR_COUNTNOTEXACT) Check(status);
  return static_cast<int>(count + rowsPassed_);
}

// ---------------------------------------------------------------------------------------------
// Searching

bool TCustomClientDataSet::Locate(const std::string& keyFields,
                                  const std::vector<TVariant>& keyValues, TLocateOptions options) {
  CheckBrowseMode();
  CheckBiDirectional();
  std::vector<const TField*> fields;
  size_t start = 0;
  while (start <= keyFields.size()) {
    size_t end = keyFields.find(';', start);
    if (end == std::string::npos) end = keyFields.size();
    std::string name = keyFields.substr(start, end - start);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty()) fields.push_back(&FieldByName(name));
    start = end + 1;
  }
  const std::string text = BuildLocateFilter(fields, keyValues, options);
  const std::vector<uint8_t> filter = CompileLocateFilter(text, *this, options);
  if (BeforeScroll) BeforeScroll(*this);
  Check(cursor_->CurFirst());
  const DBResult status = cursor_->CurLocate(filter.data(), static_cast<uint32_t>(filter.size()));
  if (status == DBERR_NONE) {
    Resync(true);
    if (AfterScroll) AfterScroll(*this);
    return true;
  }
  CursorPosChanged();
  if (status != DBERR_RECNOTFOUND) Check(status);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Field values

const DSFLDDesc* TCustomClientDataSet::DescOf(const TField& field) const {
  const int no = field.FieldNo();
  if (no <= 0 || no > static_cast<int>(descs_.size())) return nullptr;
  return &descs_[static_cast<size_t>(no - 1)];
}

bool TCustomClientDataSet::GetFieldData(const TField& field, void* buffer) const {
  const TRecordBuffer* record = ActiveBuffer();
  const DSFLDDesc* d = DescOf(field);
  if (record == nullptr || d == nullptr || !cursor_) return false;
  if (scratch_.size() < d->iFldLen + 1) scratch_.resize(d->iFldLen + 1);
  int32_t isNull = 0;
  if (cursor_->CurGetField(record->Data.data(), static_cast<uint32_t>(field.FieldNo()),
                           scratch_.data(), &isNull) != DBERR_NONE ||
      isNull != 0) {
    return false;
  }
  if (buffer == nullptr) return true;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  const uint8_t* slot = scratch_.data();
  switch (d->iFldType) {
    case DSFLD_ZSTRING:
    case DSFLD_UNICODE: {
      const size_t room = static_cast<size_t>(std::max(field.DataSize(), 1)) - 1;
      const size_t length =
          std::min(strnlen(reinterpret_cast<const char*>(slot), d->iFldLen), room);
      std::memcpy(out, slot, length);
      out[length] = 0;
      return true;
    }
    case DSFLD_INT:
      WriteInt(out, NativeIntSize(field.DataType()), ReadInt(slot, DSTypeSize(d->iTypeWord)));
      return true;
    case DSFLD_BOOL: {
      const int16_t value = ReadInt(slot, DSTypeSize(d->iTypeWord)) != 0 ? 1 : 0;
      std::memcpy(out, &value, 2);
      return true;
    }
    case DSFLD_BCD:
    case DSFLD_FMTBCD: {
      TBcd value{};
      value.Precision = 0;
      std::memcpy(&value, slot, std::min<size_t>(d->iFldLen, sizeof value));
      std::memcpy(out, &value, sizeof value);
      return true;
    }
    case DSFLD_BYTES:
      if ((d->iTypeWord & DSTYPE_VARYING) && DSTypeSize(d->iTypeWord) == 4) return false;
      std::memcpy(out, slot, std::min<size_t>(d->iFldLen, static_cast<size_t>(field.DataSize())));
      return true;
    default:
      std::memcpy(out, slot, std::min<size_t>(d->iFldLen, static_cast<size_t>(field.DataSize())));
      return true;
  }
}

void TCustomClientDataSet::SetFieldData(TField& field, const void* buffer) {
  TRecordBuffer* record = ActiveBuffer();
  const DSFLDDesc* d = DescOf(field);
  if (record == nullptr || d == nullptr) {
    DatabaseError("Field '" + field.DisplayName() + "' cannot be modified");
  }
  const uint32_t no = static_cast<uint32_t>(field.FieldNo());
  if (buffer == nullptr) {
    Check(cursor_->CurPutField(record->Data.data(), no, nullptr));
    return;
  }
  std::vector<uint8_t> slot(d->iFldLen + 1, 0);
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  switch (d->iFldType) {
    case DSFLD_ZSTRING:
    case DSFLD_UNICODE: {
      const size_t length = std::min<size_t>(
          strnlen(reinterpret_cast<const char*>(in), static_cast<size_t>(field.DataSize())),
          d->iFldLen - 1);
      std::memcpy(slot.data(), in, length);
      break;
    }
    case DSFLD_INT: {
      int64_t value = 0;
      const uint32_t native = NativeIntSize(field.DataType());
      value = field.DataType() == ftWord ? static_cast<int64_t>(in[0] | (in[1] << 8))
                                         : ReadInt(in, native);
      WriteInt(slot.data(), DSTypeSize(d->iTypeWord), value);
      break;
    }
    case DSFLD_BOOL: {
      int16_t value = 0;
      std::memcpy(&value, in, 2);
      WriteInt(slot.data(), DSTypeSize(d->iTypeWord), value != 0 ? 1 : 0);
      break;
    }
    case DSFLD_BCD:
    case DSFLD_FMTBCD: {
      TBcd value;
      std::memcpy(&value, in, sizeof value);
      TBcd normal;
      if (!NormalizeBcd(value, d->iUnits1, d->iUnits2, normal)) throw EBcdOverflow();
      std::memcpy(slot.data(), &normal, std::min<size_t>(d->iFldLen, sizeof normal));
      break;
    }
    case DSFLD_BYTES:
      if ((d->iTypeWord & DSTYPE_VARYING) && DSTypeSize(d->iTypeWord) == 4) {
        DatabaseError("Field '" + field.DisplayName() + "' cannot be modified");
      }
      std::memcpy(slot.data(), in,
                  std::min<size_t>(d->iFldLen, static_cast<size_t>(field.DataSize())));
      break;
    default:
      std::memcpy(slot.data(), in,
                  std::min<size_t>(d->iFldLen, static_cast<size_t>(field.DataSize())));
      break;
  }
  Check(cursor_->CurVerifyField(no, slot.data()));
  Check(cursor_->CurPutField(record->Data.data(), no, slot.data()));
}

// ---------------------------------------------------------------------------------------------
// Editing and the change log

bool TCustomClientDataSet::CanModify() const {
  return Active() && store_ && !readOnly_ && !storeReadOnly_ && !uniDirectional_;
}

void TCustomClientDataSet::InternalInitRecord(TRecordBuffer& buffer) {
  if (buffer.Data.size() != RecordBufferSize()) buffer.Data.assign(RecordBufferSize(), 0);
  std::fill(buffer.Data.begin(), buffer.Data.end(), 0);
  Check(cursor_->CurInitRecord(buffer.Data.data()));
  buffer.Data[recordSize_ + kInfoFlag] = 1;  // no bookmark until posted
  buffer.Data[recordSize_ + kInfoAttr] = DSREC_INSERTED;
}

void TCustomClientDataSet::InternalEdit() {
  if (disableEdits_) DatabaseError("Modifications are not allowed", this);
}

void TCustomClientDataSet::InternalInsert() {
  if (disableInserts_) DatabaseError("Inserts are not allowed", this);
  // The row that stood at the insert position moved one place down the window.
  insertBefore_.clear();
  uint32_t count = 0;
  cursor_->CurCount(&count);
  const int next = ActiveRecord() + 1;
  if (count > 0 && next <= BufferCount()) insertBefore_ = BookmarkOfBuffer(Buffer(next));
}

void TCustomClientDataSet::InternalPost() {
  TRecordBuffer* record = ActiveBuffer();
  if (record == nullptr) return;
  if (State() == dsEdit) {
    InternalSetToRecord(*record);
    Check(cursor_->CurModify(record->Data.data()));
    return;
  }
  // Appended records (Eof) go at the end; inserted ones before the row they displaced.
  if (Eof() || insertBefore_.empty() ||
      cursor_->CurGotoBookmark(insertBefore_.data()) != DBERR_NONE) {
    Check(cursor_->CurLast());
  }
  Check(cursor_->CurInsert(record->Data.data()));
  insertBefore_.clear();
}

void TCustomClientDataSet::InternalCancel() {
  insertBefore_.clear();
  if (store_) store_->DsReleaseBlobs(0);
}

void TCustomClientDataSet::InternalDelete() {
  if (disableDeletes_) DatabaseError("Deletes are not allowed", this);
  const TRecordBuffer* record = ActiveBuffer();
  if (record == nullptr) return;
  InternalSetToRecord(*record);
  Check(cursor_->CurDelete());
}

int TCustomClientDataSet::ChangeCount() const {
  if (!Active() || !store_) return 0;
  uint32_t count = 0;
  Check(store_->DsGetProp(dspropNOOFCHANGES, &count));
  return static_cast<int>(count);
}

void TCustomClientDataSet::CancelUpdates() {
  Cancel();
  if (!Active()) return;
  Check(store_->DsRollBack(0));
  CursorPosChanged();
  Resync(false);
}

void TCustomClientDataSet::MergeChangeLog() {
  CheckBrowseMode();
  Check(store_->DsAcceptChanges());
  CursorPosChanged();
  Resync(false);
}

TUpdateStatus TCustomClientDataSet::UpdateStatus() const {
  if (State() == dsInsert) return usInserted;
  const TRecordBuffer* record = ActiveBuffer();
  if (record == nullptr) return usUnmodified;
  const uint8_t attr = AttrOf(*record);
  if (attr & DSREC_MODIFIED) return usModified;
  if (attr & DSREC_DELETED) return usDeleted;
  if (attr & DSREC_INSERTED) return usInserted;
  return usUnmodified;
}

TDataPacket TCustomClientDataSet::Delta() const {
  if (!Active() || ChangeCount() == 0) return std::nullopt;
  DSRef<IDSBase> delta;
  Check(store_->DsDelta(delta.Out()));
  const uint8_t* bytes = nullptr;
  uint32_t length = 0;
  Check(delta->DsStream(&bytes, &length));
  return std::vector<uint8_t>(bytes, bytes + length);
}

int TCustomClientDataSet::ApplyUpdates(int maxErrors) {
  CheckBrowseMode();
  if (ChangeCount() == 0) return 0;
  const TDataPacket delta = Delta();
  if (BeforeApplyUpdates) BeforeApplyUpdates(*this);
  IAppServer* server = AppServer();
  int errorCount = 0;
  TVariant ownerData;
  TDataPacket errors;
  applyErrors_.clear();
  OleCheck(server->AS_ApplyUpdates(providerName_, delta, maxErrors, errorCount, ownerData, errors),
           *server);
  if (AfterApplyUpdates) AfterApplyUpdates(*this);
  // Without an error packet every change was applied: it becomes base data. Otherwise the
  // changes of the failed rows stay in the change log (all of them after an abort).
  if (!errors) {
    MergeChangeLog();
  } else {
    applyErrors_ = ErrorPacketMessages(*errors);
    Check(store_->DsReconcile(nullptr, nullptr, 0, errors->data(),
                              static_cast<uint32_t>(errors->size()), nullptr, nullptr));
    CursorPosChanged();
    Resync(false);
  }
  return errorCount;
}
