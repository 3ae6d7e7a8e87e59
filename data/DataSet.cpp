#include "data/DB.h"

#include <algorithm>

#include "data/TextCase.h"

namespace {

// Fills the first "%s" of `pattern` with `arg`.
std::string Fill(const std::string& pattern, const std::string& arg) {
  std::string result = pattern;
  size_t at = result.find("%s");
  if (at != std::string::npos) result.replace(at, 2, arg);
  return result;
}

std::string Fill2(const std::string& pattern, const std::string& a, const std::string& b,
                  const std::string& c) {
  return Fill(Fill(Fill(pattern, a), b), c);
}

// Types that bind to each other's fields: one group number per type.
int TypeGroup(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
      return 1;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return 2;
    case ftBoolean:
      return 3;
    case ftFloat:
    case ftCurrency:
      return 4;
    case ftBCD:
      return 5;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return 6;
    case ftBytes:
      return 7;
    case ftVarBytes:
      return 8;
    case ftLargeint:
      return 10;
    case ftTimeStamp:
      return 11;
    case ftFMTBcd:
      return 12;
    case ftWideString:
    case ftUnknown:
    case ftCursor:
      return 13;
    default:
      return IsBlobType(type) ? 9 : 100 + static_cast<int>(type);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Errors and types

void DatabaseError(const std::string& message, const TDataSet* component) {
  if (component != nullptr && !component->Name().empty()) {
    throw EDatabaseError(component->Name() + ": " + message);
  }
  throw EDatabaseError(message);
}

const char* FieldTypeName(TFieldType type) {
  static const char* const kNames[] = {
      "Unknown",  "String",     "SmallInt",   "Integer",  "Word",        "Boolean",
      "Float",    "Currency",   "BCD",        "Date",     "Time",        "DateTime",
      "Bytes",    "VarBytes",   "AutoInc",    "Blob",     "Memo",        "Graphic",
      "FmtMemo",  "ParadoxOle", "DBaseOle",   "TypedBinary", "Cursor",   "FixedChar",
      "WideString", "Largeint", "ADT",        "Array",    "Reference",   "DataSet",
      "OraBlob",  "OraClob",    "Variant",    "Interface", "IDispatch",  "Guid",
      "TimeStamp", "FMTBcd"};
  auto index = static_cast<size_t>(type);
  return index < std::size(kNames) ? kNames[index] : "Unknown";
}

bool IsBlobType(TFieldType type) {
  switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
      return true;
    default:
      return false;
  }
}

bool IsNumericType(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Field definitions and field list

TFieldDef& TFieldDefs::Add(TFieldDef def) {
  if (IndexOf(def.Name) >= 0) {
    std::string base = def.Name;
    for (int n = 1;; ++n) {
      std::string candidate = base + "_" + std::to_string(n);
      if (IndexOf(candidate) < 0) {
        def.Name = candidate;
        break;
      }
    }
  }
  def.FieldNo = Count() + 1;
  items_.push_back(std::move(def));
  return items_.back();
}

void TFieldDefs::Clear() {
  items_.clear();
  Updated = false;
}

int TFieldDefs::IndexOf(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameTextCp1252(items_[i].Name, name)) return i;
  }
  return -1;
}

const TFieldDef* TFieldDefs::Find(const std::string& name) const {
  int index = IndexOf(name);
  return index < 0 ? nullptr : &items_[index];
}

TField* TFields::FindField(const std::string& name) const {
  for (TField* field : items_) {
    if (SameTextCp1252(field->FieldName(), name)) return field;
  }
  return nullptr;
}

int TFields::IndexOf(const TField* field) const {
  auto it = std::find(items_.begin(), items_.end(), field);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TFields::Add(TField* field) {
  if (IndexOf(field) < 0) items_.push_back(field);
}

void TFields::Remove(TField* field) {
  auto it = std::find(items_.begin(), items_.end(), field);
  if (it != items_.end()) items_.erase(it);
}

// ---------------------------------------------------------------------------------------------
// Data links

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() { SetDataSource(nullptr); }

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == dataSource_) return;
  if (dataSource_ != nullptr) dataSource_->RemoveLink(this);
  dataSource_ = source;
  if (dataSource_ != nullptr) dataSource_->AddLink(this);
  TDataSet* dataSet = DataSet();
  SetActive(dataSource_ != nullptr && dataSource_->Enabled() && dataSet != nullptr &&
            dataSet->Active());
}

