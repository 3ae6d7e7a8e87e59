#pragma once

// The record set base shared by statements, client result sets, the grid and the exporters:
// field types and definitions, fields with their display text, parameters, the data set with
// its window of buffered records, data links and data sources.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "data/FMTBcd.h"
#include "platform/Errors.h"

class TDataSet;
class TDataSource;
class TField;

// ---------------------------------------------------------------------------------------------
// Errors

// Errors of the data-access layer. Messages are the system's own texts (Windows-1252).
class EDatabaseError : public platform::Exception {
 public:
  using platform::Exception::Exception;
};

// "BCD overflow": a decimal value does not fit or cannot be written.
class EBcdOverflow : public EDatabaseError {
 public:
  EBcdOverflow() : EDatabaseError("BCD overflow") {}
  explicit EBcdOverflow(const std::string& message) : EDatabaseError(message) {}
};

// Raises EDatabaseError with `message`, prefixed with "<name>: " when `component` has a name.
[[noreturn]] void DatabaseError(const std::string& message, const TDataSet* component = nullptr);

// ---------------------------------------------------------------------------------------------
// Types

enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
  ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
  ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
  ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
  ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd
};

// The type's name as messages write it ("String", "BCD", "FMTBcd", ...).
const char* FieldTypeName(TFieldType type);
bool IsBlobType(TFieldType type);
// True for the integer, floating-point and decimal types.
bool IsNumericType(TFieldType type);

enum TDataSetState {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
  dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

// Notices a data set sends to its data sources and their links.
enum TDataEvent {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
  deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
  deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TProviderFlag : unsigned { pfInUpdate = 1, pfInWhere = 2, pfInKey = 4, pfHidden = 8 };
using TProviderFlags = unsigned;

enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// The value form of ftTimeStamp fields.
struct TSQLTimeStamp {
  int16_t Year = 0;
  uint16_t Month = 0;
  uint16_t Day = 0;
  uint16_t Hour = 0;
  uint16_t Minute = 0;
  uint16_t Second = 0;
  uint32_t Fractions = 0;  // 1/10000 of a second
};

// A date-time held in a TVariant (kept apart from plain doubles).
struct TVarDate {
  TDateTime Value = 0;
};

// A value of any field or parameter type. monostate = unassigned; TVarNull = SQL NULL.
struct TVarNull {};
using TVariant =
    std::variant<std::monostate, TVarNull, bool, int64_t, double, std::string, TBcd, TVarDate>;
inline bool VarIsNull(const TVariant& v) { return v.index() <= 1; }

// An opaque bookmark: the record set's bytes for one record; empty = none.
using TBookmark = std::string;

// ---------------------------------------------------------------------------------------------
// Field definitions

// What a record set knows of one column before fields are bound to it.
struct TFieldDef {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;        // characters of text, decimal places of BCD, bytes of byte columns
  int Precision = 0;   // digits of BCD columns
  int FieldNo = 0;     // from 1, in column order
  bool Required = false;
  bool ReadOnly = false;
  bool FixedChar = false;
  bool InternalCalcField = false;
};

class TFieldDefs {
 public:
  // Appends a definition, giving it the next field number; a name already present gets
  // "_1", "_2", ... appended ("%s_%d") until unique. Returns the stored definition.
  TFieldDef& Add(TFieldDef def);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  TFieldDef& operator[](int index) { return items_[index]; }
  const TFieldDef& operator[](int index) const { return items_[index]; }
  // Index of the definition named `name` (without regard to case), or -1.
  int IndexOf(const std::string& name) const;
  const TFieldDef* Find(const std::string& name) const;
  bool Updated = false;  // true while the definitions match the open cursor

 private:
  std::vector<TFieldDef> items_;
};

// ---------------------------------------------------------------------------------------------
// Fields

// One column of the current record. A field belongs to one data set; it reads and writes its
// value through TDataSet::GetFieldData / SetFieldData in the native form of its type:
//   text: bytes up to a NUL (at most Size + 1 with the NUL); ftSmallint/ftWord/ftBoolean int16;
//   ftInteger/ftAutoInc int32; ftLargeint int64; ftFloat/ftCurrency double; ftBCD/ftFMTBcd TBcd;
//   ftDate/ftTime/ftDateTime TDateTime (double); ftTimeStamp TSQLTimeStamp; bytes: raw bytes.
class TField {
 public:
  TField(TFieldType type, int size);
  virtual ~TField();
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  // Component name ("CRepclienteCODBOD"); field name is the column it binds to.
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(std::string name) { fieldName_ = std::move(name); }
  // The display label, or the field name when the label is empty.
  const std::string& DisplayLabel() const;
  void SetDisplayLabel(std::string label) { displayLabel_ = std::move(label); }
  // The name used in messages: the display label (or field name).
  const std::string& DisplayName() const { return DisplayLabel(); }

