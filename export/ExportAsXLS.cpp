#include "export/DBGridEhImpExp.h"

#include <algorithm>
#include <cstring>

namespace {

// The record length is 16 bits: a LABEL holds at most this many text bytes.
constexpr size_t kMaxLabelBytes = 0xFFFF - 8;

// Row numbers are 16 bits.
constexpr int64_t kMaxRows = 65536;
constexpr const char* kRowLimit = "XLS row limit of 65536 rows exceeded";
constexpr const char* kUseWorkbook = ". Save it as an Excel workbook (.xlsx) instead";

void Put16(char* at, unsigned value) {
  at[0] = static_cast<char>(value & 0xFF);
  at[1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(char* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

void TDBGridEhExportAsXLS::RenderToStream(TStream& stream, bool saveAll) {
  row_ = 0;
  col_ = 0;
  rowsExhausted_ = false;
  selection_ = saveAll ? TExportSelectionType::gstAll : Grid()->SelectionType();
  TDBGridEhExport::RenderToStream(stream, saveAll);
}

int64_t TDBGridEhExportAsXLS::PlannedRows() const {
  const IExportGrid& grid = *Grid();
  int64_t records = -1;
  switch (selection_) {
    case TExportSelectionType::gstNon:
      return 1;
    case TExportSelectionType::gstRecordBookmarks:
      records = static_cast<int64_t>(grid.SelectedRows().size());
      break;
    case TExportSelectionType::gstColumns:
    case TExportSelectionType::gstAll:
      records = grid.RecordCount();
      break;
    case TExportSelectionType::gstRectangle:
      break;
  }
  if (records < 0) return -1;
  return records + (grid.ShowsTitles() ? 1 : 0) + std::max(grid.FooterRowCount(), 0);
}

void TDBGridEhExportAsXLS::OpenDocument() {
  // A sheet that cannot hold the rows fails before its first byte, not after the walk.
  const int64_t rows = PlannedRows();
  if (rows > kMaxRows) {
    throw platform::Exception(std::string(kRowLimit) + ": the export has " +
                              std::to_string(rows) + " rows" + kUseWorkbook);
  }
  Write(std::string_view("\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00", 12));
}

void TDBGridEhExportAsXLS::CloseDocument() { Write(std::string_view("\x0A\x00\x00\x00", 4)); }

void TDBGridEhExportAsXLS::CheckRow() const {
  // Row numbers are 16 bits; wrapping to row 0 would overwrite the top of the sheet.
  if (rowsExhausted_) throw platform::Exception(std::string(kRowLimit) + kUseWorkbook);
}

void TDBGridEhExportAsXLS::AdvanceCell() {
  const size_t columns = ExportedColumns().size();
  if (columns == 0 || col_ == columns - 1) {
    if (row_ == 0xFFFF) rowsExhausted_ = true;
    ++row_;
    col_ = 0;
  } else {
    ++col_;
  }
}

void TDBGridEhExportAsXLS::WriteCellRecord(unsigned type, unsigned style, std::string_view body,
                                           std::string_view tail) {
  CheckRow();
  // Type, length of the rest, row, column and cell style, then the record's own bytes.
  char head[10];
  Put16(head, type);
  Put16(head + 2, static_cast<unsigned>(6 + body.size() + tail.size()));
  Put16(head + 4, row_);
  Put16(head + 6, col_);
  Put16(head + 8, style);
  Write(std::string_view(head, sizeof head));
  if (!body.empty()) Write(body);
  if (!tail.empty()) Write(tail);
  AdvanceCell();
}

void TDBGridEhExportAsXLS::EmitLabelRecord(std::string_view text) {
  // Longer texts are cut to what the record length can describe.
  if (text.size() > kMaxLabelBytes) text = text.substr(0, kMaxLabelBytes);
  char length[2];
  Put16(length, static_cast<unsigned>(text.size()));
  WriteCellRecord(0x0204, 0, std::string_view(length, sizeof length), text);
}

void TDBGridEhExportAsXLS::EmitNumberRecord(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  char body[8];
  Put32(body, static_cast<uint32_t>(bits));
  Put32(body + 4, static_cast<uint32_t>(bits >> 32));
  WriteCellRecord(0x0203, 0, std::string_view(body, sizeof body));
}

void TDBGridEhExportAsXLS::EmitIntegerRecord(int32_t value) {
  char body[4];
  Put32(body, (static_cast<uint32_t>(value) << 2) | 2u);
  WriteCellRecord(0x027E, 0, std::string_view(body, sizeof body));
}

void TDBGridEhExportAsXLS::EmitBlankRecord() { WriteCellRecord(0x0201, 0x0017, {}); }

void TDBGridEhExportAsXLS::EmitTitleRow(const std::vector<int>& columns) {
  for (int column : columns) EmitLabelRecord(Grid()->TitleCaption(column));
}

void TDBGridEhExportAsXLS::EmitDataCell(int column, const TExportCellParams& params) {
  const IExportGrid& grid = *Grid();
  const int field = grid.ColumnField(column);
  if (field < 0) return EmitBlankRecord();
  if (grid.ColumnUsesPickList(column)) return EmitLabelRecord(params.Text);
  if (grid.FieldIsNull(field)) return EmitBlankRecord();
  switch (grid.FieldType(field)) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBytes:
    case ftAutoInc: {
      const int64_t value = grid.FieldAsInteger(field);
      if (value >= -536870912 && value <= 536870911) {
        return EmitIntegerRecord(static_cast<int32_t>(value));
      }
      return EmitNumberRecord(static_cast<double>(value));
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return EmitNumberRecord(grid.FieldAsFloat(field));
    default:
      return EmitLabelRecord(params.Text);
  }
}

void TDBGridEhExportAsXLS::EmitFooterCell(int position, int footerRow, int column,
                                          const platform::TFontSpec&, platform::TColor,
                                          TAlignment, const std::string& text) {
  const TExportFooterValueType type = Grid()->Footer(column, footerRow).ValueType;
  if (type == TExportFooterValueType::fvtSum || type == TExportFooterValueType::fvtCount) {
    return EmitNumberRecord(static_cast<double>(FooterValue(footerRow, position)) / 10000.0);
  }
  EmitLabelRecord(text);
}