TDataSet* TDataLink::DataSet() const {
  return dataSource_ == nullptr ? nullptr : dataSource_->DataSet();
}

void TDataLink::SetBufferCount(int count) {
  count = std::max(1, count);
  if (count == bufferCount_) return;
  bufferCount_ = count;
  if (active_) {
    TDataSet* dataSet = DataSet();
    dataSet->UpdateBufferCount();
    firstRecord_ = std::clamp(firstRecord_, 0, std::max(0, dataSet->activeRecord_));
    if (dataSet->activeRecord_ - firstRecord_ >= bufferCount_) {
      firstRecord_ = dataSet->activeRecord_ - bufferCount_ + 1;
    }
  }
}

int TDataLink::RecordCount() const {
  if (!active_) return 0;
  TDataSet* dataSet = DataSet();
  if (dataSet->State() == dsSetKey) return 1;
  return std::clamp(dataSet->recordCount_ - firstRecord_, 0, bufferCount_);
}

int TDataLink::ActiveRecord() const {
  if (!active_) return 0;
  TDataSet* dataSet = DataSet();
  return dataSet->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int index) {
  if (!active_) return;
  DataSet()->SetActiveRecordIndex(firstRecord_ + index);
}

bool TDataLink::Editing() const { return editing_; }

bool TDataLink::Edit() {
  if (!editing_ && active_) DataSet()->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

int TDataLink::MoveBy(int distance) { return active_ ? DataSet()->MoveBy(distance) : 0; }

void TDataLink::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  firstRecord_ = 0;
  if (value) DataSet()->UpdateBufferCount();
  ActiveChanged();
  bool editing = value && (DataSet()->State() == dsEdit || DataSet()->State() == dsInsert);
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    TDataSet* dataSet = DataSet();
    SetActive(dataSource_->Enabled() && dataSet != nullptr && dataSet->Active());
    bool editing = active_ && (dataSet->State() == dsEdit || dataSet->State() == dsInsert);
    if (editing != editing_) {
      editing_ = editing;
      EditingChanged();
    }
    return;
  }
  if (event == deDisabledStateChange) {
    DisabledStateChanged(info != 0);
    return;
  }
  if (!active_) return;
  TDataSet* dataSet = DataSet();
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      // Keep the link's first record so that the active record stays in its range.
      int oldFirst = firstRecord_;
      if (event == deDataSetScroll) firstRecord_ += static_cast<int>(info);
      int minFirst = std::max(0, dataSet->activeRecord_ - bufferCount_ + 1);
      int maxFirst = std::min(dataSet->activeRecord_, std::max(0, dataSet->recordCount_ - 1));
      maxFirst = std::max(maxFirst, 0);
      firstRecord_ = std::clamp(firstRecord_, minFirst, std::max(minFirst, maxFirst));
      if (dataSet->recordCount_ - firstRecord_ < bufferCount_) {
        firstRecord_ = std::max(minFirst, std::min(firstRecord_,
                                                    dataSet->recordCount_ - bufferCount_));
        firstRecord_ = std::max(firstRecord_, 0);
      }
      if (event == deDataSetScroll) {
        DataSetScrolled((firstRecord_ - oldFirst) - static_cast<int>(info));
      } else if (event == deDataSetChange) {
        DataSetChanged();
      } else {
        LayoutChanged();
      }
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Data sources

TDataSource::TDataSource(TDataSet* dataSet) { SetDataSet(dataSet); }

TDataSource::~TDataSource() {
  while (!links_.empty()) links_.back()->SetDataSource(nullptr);
  SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_ != nullptr) dataSet_->RemoveDataSource(this);
  dataSet_ = dataSet;
  if (dataSet_ != nullptr) dataSet_->AddDataSource(this);
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSource::State() const {
  return dataSet_ == nullptr || !enabled_ ? dsInactive : dataSet_->State();
}