  TFieldType DataType() const { return dataType_; }
  void SetDataType(TFieldType type) { dataType_ = type; }
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  // Bytes of the native value (see class comment); text: Size + 1.
  virtual int DataSize() const;
  int FieldNo() const { return fieldNo_; }
  void SetFieldNo(int number) { fieldNo_ = number; }
  // Position of the field in its data set's field list (from 0).
  int Index() const;

  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  TFieldKind FieldKind() const { return fieldKind_; }
  void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
  TProviderFlags ProviderFlags() const { return providerFlags_; }
  void SetProviderFlags(TProviderFlags flags) { providerFlags_ = flags; }
  const std::string& Origin() const { return origin_; }
  void SetOrigin(std::string origin) { origin_ = std::move(origin); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
  // Width in characters; when not set, the class default (text: Size; BCD: Precision + 1).
  int DisplayWidth() const;
  void SetDisplayWidth(int width) { displayWidth_ = width; }
  bool DisplayWidthAssigned() const { return displayWidth_ > 0; }

  TDataSet* DataSet() const { return dataSet_; }
  // Adds the field to `dataSet`'s field list (or removes it with nullptr). The data set owns
  // fields it created; persistent fields added by their owner stay the owner's.
  void SetDataSet(TDataSet* dataSet);

  // Value access on the data set's active record. Requires: the data set is open.
  // GetData returns false when the value is NULL; buffer receives DataSize() bytes.
  bool GetData(void* buffer) const;
  // Writes the native value; nullptr writes NULL. Requires edit or insert state.
  void SetData(const void* buffer);
  bool IsNull() const;
  void Clear() { SetData(nullptr); }

  // Texts: display text (grid cells, exports), edit text (an edit with the focus),
  // and set text (typed text written back; may throw with the field's message).
  std::string DisplayText() const;
  std::string EditText() const;
  void SetText(const std::string& text);

  virtual std::string AsString() const;
  virtual void SetAsString(const std::string& value);
  virtual int32_t AsInteger() const;
  virtual void SetAsInteger(int32_t value);
  virtual double AsFloat() const;
  virtual void SetAsFloat(double value);
  virtual TBcd AsBCD() const;
  virtual TVariant Value() const;
  virtual void SetValue(const TVariant& value);

  // The typing filter of data-aware edits: true when `c` may be typed into this field.
  virtual bool IsValidChar(char c) const;

  // Replaces the text rules when assigned: fills `text`; `displayText` tells which text is asked.
  std::function<void(const TField& field, std::string& text, bool displayText)> OnGetText;
  std::function<void(TField& field)> OnChange;
  std::function<void(TField& field)> OnValidate;

 protected:
  // The class's text of the current value; `displayText` false asks for the edit text.
  virtual std::string GetText(bool displayText) const;
  virtual int DefaultDisplayWidth() const;

 private:
  friend class TDataSet;
  std::string name_;
  std::string fieldName_;
  std::string displayLabel_;
  std::string origin_;
  TFieldType dataType_;
  int size_;
  int fieldNo_ = 0;
  int displayWidth_ = 0;
  bool required_ = false;
  bool readOnly_ = false;
  bool visible_ = true;
  TFieldKind fieldKind_ = fkData;
  TProviderFlags providerFlags_ = pfInUpdate | pfInWhere;
  TAlignment alignment_ = taLeftJustify;
  TDataSet* dataSet_ = nullptr;
};

class TStringField : public TField {
 public:
  explicit TStringField(int size = 20, bool fixedChar = false);
  bool FixedChar() const { return fixedChar_; }
  const std::string& EditMask() const { return editMask_; }
  void SetEditMask(std::string mask) { editMask_ = std::move(mask); }
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;  // cut to Size characters

 protected:
  std::string GetText(bool displayText) const override;
  int DefaultDisplayWidth() const override;

 private:
  bool fixedChar_;
  std::string editMask_;
};

// Integer fields: ftSmallint, ftInteger, ftWord, ftAutoInc, ftLargeint share this class.
class TIntegerField : public TField {
 public:
  explicit TIntegerField(TFieldType type = ftInteger);
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(std::string format) { displayFormat_ = std::move(format); }
  const std::string& EditFormat() const { return editFormat_; }
  void SetEditFormat(std::string format) { editFormat_ = std::move(format); }
  int64_t AsLargeInt() const;
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  int32_t AsInteger() const override;
  void SetAsInteger(int32_t value) override;
  double AsFloat() const override;
  TVariant Value() const override;
  void SetValue(const TVariant& value) override;
  bool IsValidChar(char c) const override;

