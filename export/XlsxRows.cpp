#include "export/XlsxRows.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>

#include "export/Stream.h"

namespace {

// A cell reference: column letters and the row's number ("A1", "AB12").
void AppendReference(std::string& out, uint16_t column, const std::string& rowNumber) {
  char letters[4];
  int count = 0;
  for (unsigned n = column + 1u; n > 0; n = (n - 1) / 26) {
    letters[count++] = static_cast<char>('A' + (n - 1) % 26);
  }
  while (count > 0) out += letters[--count];
  out += rowNumber;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The text as XML character data: "&", "<" and ">" escaped, and control characters other
// than tab and line feed written as the sheet's "_xHHHH_" escapes.
void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') {
          char escape[8];
          std::snprintf(escape, sizeof escape, "_x%04X_", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
}

void AppendNumber(std::string& out, double value) {
  char text[32];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
  out.append(text, end.ptr);
}

}  // namespace

std::string ShortestNumberText(double value) {
  std::string text;
  AppendNumber(text, value);
  return text;
}

TXlsxRows::TXlsxRows(lxw_worksheet* sheet, std::string tmpFolder)
    : sheet_(sheet), tmpFolder_(std::move(tmpFolder)) {}

void TXlsxRows::StartRow(uint32_t row) {
  rowNumber_ = std::to_string(row + 1);
  row_.clear();
  row_ += "<row r=\"";
  row_ += rowNumber_;
  row_ += "\">";
  rowHasCells_ = false;
  rowIndex_ = row;
}

void TXlsxRows::CellStart(uint16_t column, lxw_format* format) {
  rowHasCells_ = true;
  // The sheet's dimension covers the cells written, as the library's own writes keep it.
  sheet_->dim_rowmin = std::min(sheet_->dim_rowmin, static_cast<lxw_row_t>(rowIndex_));
  sheet_->dim_rowmax = std::max(sheet_->dim_rowmax, static_cast<lxw_row_t>(rowIndex_));
  sheet_->dim_colmin = std::min(sheet_->dim_colmin, static_cast<lxw_col_t>(column));
  sheet_->dim_colmax = std::max(sheet_->dim_colmax, static_cast<lxw_col_t>(column));
  row_ += "<c r=\"";
  AppendReference(row_, column, rowNumber_);
  row_ += '"';
  const int32_t style = format != nullptr ? lxw_format_get_xf_index(format) : 0;
  if (style != 0) {
    row_ += " s=\"";
    row_ += std::to_string(style);
    row_ += '"';
  }
}

void TXlsxRows::Number(uint16_t column, double value, lxw_format* format) {
  CellStart(column, format);
  row_ += "><v>";
  AppendNumber(row_, value);
  row_ += "</v></c>";
}

void TXlsxRows::Text(uint16_t column, std::string_view utf8, lxw_format* format) {
  CellStart(column, format);
  // Leading or trailing white space is kept only when the text says so.
  const bool preserve = !utf8.empty() && (IsSpace(utf8.front()) || IsSpace(utf8.back()));
  row_ += preserve ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">" : " t=\"inlineStr\"><is><t>";
  AppendEscaped(row_, utf8);
  row_ += "</t></is></c>";
}

void TXlsxRows::EndRow() {
  // A row without cells is not written, as the library leaves it out.
  if (!rowHasCells_) return;
  row_ += "</row>";
  FILE* file = sheet_->optimize_tmpfile;
  if (file == nullptr || std::fwrite(row_.data(), 1, row_.size(), file) != row_.size()) {
    const int error = errno;
    throw EWriteError(error, "the workbook's temporary files in \"" + tmpFolder_ + "\"");
  }
}