void TDataSource::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  DataEvent(deUpdateState, 0);
}

void TDataSource::AddLink(TDataLink* link) {
  links_.push_back(link);
  if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
}

void TDataSource::RemoveLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  link->SetActive(false);
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->UpdateBufferCount();
}

void TDataSource::NotifyLinks(TDataEvent event, intptr_t info) {
  // A link may detach itself while handling a notice: walk a copy.
  std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links) {
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) {
      link->DataEvent(event, info);
    }
  }
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    TDataSetState state = State();
    if (state != state_) {
      state_ = state;
      NotifyLinks(deUpdateState, 0);
      if (OnStateChange) OnStateChange(*this);
    } else {
      NotifyLinks(deUpdateState, 0);
    }
    return;
  }
  if (!enabled_ && event != deDisabledStateChange) return;
  NotifyLinks(event, info);
  if (OnDataChange && (event == deFieldChange || event == deRecordChange ||
                       event == deDataSetChange || event == deDataSetScroll ||
                       event == deLayoutChange)) {
    OnDataChange(*this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
  }
}

// ---------------------------------------------------------------------------------------------
// Data set: opening and closing

TDataSet::TDataSet(std::string name) : name_(std::move(name)) { SetBufferCount(1); }

TDataSet::~TDataSet() {
  for (TDataSource* source : dataSources_) source->dataSet_ = nullptr;
  for (int i = 0; i < fields_.Count(); ++i) fields_[i].dataSet_ = nullptr;
  fields_.Clear();
}

void TDataSet::SetActive(bool value) {
  if (value) {
    Open();
  } else {
    Close();
  }
}

void TDataSet::Open() {
  if (Active()) return;
  if (BeforeOpen) BeforeOpen(*this);
  state_ = dsOpening;
  try {
    defaultFields_ = fields_.Count() == 0;
    InternalOpen();
  } catch (...) {
    state_ = dsInactive;
    try {
      if (IsCursorOpen()) InternalClose();
    } catch (...) {
    }
    if (defaultFields_) DestroyCreatedFields();
    throw;
  }
  state_ = dsInactive;
  UpdateBufferCount();
  ClearBuffers();
  SetState(dsBrowse);
  InternalFirst();
  GetNextRecords();
  activeRecord_ = 0;
  bof_ = true;
  eof_ = recordCount_ == 0;
  DataEvent(deDataSetChange);
  if (AfterOpen) AfterOpen(*this);
}

void TDataSet::Close() {
  if (!Active()) return;
  if (BeforeClose) BeforeClose(*this);
  if (state_ == dsEdit || state_ == dsInsert) {
    try {
      InternalCancel();
    } catch (...) {
    }
  }
  SetState(dsInactive);
  ClearBuffers();
  try {
    InternalClose();
  } catch (...) {
    eof_ = bof_ = true;
    throw;
  }
  eof_ = bof_ = true;
  if (AfterClose) AfterClose(*this);
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", this);
}

void TDataSet::SetState(TDataSetState state) {
  if (state == state_) return;
  state_ = state;
  if (state != dsEdit && state != dsInsert) modified_ = false;
  DataEvent(deUpdateState);
}

// ---------------------------------------------------------------------------------------------
// Data set: fields

TField* TDataSet::FindField(const std::string& name) const { return fields_.FindField(name); }

TField& TDataSet::FieldByName(const std::string& name) const {
  TField* field = FindField(name);
  if (field == nullptr) DatabaseError(Fill("Field '%s' not found", name), this);
  return *field;
}

void TDataSet::CreateFields() {
  for (int i = 0; i < fieldDefs_.Count(); ++i) {
    const TFieldDef& def = fieldDefs_[i];
    std::unique_ptr<TField> field = CreateFieldForDef(def);
    field->SetFieldName(def.Name);
    field->SetRequired(def.Required);
    field->SetReadOnly(def.ReadOnly);
    field->SetFieldNo(def.FieldNo);
    field->SetDataSet(this);
    ownedFields_.push_back(std::move(field));
  }
  defaultFields_ = true;
}

