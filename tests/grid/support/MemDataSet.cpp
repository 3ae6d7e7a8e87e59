#include "tests/grid/support/MemDataSet.h"

#include <cstdio>
#include <cstring>

TMemDataSet::TMemDataSet(std::vector<Column> columns, int records, Generator generator)
    : TDataSet("MemData"), columns_(std::move(columns)), records_(records), generator_(generator) {}

void TMemDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const Column& c : columns_) {
    TFieldDef def;
    def.Name = c.Name;
    def.DataType = c.Type;
    def.Size = c.Type == ftFMTBcd ? 2 : (c.Type == ftString ? c.Size : 0);
    def.Precision = c.Type == ftFMTBcd ? 15 : 0;
    FieldDefs().Add(def);
  }
}

void TMemDataSet::InternalOpen() {
  InternalInitFieldDefs();
  if (Fields().Count() == 0) CreateFields();
  BindFields(true);
  cursor_ = -1;
  open_ = true;
}

int TMemDataSet::RecordOf(const TRecordBuffer& buffer) {
  int rec = 0;
  std::memcpy(&rec, buffer.Data.data(), sizeof rec);
  return rec;
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode) {
  switch (mode) {
    case gmCurrent:
      if (cursor_ < 0 || cursor_ >= records_) return grError;
      break;
    case gmNext:
      if (cursor_ >= records_ - 1) {
        cursor_ = records_;
        return grEOF;
      }
      ++cursor_;
      break;
    case gmPrior:
      if (cursor_ <= 0) {
        cursor_ = -1;
        return grBOF;
      }
      --cursor_;
      break;
  }
  buffer.Data.resize(sizeof(int));
  std::memcpy(buffer.Data.data(), &cursor_, sizeof cursor_);
  return grOK;
}

void TMemDataSet::InternalSetToRecord(const TRecordBuffer& buffer) { cursor_ = RecordOf(buffer); }

TBookmark TMemDataSet::BookmarkOfBuffer(const TRecordBuffer& buffer) const {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(RecordOf(buffer)));
  return text;
}

void TMemDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
  cursor_ = static_cast<int>(std::stoul(bookmark, nullptr, 16));
}

int TMemDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  return TDataSet::CompareBookmarks(a, b);
}

int TMemDataSet::RecNo() const {
  const TRecordBuffer* buffer = ActiveBuffer();
  return buffer == nullptr ? -1 : RecordOf(*buffer) + 1;
}

bool TMemDataSet::GetFieldData(const TField& field, void* buffer) const {
  const TRecordBuffer* record = ActiveBuffer();
  if (record == nullptr) return false;
  int col = field.FieldNo() - 1;
  if (col < 0 || col >= static_cast<int>(columns_.size())) return false;
  std::string text = generator_(RecordOf(*record), col);
  if (text.empty()) return false;
  if (buffer == nullptr) return true;
  switch (columns_[col].Type) {
    case ftFMTBcd: {
      TBcd value;
      if (!TryTextToBcd(text, '.', value)) return false;
      TBcd normal;
      NormalizeBcd(value, 15, 2, normal);
      std::memcpy(buffer, &normal, sizeof normal);
      return true;
    }
    case ftInteger: {
      int32_t value = std::stoi(text);
      std::memcpy(buffer, &value, sizeof value);
      return true;
    }
    default: {
      size_t n = std::min<size_t>(text.size(), columns_[col].Size);
      std::memcpy(buffer, text.data(), n);
      static_cast<char*>(buffer)[n] = '\0';
      return true;
    }
  }
}
