#pragma once

// The grid's own clipboard interchange format "GRIDBIF": a header with the column count,
// one descriptor per column, then every cell's typed value, record by record.

#include <string>

#include "export/DBGridEhImpExp.h"
#include "export/DBGridEhSource.h"

// Field values the GRIDBIF writer reads beyond IExportGrid, when the grid offers them.
class IExportGridFieldValues {
 public:
  virtual ~IExportGridFieldValues() = default;
  // The field's value as text (Windows-1252); for byte and blob types its raw bytes.
  // Requires: the field is not null.
  virtual std::string FieldAsString(int field) const = 0;
};

// The report grid as a source of the GRIDBIF writer: the export source plus the fields' own
// values.
class TDBGridEhValueSource : public TDBGridEhExportSource, public IExportGridFieldValues {
 public:
  // Requires: the grid outlives the source.
  explicit TDBGridEhValueSource(TDBGridEh& grid);
  std::string FieldAsString(int field) const override;

 private:
  TDBGridEh& grid_;
};

// Writes values, not display texts: integers, floating-point numbers (dates as days since
// 30 December 1899), texts, bytes and Unicode texts, each after a type byte. No title and no
// footer rows. All integers are little-endian.
class TDBGridEhExportAsGRIDBIF : public TDBGridEhExport {
 public:
  // Type bytes of the values.
  enum : unsigned char {
    bifEnd = 0,
    bifNoValue = 1,
    bifNull = 2,
    bifInteger = 3,
    bifFloat = 4,
    bifText = 5,
    bifBytes = 6,
    bifUnicodeText = 7
  };

 protected:
  void OpenDocument() override;
  void CloseDocument() override;
  void EmitDataCell(int column, const TExportCellParams& params) override;

 private:
  void WriteByte(unsigned char value);
  void WriteInt32(int32_t value);
  void WriteSized(unsigned char type, const std::string& bytes);
  // The field's value as text: from the grid's field values when it offers them, else the
  // cell's display text.
  std::string FieldText(int field, const TExportCellParams& params) const;
};