void TDataSet::DestroyCreatedFields() {
  for (auto& field : ownedFields_) {
    fields_.Remove(field.get());
    field->dataSet_ = nullptr;
  }
  ownedFields_.clear();
}

void TDataSet::BindFields(bool binding) {
  for (int i = 0; i < fields_.Count(); ++i) {
    TField& field = fields_[i];
    if (!binding) {
      if (field.FieldKind() == fkData) field.SetFieldNo(0);
      continue;
    }
    if (field.FieldKind() != fkData) continue;
    const TFieldDef* def = fieldDefs_.Find(field.FieldName());
    if (def == nullptr) DatabaseError(Fill("Field '%s' not found", field.DisplayName()), this);
    if (TypeGroup(field.DataType()) != TypeGroup(def->DataType)) {
      DatabaseError(Fill2("Type mismatch for field '%s', expecting: %s actual: %s",
                          field.DisplayName(), FieldTypeName(field.DataType()),
                          FieldTypeName(def->DataType)),
                    this);
    }
    TFieldType type = field.DataType();
    if ((type == ftBCD || type == ftBytes || type == ftVarBytes || type == ftReference) &&
        field.Size() != def->Size) {
      std::string message = Fill("Size mismatch for field '%s', expecting: %d actual: %d",
                                 field.DisplayName());
      size_t at = message.find("%d");
      message.replace(at, 2, std::to_string(field.Size()));
      at = message.find("%d");
      message.replace(at, 2, std::to_string(def->Size));
      DatabaseError(message, this);
    }
    if (TypeGroup(type) == 1 && field.Size() > def->Size && !field.ReadOnly()) {
      field.SetSize(def->Size);
    }
    field.SetFieldNo(def->FieldNo);
  }
}

// ---------------------------------------------------------------------------------------------
// Data set: the window of buffered records

void TDataSet::SetBufferCount(int count) {
  count = std::max(1, count);
  if (count == bufferCount_ && static_cast<int>(buffers_.size()) == count + 1) return;
  size_t size = IsCursorOpenSafe() ? RecordBufferSize() : 0;
  if (count > bufferCount_) {
    // The scratch buffer stays last; new buffers join the window before it.
    int added = count - bufferCount_;
    TRecordBuffer scratch = buffers_.empty() ? TRecordBuffer{} : std::move(buffers_.back());
    if (!buffers_.empty()) buffers_.pop_back();
    for (int i = 0; i < added; ++i) buffers_.push_back(TRecordBuffer{});
    buffers_.push_back(std::move(scratch));
    for (auto& buffer : buffers_) buffer.Data.resize(size);
    bufferCount_ = count;
    if (Active() && state_ != dsInsert && recordCount_ > 0) {
      GetNextRecords();
      GetPriorRecords();
    }
  } else {
    // Keep the records around the active one.
    int start = std::max(0, activeRecord_ - count + 1);
    if (start > 0) {
      std::rotate(buffers_.begin(), buffers_.begin() + start, buffers_.begin() + bufferCount_);
      activeRecord_ -= start;
      recordCount_ -= start;
    }
    recordCount_ = std::min(recordCount_, count);
    TRecordBuffer scratch = std::move(buffers_.back());
    buffers_.resize(count);
    buffers_.push_back(std::move(scratch));
    bufferCount_ = count;
    currentRecord_ = -1;
  }
}

bool TDataSet::IsCursorOpenSafe() const { return state_ != dsInactive && IsCursorOpen(); }

void TDataSet::UpdateBufferCount() {
  if (IsUniDirectional()) {
    SetBufferCount(1);
    return;
  }
  int count = 1;
  for (TDataSource* source : dataSources_) {
    for (TDataLink* link : source->links_) count = std::max(count, link->BufferCount());
  }
  SetBufferCount(count);
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  size_t size = IsCursorOpenSafe() ? RecordBufferSize() : 0;
  for (auto& buffer : buffers_) {
    if (buffer.Data.size() != size) buffer.Data.assign(size, 0);
  }
}