 protected:
  std::string GetText(bool displayText) const override;

 private:
  std::string displayFormat_;
  std::string editFormat_;
};

// Decimal fields: ftFMTBcd (and ftBCD through the same class). Size = decimal places.
class TFMTBCDField : public TField {
 public:
  explicit TFMTBCDField(int precision = 15, int size = 2, TFieldType type = ftFMTBcd);
  int Precision() const { return precision_; }
  void SetPrecision(int precision) { precision_ = precision; }
  bool Currency() const { return currency_; }
  void SetCurrency(bool value) { currency_ = value; }
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(std::string format) { displayFormat_ = std::move(format); }
  const std::string& EditFormat() const { return editFormat_; }
  void SetEditFormat(std::string format) { editFormat_ = std::move(format); }
  std::string AsString() const override;  // plain notation
  void SetAsString(const std::string& value) override;  // "%s is not a valid BCD value"
  double AsFloat() const override;
  void SetAsFloat(double value) override;
  TBcd AsBCD() const override;
  void SetAsBCD(const TBcd& value);
  TVariant Value() const override;
  void SetValue(const TVariant& value) override;
  bool IsValidChar(char c) const override;

 protected:
  std::string GetText(bool displayText) const override;
  int DefaultDisplayWidth() const override;

 private:
  int precision_;
  bool currency_ = false;
  char validDecimalSeparator_;  // the decimal separator in force when the field was made
  std::string displayFormat_;
  std::string editFormat_;
};

// Fields of the remaining types (auto-created for columns without a persistent field): they
// read their value and give plain text (floats, dates, booleans, bytes, blobs).
class TGenericField : public TField {
 public:
  TGenericField(TFieldType type, int size);
  std::string AsString() const override;
  double AsFloat() const override;
  TVariant Value() const override;
  void SetValue(const TVariant& value) override;

 protected:
  std::string GetText(bool displayText) const override;
};

// Makes the field class that fits a definition (text, integer, BCD, or generic).
std::unique_ptr<TField> CreateFieldForDef(const TFieldDef& def);

// The ordered field list of a data set.
class TFields {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TField& operator[](int index) const { return *items_[index]; }
  // The first field whose name equals `name` without regard to case, or nullptr.
  TField* FindField(const std::string& name) const;
  int IndexOf(const TField* field) const;
  void Add(TField* field);
  void Remove(TField* field);
  void Clear() { items_.clear(); }

 private:
  std::vector<TField*> items_;
};

// ---------------------------------------------------------------------------------------------
// Parameters

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

struct TParam {
  std::string Name;
  TFieldType DataType = ftUnknown;
  TParamType ParamType = ptUnknown;
  TVariant Value;          // monostate or TVarNull = null
  int Size = 0;            // declared size (text), 0 = from the value
  bool Bound = false;
  bool IsNull() const { return VarIsNull(Value); }
  // The value as text (for text parameters and binding).
  std::string AsString() const;
};

class TParams {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  TParam& operator[](int index) { return items_[index]; }
  const TParam& operator[](int index) const { return items_[index]; }
  TParam& Add(TParam param);
  void Clear() { items_.clear(); }
  TParam* FindParam(const std::string& name);
  // Raises "Parameter '%s' not found" when missing.
  TParam& ParamByName(const std::string& name);
  // Rebuilds the list from the ":name" references in `sql` (quoted text skipped), keeping the
  // values of parameters of the same name. Returns the text with each reference replaced by
  // `marker` when `marker` is non-empty, else `sql` unchanged.
  std::string ParseSQL(const std::string& sql, const std::string& marker = "");
  bool operator==(const TParams& other) const;

 private:
  std::vector<TParam> items_;
};

// ---------------------------------------------------------------------------------------------
// Data links and data sources

// A control's connection to a data set through a data source. The data set keeps a window of
// buffered records as large as the largest BufferCount of its links; a link sees the records
// of the window from its first record (FirstRecord) on, and ActiveRecord is the index (from 0,
// relative to the link's first record) of the record that field reads return.
class TDataLink {
 public:
  TDataLink();
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // True when the link has a data source whose data set is open.
  bool Active() const { return active_; }

  // How many records the control shows; the data set enlarges its window to fit.
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int count);
  // Records of the window this link can show (<= BufferCount).
  int RecordCount() const;
  // Which of the link's records field reads address (0 .. RecordCount()-1); setting it changes
  // the data set's active record without moving the current record.
  int ActiveRecord() const;
  void SetActiveRecord(int index);
  bool Editing() const;
  bool Edit();  // puts the data set in edit state when it can; returns whether editing
  void UpdateRecord();

