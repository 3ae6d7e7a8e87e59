#pragma once

// A sequenced in-memory result set for grid tests and benchmarks: text and decimal columns,
// records addressed by number, bookmarks that sort in record order.

#include <string>
#include <vector>

#include "data/DB.h"

class TMemDataSet : public TDataSet {
 public:
  struct Column {
    std::string Name;
    TFieldType Type = ftString;  // ftString, ftInteger or ftFMTBcd
    int Size = 20;
  };
  // A record generator: the text of column `col` of record `rec` (from 0). Decimal columns
  // read it as plain notation with "."; an empty text is null.
  using Generator = std::string (*)(int rec, int col);

  TMemDataSet(std::vector<Column> columns, int records, Generator generator);

  int RecNo() const override;
  int RecordCount() const override { return records_; }
  bool IsSequenced() const override { return true; }
  bool GetFieldData(const TField& field, void* buffer) const override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
  bool BookmarkValid(const TBookmark& bookmark) const override { return bookmark.size() == 8; }
  // Changes the number of records (reopen to see it).
  void SetRecords(int records) { records_ = records; }

 protected:
  void InternalOpen() override;
  void InternalClose() override { open_ = false; }
  bool IsCursorOpen() const override { return open_; }
  void InternalInitFieldDefs() override;
  size_t RecordBufferSize() const override { return sizeof(int); }
  TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode) override;
  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = records_; }
  void InternalSetToRecord(const TRecordBuffer& buffer) override;
  void InternalGotoBookmark(const TBookmark& bookmark) override;
  TBookmark BookmarkOfBuffer(const TRecordBuffer& buffer) const override;

 private:
  static int RecordOf(const TRecordBuffer& buffer);
  std::vector<Column> columns_;
  int records_;
  Generator generator_;
  bool open_ = false;
  int cursor_ = -1;
};