void TDataSet::SetActiveRecordIndex(int index) {
  if (index >= 0 && index < std::max(1, recordCount_)) activeRecord_ = index;
}

const TRecordBuffer* TDataSet::ActiveBuffer() const {
  if (recordCount_ == 0 || activeRecord_ >= recordCount_) return nullptr;
  return &buffers_[activeRecord_];
}

TRecordBuffer* TDataSet::ActiveBuffer() {
  if (recordCount_ == 0 || activeRecord_ >= recordCount_) return nullptr;
  return &buffers_[activeRecord_];
}

bool TDataSet::IsEmpty() const { return activeRecord_ >= recordCount_; }

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0 && currentRecord_ != activeRecord_) {
    InternalSetToRecord(buffers_[activeRecord_]);
    currentRecord_ = activeRecord_;
  }
}

bool TDataSet::GetNextRecord() {
  if (recordCount_ > 0 && currentRecord_ != recordCount_ - 1) {
    InternalSetToRecord(buffers_[recordCount_ - 1]);
  }
  int target = recordCount_ < bufferCount_ ? recordCount_ : bufferCount_;
  TRecordBuffer& buffer = buffers_[target];
  if (buffer.Data.size() != RecordBufferSize()) buffer.Data.assign(RecordBufferSize(), 0);
  if (GetRecord(buffer, gmNext) != grOK) {
    currentRecord_ = -1;
    return false;
  }
  if (recordCount_ == bufferCount_) {
    // The window is full: drop its first record and take the new one at the end.
    std::rotate(buffers_.begin(), buffers_.begin() + 1, buffers_.begin() + bufferCount_ + 1);
    activeRecord_ = std::max(0, activeRecord_ - 1);
  } else {
    ++recordCount_;
  }
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0 && currentRecord_ != 0) InternalSetToRecord(buffers_[0]);
  int target = recordCount_ < bufferCount_ ? recordCount_ : bufferCount_;
  TRecordBuffer& buffer = buffers_[target];
  if (buffer.Data.size() != RecordBufferSize()) buffer.Data.assign(RecordBufferSize(), 0);
  if (GetRecord(buffer, gmPrior) != grOK) {
    currentRecord_ = -1;
    return false;
  }
  // The new record goes first; a full window drops its last record into the scratch slot.
  std::rotate(buffers_.begin(), buffers_.begin() + target, buffers_.begin() + target + 1);
  if (recordCount_ < bufferCount_) {
    ++recordCount_;
    if (recordCount_ > 1) ++activeRecord_;
  } else {
    activeRecord_ = std::min(activeRecord_ + 1, recordCount_ - 1);
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int count = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++count;
  return count;
}

int TDataSet::GetPriorRecords() {
  int count = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++count;
  return count;
}

// ---------------------------------------------------------------------------------------------
// Data set: moves

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int result = 0;
  if (BeforeScroll) BeforeScroll(*this);
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = false;
    eof_ = false;
    int oldRecordCount = recordCount_;
    int scrolled = 0;
    try {
      while (distance > 0) {
        if (activeRecord_ < recordCount_ - 1) {
          ++activeRecord_;
        } else {
          bool full = recordCount_ == bufferCount_;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          if (full) --scrolled;
          activeRecord_ = recordCount_ - 1;
        }
        --distance;
        ++result;
      }
      while (distance < 0) {
        if (activeRecord_ > 0) {
          --activeRecord_;
        } else {
          bool full = recordCount_ == bufferCount_;
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          if (full) ++scrolled;
          activeRecord_ = 0;
        }
        ++distance;
        --result;
      }
    } catch (...) {
      DataEvent(deDataSetChange);
      throw;
    }
    if (recordCount_ != oldRecordCount) {
      DataEvent(deDataSetChange);
    } else {
      DataEvent(deDataSetScroll, scrolled);
    }
    if (AfterScroll) AfterScroll(*this);
  }
  return result;
}

void TDataSet::First() {
  CheckBrowseMode();
  CheckFirstAllowed();
  if (BeforeScroll) BeforeScroll(*this);
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecords();
  } catch (...) {
    bof_ = true;
    eof_ = recordCount_ == 0;
    DataEvent(deDataSetChange);
    throw;
  }
  activeRecord_ = 0;
  bof_ = true;
  eof_ = recordCount_ == 0;
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