  // Moves the current record by `distance` through the data set (MoveBy).
  int MoveBy(int distance);

 protected:
  // Notice handlers; the base versions do nothing.
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  // `distance`: how many records the link's first shown record moved (positive = forward).
  virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** /*field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*field*/) {}
  virtual void UpdateData() {}
  virtual void DisabledStateChanged(bool /*active*/) {}

 private:
  friend class TDataSource;
  friend class TDataSet;
  void DataEvent(TDataEvent event, intptr_t info);
  void SetActive(bool value);
  TDataSource* dataSource_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  int bufferCount_ = 1;
  int firstRecord_ = 0;  // window index of the link's first record
  bool updating_ = false;
};

// Connects data links (controls) to one data set.
class TDataSource {
 public:
  explicit TDataSource(TDataSet* dataSet = nullptr);
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  TDataSetState State() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  std::function<void(TDataSource&, TField*)> OnDataChange;
  std::function<void(TDataSource&)> OnStateChange;

 private:
  friend class TDataLink;
  friend class TDataSet;
  void AddLink(TDataLink* link);
  void RemoveLink(TDataLink* link);
  void NotifyLinks(TDataEvent event, intptr_t info);
  void DataEvent(TDataEvent event, intptr_t info);
  TDataSet* dataSet_ = nullptr;
  std::vector<TDataLink*> links_;
  bool enabled_ = true;
  TDataSetState state_ = dsInactive;
};

// ---------------------------------------------------------------------------------------------
// Data set

using TDataSetNotifyEvent = std::function<void(TDataSet&)>;

// One record buffer of the window: the subclass's record bytes plus what the base keeps.
struct TRecordBuffer {
  std::vector<uint8_t> Data;  // RecordBufferSize() bytes, laid out by the subclass
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

// The record set base. It owns the field list, the state, the window of buffered records
// (BufferCount of them; ActiveRecord is the current one's index in the window), the data
// sources and their notices, DisableControls/EnableControls, and the generic algorithms of
// open/close, moves, edit/insert/post/cancel/delete. A subclass supplies the records through
// the protected hooks below.
class TDataSet {
 public:
  explicit TDataSet(std::string name = "");
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // Opening and closing (events and notices as the base defines them).
  void Open();
  void Close();
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool value);
  TDataSetState State() const { return state_; }

  // Moves. MoveBy returns the rows moved (negative backwards).
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  int MoveBy(int distance);
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  // True when the active record index is not below the number of buffered records.
  bool IsEmpty() const;
  // Record number of the current record (1-based, current order), -1 when unknown.
  virtual int RecNo() const { return -1; }
  virtual void SetRecNo(int /*value*/) {}
  virtual int RecordCount() const { return -1; }
  // True when record numbers and counts are exact and cheap (client result sets).
  virtual bool IsSequenced() const { return false; }
  virtual bool IsUniDirectional() const { return false; }

  // Fields.
  TFields& Fields() { return fields_; }
  const TFields& Fields() const { return fields_; }
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  // The first field whose name equals `name` without regard to case, or nullptr.
  virtual TField* FindField(const std::string& name) const;
  // As FindField; raises "Field '%s' not found" (prefixed with the data set's name).
  TField& FieldByName(const std::string& name) const;
  // True while the fields were created by the data set at open (no persistent fields).
  bool DefaultFields() const { return defaultFields_; }

  // Bookmarks (empty bookmark = none).
  virtual TBookmark GetBookmark() const;
  virtual void GotoBookmark(const TBookmark& bookmark);
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;
  virtual bool BookmarkValid(const TBookmark& bookmark) const;

  // Controls: while disabled, notices are held back (one pending notice sent at the end).
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }

  // Searching: key field names separated by ";", one value per key field.
  virtual bool Locate(const std::string& keyFields, const std::vector<TVariant>& keyValues,
                      TLocateOptions options);

  // Editing.
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  virtual bool CanModify() const { return false; }
  // Raises "Cannot perform this operation on a closed dataset" (prefixed) when closed.
  void CheckActive() const;
  void CheckInactive() const;
  // Refreshes the window around the current record (`centre` puts it in the middle).
  void Resync(bool centre = false);
  // Sends `event` to the data sources (held back while controls are disabled).
  void DataEvent(TDataEvent event, intptr_t info = 0);

