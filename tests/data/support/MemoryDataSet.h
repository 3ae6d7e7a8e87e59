#pragma once

// A data set of one record held in memory, for tests of fields and their texts. Its field
// definitions are given at construction; values are kept per field name in native form.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/DB.h"

class MemoryDataSet : public TDataSet {
 public:
  MemoryDataSet(std::string name, std::vector<TFieldDef> defs);
  ~MemoryDataSet() override;

  bool GetFieldData(const TField& field, void* buffer) const override;
  void SetFieldData(TField& field, const void* buffer) override;
  bool CanModify() const override { return true; }
  // How many times SetFieldData stored a value.
  int Writes() const { return writes_; }

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return open_; }
  void InternalInitFieldDefs() override;
  size_t RecordBufferSize() const override { return 1; }
  TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override;
  void InternalFirst() override { position_ = -1; }
  void InternalLast() override { position_ = 1; }
  void InternalSetToRecord(const TRecordBuffer& /*buffer*/) override { position_ = 0; }
  void InternalEdit() override { saved_ = values_; }
  void InternalPost() override {}
  void InternalCancel() override { values_ = saved_; }

 private:
  using Values = std::map<std::string, std::optional<std::vector<uint8_t>>>;
  std::vector<TFieldDef> defs_;
  Values values_;
  Values saved_;
  bool open_ = false;
  int position_ = -1;  // -1 before the record, 0 on it, 1 after it
  int writes_ = 0;
};