void TDataSet::Last() {
  CheckBrowseMode();
  if (IsUniDirectional()) {
    DatabaseError("Operation not allowed on a unidirectional dataset", this);
  }
  if (BeforeScroll) BeforeScroll(*this);
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecords();
  } catch (...) {
    eof_ = true;
    bof_ = recordCount_ == 0;
    DataEvent(deDataSetChange);
    throw;
  }
  activeRecord_ = std::max(0, recordCount_ - 1);
  eof_ = true;
  bof_ = recordCount_ == 0;
  DataEvent(deDataSetChange);
  if (AfterScroll) AfterScroll(*this);
}

void TDataSet::Resync(bool centre) {
  int keepAt = activeRecord_;
  ClearBuffers();
  TRecordBuffer& first = buffers_[0];
  TGetResult found = GetRecord(first, gmCurrent);
  if (found != grOK) found = GetRecord(first, gmNext);
  if (found != grOK) found = GetRecord(first, gmPrior);
  if (found != grOK) {
    bof_ = eof_ = true;
    DataEvent(deDataSetChange);
    return;
  }
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  int before = centre ? (bufferCount_ - 1) / 2 : std::min(keepAt, bufferCount_ - 1);
  for (int i = 0; i < before && GetPriorRecord(); ++i) {
  }
  GetNextRecords();
  GetPriorRecords();
  bof_ = eof_ = false;
  DataEvent(deDataSetChange);
}

// ---------------------------------------------------------------------------------------------
// Data set: bookmarks and searching

TBookmark TDataSet::GetBookmark() const {
  if (!Active() || IsUniDirectional() || IsEmpty()) return {};
  if (state_ != dsBrowse && state_ != dsEdit && state_ != dsInsert) return {};
  const TRecordBuffer* buffer = ActiveBuffer();
  return buffer == nullptr ? TBookmark{} : BookmarkOfBuffer(*buffer);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  if (BeforeScroll) BeforeScroll(*this);
  InternalGotoBookmark(bookmark);
  Resync(true);
  if (AfterScroll) AfterScroll(*this);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  if (a.empty() && b.empty()) return 0;
  if (a.empty()) return 1;
  if (b.empty()) return -1;
  int order = a.compare(b);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool TDataSet::BookmarkValid(const TBookmark& /*bookmark*/) const { return false; }

TBookmark TDataSet::BookmarkOfBuffer(const TRecordBuffer& /*buffer*/) const { return {}; }

void TDataSet::InternalGotoBookmark(const TBookmark& /*bookmark*/) {
  DatabaseError("Bookmarks are not supported", this);
}

bool TDataSet::Locate(const std::string& /*keyFields*/, const std::vector<TVariant>& /*values*/,
                      TLocateOptions /*options*/) {
  DatabaseError("Capability not supported", this);
}

// ---------------------------------------------------------------------------------------------
// Data set: controls and notices

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    pendingEvent_ = deDataSetChange;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  --disableCount_;
  if (disableCount_ > 0) return;
  if (state_ != disableState_) DataEvent(deUpdateState);
  if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(pendingEvent_);
}

void TDataSet::AddDataSource(TDataSource* source) {
  dataSources_.push_back(source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source),
                     dataSources_.end());
  UpdateBufferCount();
}

void TDataSet::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deFieldChange && (state_ == dsEdit || state_ == dsInsert)) modified_ = true;
  if (disableCount_ > 0) {
    if (event == deUpdateState) {
      std::vector<TDataSource*> sources = dataSources_;
      for (TDataSource* source : sources) source->DataEvent(deDisabledStateChange, Active());
      pendingEvent_ = deLayoutChange;
    } else if (event == deLayoutChange) {
      pendingEvent_ = deLayoutChange;
    }
    return;
  }
  std::vector<TDataSource*> sources = dataSources_;
  for (TDataSource* source : sources) source->DataEvent(event, info);
}

