#include "tests/data/support/MemoryDataSet.h"

#include <cstring>

MemoryDataSet::MemoryDataSet(std::string name, std::vector<TFieldDef> defs)
    : TDataSet(std::move(name)), defs_(std::move(defs)) {}

MemoryDataSet::~MemoryDataSet() {
  try {
    Close();
  } catch (...) {
  }
}

bool MemoryDataSet::GetFieldData(const TField& field, void* buffer) const {
  auto found = values_.find(field.FieldName());
  if (found == values_.end() || !found->second) return false;
  std::memcpy(buffer, found->second->data(), found->second->size());
  return true;
}

void MemoryDataSet::SetFieldData(TField& field, const void* buffer) {
  ++writes_;
  if (buffer == nullptr) {
    values_[field.FieldName()].reset();
    return;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
  values_[field.FieldName()] = std::vector<uint8_t>(bytes, bytes + field.DataSize());
}

void MemoryDataSet::InternalOpen() {
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  open_ = true;
  position_ = -1;
}

void MemoryDataSet::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyCreatedFields();
  open_ = false;
}

void MemoryDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const TFieldDef& def : defs_) FieldDefs().Add(def);
}

TGetResult MemoryDataSet::GetRecord(TRecordBuffer& /*buffer*/, TGetMode mode) {
  switch (mode) {
    case gmCurrent:
      return position_ == 0 ? grOK : grEOF;
    case gmNext:
      if (position_ < 0) {
        position_ = 0;
        return grOK;
      }
      position_ = 1;
      return grEOF;
    case gmPrior:
      if (position_ > 0) {
        position_ = 0;
        return grOK;
      }
      position_ = -1;
      return grBOF;
  }
  return grError;
}