  // Field value access for TField, on the active record of the window (or the calculation
  // buffer while calculating). GetFieldData returns false for NULL.
  virtual bool GetFieldData(const TField& field, void* buffer) const = 0;
  // Writes a native value (nullptr = NULL) into the active record. Requires edit/insert state.
  virtual void SetFieldData(TField& field, const void* buffer);

  // Index of the active record in the window, and the window's size and fill.
  int ActiveRecord() const { return activeRecord_; }
  int BufferCount() const { return bufferCount_; }
  int BufferedRecordCount() const { return recordCount_; }

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeScroll, AfterScroll,
      BeforeEdit, AfterEdit, BeforeInsert, AfterInsert, BeforePost, AfterPost, BeforeCancel,
      AfterCancel, BeforeDelete, AfterDelete, OnNewRecord, OnCalcFields;

 protected:
  // --- hooks a subclass implements ---
  virtual void InternalOpen() = 0;   // open the cursor, build FieldDefs, create/bind fields
  virtual void InternalClose() = 0;  // release the cursor; unbind/destroy created fields
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalInitFieldDefs() = 0;
  // Bytes of one record buffer of the window.
  virtual size_t RecordBufferSize() const = 0;
  // Fills `buffer` with the current (gmCurrent), next or prior record and makes it the
  // cursor's current record; grBOF/grEOF when there is none in that direction.
  virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) = 0;
  // Raises when the data set cannot go back to its first row; called by First before the
  // record window is emptied, so that a refused First leaves the current record as it was.
  virtual void CheckFirstAllowed() const {}
  virtual void InternalFirst() = 0;  // cursor before the first record
  virtual void InternalLast() = 0;   // cursor after the last record
  // Makes the record held in `buffer` the cursor's current record.
  virtual void InternalSetToRecord(const TRecordBuffer& buffer) = 0;
  virtual void InternalInitRecord(TRecordBuffer& buffer);  // empty record for insert
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalPost();
  virtual void InternalCancel() {}
  virtual void InternalDelete();
  virtual void InternalGotoBookmark(const TBookmark& bookmark);
  // The bookmark stored in a window buffer (empty when the record has none).
  virtual TBookmark BookmarkOfBuffer(const TRecordBuffer& buffer) const;
  // Called after the state changed to dsInactive; frees subclass resources.
  virtual void InternalHandleException() {}
  virtual void DoOnNewRecord();

  // --- for subclasses ---
  void SetState(TDataSetState state);
  // Creates one field per definition (owned by the data set); DefaultFields() becomes true.
  void CreateFields();
  // Binds the field list to FieldDefs by name (field numbers, sizes); raises the binding
  // errors ("Field '%s' not found", ...) prefixed with the data set's name.
  virtual void BindFields(bool binding);
  void DestroyCreatedFields();
  // The window buffer field reads address now (the active record, or another while a link
  // shows its records). nullptr when the window is empty.
  const TRecordBuffer* ActiveBuffer() const;
  TRecordBuffer* ActiveBuffer();
  TRecordBuffer& Buffer(int index) { return buffers_[index]; }
  void SetEofBof(bool eof, bool bof) { eof_ = eof; bof_ = bof; }
  void ClearBuffers();
  // Puts the cursor on the active record when it stands elsewhere (before edits, deletes).
  void UpdateCursorPos();
  // Forgets where the cursor stands (after the subclass moved it itself).
  void CursorPosChanged() { currentRecord_ = -1; }
  // True when a field was written since the record entered edit or insert state.
  bool Modified() const { return modified_; }
  // Raises "Cannot modify a read-only dataset" (prefixed) unless CanModify().
  void CheckCanModify() const;

 private:
  friend class TDataLink;
  friend class TDataSource;
  friend class TField;
  void SetBufferCount(int count);
  void UpdateBufferCount();
  void SetActiveRecordIndex(int index);  // used by links to address their records
  bool IsCursorOpenSafe() const;
  void BeginInsertAt(int position);
  void InsertRecord(bool append);
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void ActivateBuffers();
  void MoveBuffer(int from, int to);
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);

  std::string name_;
  TDataSetState state_ = dsInactive;
  TFields fields_;
  TFieldDefs fieldDefs_;
  std::vector<std::unique_ptr<TField>> ownedFields_;
  bool defaultFields_ = false;
  std::vector<TRecordBuffer> buffers_;  // bufferCount_ + 1 (the last one is scratch)
  int bufferCount_ = 0;
  int recordCount_ = 0;
  int activeRecord_ = 0;
  int currentRecord_ = -1;
  bool eof_ = true;
  bool bof_ = true;
  bool modified_ = false;
  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  TDataEvent pendingEvent_ = deDataSetChange;
  std::vector<TDataSource*> dataSources_;
};
