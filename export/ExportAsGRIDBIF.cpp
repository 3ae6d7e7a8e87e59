#include "export/ExportAsGRIDBIF.h"

#include <cstring>
#include <limits>

#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"

TDBGridEhValueSource::TDBGridEhValueSource(TDBGridEh& grid)
    : TDBGridEhExportSource(grid), grid_(grid) {}

std::string TDBGridEhValueSource::FieldAsString(int field) const {
  TDataSet* data = grid_.DataSet();
  if (data == nullptr) DatabaseError("Cannot perform this operation on a closed dataset");
  return data->Fields()[field].AsString();
}

void TDBGridEhExportAsGRIDBIF::WriteByte(unsigned char value) {
  const char byte = static_cast<char>(value);
  Write(std::string_view(&byte, 1));
}

void TDBGridEhExportAsGRIDBIF::WriteInt32(int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  const char bytes[4] = {static_cast<char>(bits & 0xFF), static_cast<char>((bits >> 8) & 0xFF),
                         static_cast<char>((bits >> 16) & 0xFF),
                         static_cast<char>((bits >> 24) & 0xFF)};
  Write(std::string_view(bytes, 4));
}

void TDBGridEhExportAsGRIDBIF::WriteSized(unsigned char type, const std::string& bytes) {
  // A length field of 32 bits: a longer value cannot be written truthfully.
  if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw EWriteError();
  }
  WriteByte(type);
  WriteInt32(static_cast<int32_t>(bytes.size()));
  Write(bytes);
}

void TDBGridEhExportAsGRIDBIF::OpenDocument() {
  const std::vector<int>& columns = ExportedColumns();
  Write(std::string_view("GRIDBIF\x01", 8));
  WriteInt32(static_cast<int32_t>(columns.size()));
  for (int column : columns) {
    WriteByte(Grid()->ColumnVisible(column) ? 1 : 0);
    WriteByte(0);  // the field name, always written empty
  }
}

void TDBGridEhExportAsGRIDBIF::CloseDocument() { WriteByte(bifEnd); }

std::string TDBGridEhExportAsGRIDBIF::FieldText(int field, const TExportCellParams& params) const {
  if (auto* values = dynamic_cast<const IExportGridFieldValues*>(Grid())) {
    return values->FieldAsString(field);
  }
  return params.Text;
}

void TDBGridEhExportAsGRIDBIF::EmitDataCell(int column, const TExportCellParams& params) {
  IExportGrid& grid = *Grid();
  const int field = grid.ColumnField(column);
  if (field < 0) {
    WriteByte(bifNoValue);
    return;
  }
  if (grid.FieldIsNull(field)) {
    WriteByte(bifNull);
    return;
  }
  switch (grid.FieldType(field)) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      WriteByte(bifInteger);
      WriteInt32(static_cast<int32_t>(grid.FieldAsInteger(field)));
      break;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftFMTBcd: {
      const double value = grid.FieldAsFloat(field);
      uint64_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      char bytes[8];
      for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
      WriteByte(bifFloat);
      Write(std::string_view(bytes, 8));
      break;
    }
    case ftString:
    case ftBoolean:
    case ftMemo:
    case ftFixedChar:
    case ftLargeint:
    case ftOraClob:
    case ftGuid:
      WriteSized(bifText, FieldText(field, params));
      break;
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
      WriteSized(bifBytes, FieldText(field, params));
      break;
    case ftWideString: {
      const std::u16string units = platform::Cp1252ToUtf16(FieldText(field, params));
      std::string bytes;
      bytes.reserve(units.size() * 2);
      for (char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
      }
      WriteSized(bifUnicodeText, bytes);
      break;
    }
    default:
      WriteByte(bifNoValue);
      break;
  }
}