// ---------------------------------------------------------------------------------------------
// Data set: editing

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (state_ == dsEdit || state_ == dsInsert) {
    DataEvent(deUpdateRecord);
    if (modified_) {
      Post();
    } else {
      Cancel();
    }
  }
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (recordCount_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  if (BeforeEdit) BeforeEdit(*this);
  UpdateCursorPos();
  InternalEdit();
  SetState(dsEdit);
  DataEvent(deRecordChange);
  if (AfterEdit) AfterEdit(*this);
}

void TDataSet::BeginInsertAt(int position) {
  // Brings the scratch buffer into the window at `position` for the new record.
  if (recordCount_ == 0) {
    activeRecord_ = 0;
  } else {
    std::rotate(buffers_.begin() + position, buffers_.begin() + bufferCount_,
                buffers_.begin() + bufferCount_ + 1);
    activeRecord_ = position;
  }
  if (recordCount_ < bufferCount_) ++recordCount_;
  TRecordBuffer& buffer = buffers_[activeRecord_];
  buffer.Data.assign(RecordBufferSize(), 0);
  InternalInitRecord(buffer);
  currentRecord_ = -1;
}

void TDataSet::Insert() { InsertRecord(false); }

void TDataSet::Append() { InsertRecord(true); }

void TDataSet::InsertRecord(bool append) {
  CheckBrowseMode();
  CheckCanModify();
  if (BeforeInsert) BeforeInsert(*this);
  if (BeforeScroll) BeforeScroll(*this);
  if (append) {
    // The last records stay in view above the new one.
    ClearBuffers();
    InternalLast();
    while (recordCount_ < bufferCount_ - 1 && GetPriorRecord()) {
    }
    BeginInsertAt(recordCount_);
  } else {
    BeginInsertAt(recordCount_ == 0 ? 0 : activeRecord_);
  }
  InternalInsert();
  eof_ = append;
  bof_ = false;
  SetState(dsInsert);
  DoOnNewRecord();
  modified_ = false;
  DataEvent(deDataSetChange);
  if (AfterInsert) AfterInsert(*this);
  if (AfterScroll) AfterScroll(*this);
}

void TDataSet::DoOnNewRecord() {
  if (OnNewRecord) OnNewRecord(*this);
}

void TDataSet::InternalInitRecord(TRecordBuffer& buffer) {
  std::fill(buffer.Data.begin(), buffer.Data.end(), 0);
}

void TDataSet::Post() {
  if (state_ != dsEdit && state_ != dsInsert) {
    CheckActive();
    return;
  }
  DataEvent(deUpdateRecord);
  for (int i = 0; i < fields_.Count(); ++i) {
    TField& field = fields_[i];
    if (field.Required() && !field.ReadOnly() && field.FieldKind() == fkData && field.IsNull()) {
      DatabaseError(Fill("Field '%s' must have a value", field.DisplayName()));
    }
  }
  if (BeforePost) BeforePost(*this);
  InternalPost();
  SetState(dsBrowse);
  Resync(false);
  if (AfterPost) AfterPost(*this);
}

void TDataSet::InternalPost() { DatabaseError("Cannot modify a read-only dataset", this); }

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  if (BeforeCancel) BeforeCancel(*this);
  InternalCancel();
  SetState(dsBrowse);
  Resync(false);
  if (AfterCancel) AfterCancel(*this);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (recordCount_ == 0) DatabaseError("Cannot perform this operation on an empty dataset", this);
  DataEvent(deCheckBrowseMode);
  if (BeforeDelete) BeforeDelete(*this);
  if (BeforeScroll) BeforeScroll(*this);
  UpdateCursorPos();
  InternalDelete();
  SetState(dsBrowse);
  Resync(false);
  if (AfterDelete) AfterDelete(*this);
  if (AfterScroll) AfterScroll(*this);
}

void TDataSet::InternalDelete() { DatabaseError("Cannot modify a read-only dataset", this); }

void TDataSet::SetFieldData(TField& field, const void* /*buffer*/) {
  DatabaseError(Fill("Field '%s' cannot be modified", field.DisplayName()));
}
