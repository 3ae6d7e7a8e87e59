#include "export/ExportAsXLSX.h"

#include <fcntl.h>
#include <locale.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "export/XlsxNumericScope.h"
#include "export/ZipDirectory.h"
#include "platform/Cp1252.h"
#include "platform/ReplacementFile.h"

namespace {

constexpr char kSheetName[] = "Costos";
// The sheet counts column widths in pixels at 96 dpi; the grid's are at its screen's dpi.
constexpr int kScreenDpi = 96;

// Decimal places of `value` as the grid's text shows them: trailing zeros dropped.
int SignificantDecimals(double value) {
  // The value to 15 significant digits, all a double holds exactly ("1234567.89", "1.5e-05").
  char text[40];
  const std::to_chars_result end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  if (end.ec != std::errc()) return 0;
  const std::string_view digits(text, static_cast<size_t>(end.ptr - text));
  const size_t exponentAt = digits.find('e');
  const std::string_view mantissa = digits.substr(0, exponentAt);
  const size_t point = mantissa.find('.');
  int decimals =
      point == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
  if (exponentAt != std::string_view::npos) {
    decimals -= std::atoi(std::string(digits.substr(exponentAt + 1)).c_str());
  }
  return decimals > 0 ? decimals : 0;
}

// `text` as a quoted literal of the spreadsheet's format language.
std::string QuotedLiteral(std::string_view cp1252) {
  if (cp1252.empty()) return {};
  std::string quoted = "\"";
  for (char c : cp1252) {
    if (c == '"') {
      quoted += "\"\\\"\"";  // close, an escaped quote, reopen
    } else {
      quoted += platform::Cp1252ToUtf8(std::string_view(&c, 1));
    }
  }
  return quoted + "\"";
}

// A text that holds "_xHHHH_" would be read back as the character HHHH: its "_" is written
// as the escape of "_" itself, so the text comes back as it was.
std::string EscapeCharacterCodes(std::string_view text) {
  auto isHex = [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  };
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '_' && i + 6 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        isHex(text[i + 2]) && isHex(text[i + 3]) && isHex(text[i + 4]) && isHex(text[i + 5]) &&
        text[i + 6] == '_') {
      out += "_x005F";
    }
    out += text[i];
  }
  return out;
}

// A file of no name in the temporary folder, gone when closed.
int UnnamedTemporaryFile() {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder == '\0') folder = "/tmp";
  int fd = ::open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  // File systems without unnamed files: a named one, removed at once.
  std::string pattern = std::string(folder) + "/galvora-xlsx-XXXXXX";
  fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    throw EFCreateError("Cannot create file \"" + pattern + "\". " + std::strerror(error));
  }
  ::unlink(pattern.c_str());
  return fd;
}

}  // namespace

// Number formats. The grid shows a decimal value through its field's display format: a
// picture of "#", "0", "," (grouping) and "." (decimal places) with literal text, where the
// places after "." are always shown and a picture without places shows the value's own
// decimals. The spreadsheet has no format that drops a decimal point only when nothing
// follows it, so a cell's format is chosen from its value's decimals where the picture
// leaves them open. The report's pictures become:
//   "#,###"            #,##0 / #,##0.0 / #,##0.00 by the value   (1,234 1,234.5 0.25)
//   "#,###.00"         #,##0.00                                   (1,234.50)
//   "###.00"           0.00                                       (1234.50, 0.50)
//   "##.00%" "###.00%" 0.00"%"                                    (1.18%: the value already is
//                                                                  the percent; a bare % would
//                                                                  multiply it by 100)
//   none (plain)       0 / 0.0 / 0.00 by the value               (1234.5)
// A literal that starts the picture goes in front of the number, any other after it, as the
// grid writes them. The separators are the reader's own, as the grid's are the operator's.
int SetXlsxDocumentProperties(lxw_workbook* workbook, const TExportDocumentInfo& info) {
  const std::string title = platform::Cp1252ToUtf8(info.Title);
  const std::string company = platform::Cp1252ToUtf8(info.Company);
  const std::string period = platform::Cp1252ToUtf8(info.Period);
  lxw_doc_properties properties{};
  properties.title = const_cast<char*>(title.c_str());
  properties.company = const_cast<char*>(company.c_str());
  properties.subject = const_cast<char*>(period.c_str());
  return workbook_set_properties(workbook, &properties);
}

std::string XlsxNumberFormat(std::string_view picture, int decimals) {
  std::string prefix, suffix, digits;
  for (char c : picture) {
    if (c == '#' || c == '0' || c == ',' || c == '.') {
      digits += c;
    } else {
      (digits.empty() ? prefix : suffix) += c;
    }
  }
  bool grouping = false;
  std::string places;
  for (char c : digits) {
    if (c == ',') {
      grouping = true;
    } else {
      places += c;
    }
  }
  const size_t point = places.find('.');
  const size_t integer = point == std::string::npos ? places.size() : point;
  const int fixedPlaces =
      point == std::string::npos ? 0 : static_cast<int>(places.size() - point - 1);
  // A "0" at the last integer place or among the decimal places asks for all the places.
  const size_t from = integer == 0 ? 0 : integer - 1;
  const bool zeroPlace =
      places.find('0', from) != std::string::npos && places.find('0', from) <= from + fixedPlaces;
  const int shown =
      fixedPlaces > 0 && (grouping || zeroPlace || decimals > fixedPlaces) ? fixedPlaces : decimals;
  std::string format = QuotedLiteral(prefix) + (grouping ? "#,##0" : "0");
  if (shown > 0) format += "." + std::string(static_cast<size_t>(shown), '0');
  return format + QuotedLiteral(suffix);
}

TDBGridEhExportAsXLSX::TDBGridEhExportAsXLSX() = default;

TDBGridEhExportAsXLSX::~TDBGridEhExportAsXLSX() { FreeWorkbook(); }

void TDBGridEhExportAsXLSX::FreeWorkbook() {
  // A workbook freed without closing writes nothing.
  rows_.reset();
  if (workbook_ != nullptr) lxw_workbook_free(workbook_);
  workbook_ = nullptr;
  sheet_ = nullptr;
  titleFormat_ = nullptr;
  formats_.clear();
  for (auto& cache : numberFormats_) cache.clear();
}

std::string TDBGridEhExportAsXLSX::TemporaryFiles() const {
  return "the workbook's temporary files in \"" + platform::FileNameText(tmpFolder_) + "\"";
}

void TDBGridEhExportAsXLSX::Check(int error, int systemError) const {
  if (error == LXW_NO_ERROR) return;
  if (error == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE) {
    throw platform::Exception("XLSX row limit of 1048576 rows exceeded");
  }
  if (error == LXW_ERROR_CREATING_XLSX_FILE) {
    throw EFCreateError(platform::FormatMessage("Cannot create file \"%s\". %s",
                                                {shownName_, std::strerror(errno)}));
  }
  if (error == LXW_ERROR_MEMORY_MALLOC_FAILED) {
    throw platform::Exception("Out of memory");
  }
  // Temporary files and the archive are written as the workbook closes: a full disk or a
  // file size limit ends up here, named with the file and the system's reason.
  if (error == LXW_ERROR_CREATING_TMPFILE || error == LXW_ERROR_READING_TMPFILE) {
    throw EWriteError(systemError, TemporaryFiles());
  }
  if (error == LXW_ERROR_ZIP_FILE_OPERATION || error == LXW_ERROR_ZIP_FILE_ADD ||
      error == LXW_ERROR_ZIP_CLOSE || error == LXW_ERROR_ZIP_PARAMETER_ERROR ||
      error == LXW_ERROR_ZIP_BAD_ZIP_FILE || error == LXW_ERROR_ZIP_INTERNAL_ERROR) {
    throw EWriteError(systemError, shownName_.empty() ? TemporaryFiles()
                                                      : "file \"" + shownName_ + "\"");
  }
  throw platform::Exception(lxw_strerror(static_cast<lxw_error>(error)));
}

void TDBGridEhExportAsXLSX::RenderToPath(const std::string& path, bool saveAll) {
  path_ = path;
  row_ = 0;
  col_ = 0;
  titled_ = false;
  filtered_ = false;
  lastDataRow_ = 0;
  FreeWorkbook();
  // The walk writes through the workbook, never through a stream.
  class TNoStream : public TStream {
   public:
    void Write(const void*, size_t) override {}
  } none;
  try {
    TDBGridEhExport::RenderToStream(none, saveAll);
  } catch (...) {
    FreeWorkbook();
    throw;
  }
}

void TDBGridEhExportAsXLSX::RenderToFile(const std::string& fileName, bool saveAll) {
  // The library writes the new file through a name of its own; it takes the place of the
  // former file only when the workbook is complete.
  platform::ReplacementFile file(fileName);
  shownName_ = platform::FileNameText(file.Target());
  RenderToPath(file.Path(), saveAll);
  file.Commit();
}

void TDBGridEhExportAsXLSX::RenderToStream(TStream& stream, bool saveAll) {
  const int fd = UnnamedTemporaryFile();
  try {
    // The workbook is one of the temporary files messages name.
    shownName_.clear();
    RenderToPath("/proc/self/fd/" + std::to_string(fd), saveAll);
    char buffer[64 * 1024];
    for (off_t offset = 0;;) {
      const ssize_t count = ::pread(fd, buffer, sizeof buffer, offset);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) throw platform::Exception(std::strerror(errno));
      if (count == 0) break;
      stream.Write(buffer, static_cast<size_t>(count));
      offset += count;
    }
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

void TDBGridEhExportAsXLSX::OpenDocument() {
  if (ExportedColumns().size() > kMaxColumns) {
    throw platform::Exception("XLSX column limit of 16384 columns exceeded");
  }
  const CNumericScope numeric;
  lxw_workbook_options options{};
  // Each row goes to a temporary file as soon as it is complete.
  options.constant_memory = LXW_TRUE;
  tmpFolder_ = "/tmp";
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') {
    tmpFolder_ = tmp;
    options.tmpdir = tmpFolder_.data();
  }
  options.use_zip64 = LXW_TRUE;
  workbook_ = workbook_new_opt(path_.c_str(), &options);
  if (workbook_ == nullptr) Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
  sheet_ = workbook_add_worksheet(workbook_, kSheetName);
  if (sheet_ == nullptr) Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
  if (sheet_->optimize_tmpfile == nullptr) Check(LXW_ERROR_CREATING_TMPFILE, errno);
  rows_ = std::make_unique<TXlsxRows>(sheet_, tmpFolder_);

  Check(SetXlsxDocumentProperties(workbook_, DocumentInfo()));

  titleFormat_ = workbook_add_format(workbook_);
  format_set_bold(titleFormat_);

  // Column widths in pixels as the grid has them, at the spreadsheet's 96 dpi; widened at the
  // close for the texts the column shows.
  const int dpi = Grid()->PixelsPerInch() > 0 ? Grid()->PixelsPerInch() : kScreenDpi;
  const std::vector<int>& columns = ExportedColumns();
  gridPixels_.assign(columns.size(), 0);
  longestText_.assign(columns.size(), 0);
  longestNumber_.assign(columns.size(), 0);
  for (auto& cache : numberFormats_) cache.assign(columns.size(), {});
  for (size_t i = 0; i < columns.size(); ++i) {
    gridPixels_[i] = std::max(0, Grid()->ColumnWidth(columns[i]) * kScreenDpi / dpi);
  }
}

void TDBGridEhExportAsXLSX::SetColumnWidths() {
  // The width unit is the width of a digit, which every digit of a number takes; the other
  // letters of a text (bold in the title) take a tenth more at most, on average. One unit
  // more leaves the margin the reader draws; a column holds at most 255 units.
  constexpr double kWidest = 255;
  for (size_t i = 0; i < gridPixels_.size(); ++i) {
    const double text = longestText_[i] == 0 ? 0 : std::ceil(longestText_[i] * 1.1) + 1;
    const double number = longestNumber_[i] == 0 ? 0 : longestNumber_[i] + 1.0;
    const double shown = std::min(kWidest, std::max(text, number));
    // The grid's width, as the sheet reads pixels (5 of them the margin, 7 a digit).
    const double grid = gridPixels_[i] <= 12 ? gridPixels_[i] / 12.0 : (gridPixels_[i] - 5) / 7.0;
    const lxw_col_t column = static_cast<lxw_col_t>(i);
    if (shown > grid) {
      Check(worksheet_set_column(sheet_, column, column, shown, nullptr));
    } else {
      Check(worksheet_set_column_pixels(sheet_, column, column, gridPixels_[i], nullptr));
    }
  }
}

void TDBGridEhExportAsXLSX::CloseDocument() {
  SetFilter();
  SetColumnWidths();
  const CNumericScope numeric;
  if (MoreSheets) MoreSheets(workbook_, tmpFolder_);
  // The library does not check the writes of its temporary files: a full disk or a file size
  // limit there would leave rows out of a workbook it reports as written. The rows' file is
  // checked before the close, and the sheet in the finished archive must hold at least it.
  FILE* rows = sheet_->optimize_tmpfile;
  if (std::fflush(rows) != 0 || std::ferror(rows) != 0) {
    throw EWriteError(errno, TemporaryFiles());
  }
  const long rowBytes = std::ftell(rows);
  lxw_workbook* workbook = workbook_;
  workbook_ = nullptr;
  sheet_ = nullptr;
  rows_.reset();
  formats_.clear();
  for (auto& cache : numberFormats_) cache.clear();
  // workbook_close frees the workbook whatever it returns. The library reports its failures
  // on standard error as well; they are the program's to report, so that text goes nowhere.
  int error = 0, systemError = 0;
  {
    FILE* quiet = std::fopen("/dev/null", "we");
    FILE* const standardError = stderr;
    if (quiet != nullptr) stderr = quiet;
    errno = 0;
    error = workbook_close(workbook);
    systemError = errno;
    stderr = standardError;
    if (quiet != nullptr) std::fclose(quiet);
  }
  Check(error, systemError);
  const int written = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  const std::optional<uint64_t> sheetBytes =
      written < 0 ? std::nullopt : ZipEntrySize(written, "xl/worksheets/sheet1.xml");
  if (written >= 0) ::close(written);
  if (!sheetBytes || *sheetBytes < static_cast<uint64_t>(rowBytes)) {
    throw EWriteError(EIO, shownName_.empty() ? TemporaryFiles() : "file \"" + shownName_ + "\"");
  }
}

void TDBGridEhExportAsXLSX::SetFilter() {
  if (!titled_ || filtered_ || ExportedColumns().empty()) return;
  // The title row stays in view; its filter covers the data rows, not the footers. In
  // constant-memory mode the range is accepted only while its last row is the current one.
  worksheet_freeze_panes(sheet_, 1, 0);
  Check(worksheet_autofilter(sheet_, 0, 0, lastDataRow_,
                             static_cast<lxw_col_t>(ExportedColumns().size() - 1)));
  filtered_ = true;
}

void TDBGridEhExportAsXLSX::StartRow() {
  // Checked before the row is written, so the limit never reaches the library.
  if (row_ >= kMaxRows) throw platform::Exception("XLSX row limit of 1048576 rows exceeded");
  col_ = 0;
  rows_->StartRow(row_);
}

void TDBGridEhExportAsXLSX::EndRow() {
  rows_->EndRow();
  ++row_;
}

void TDBGridEhExportAsXLSX::WriteText(std::string_view cp1252, lxw_format* format) {
  if (!cp1252.empty()) {
    // A cell holds at most 32,767 characters, one per Windows-1252 byte.
    if (cp1252.size() > kMaxCellText) cp1252 = cp1252.substr(0, kMaxCellText);
    longestText_[col_] = std::max(longestText_[col_], cp1252.size());
    rows_->Text(col_, platform::Cp1252ToUtf8(EscapeCharacterCodes(cp1252)), format);
  }
  ++col_;
}

void TDBGridEhExportAsXLSX::WriteNumber(double value, lxw_format* format, size_t shownLength) {
  longestNumber_[col_] = std::max(longestNumber_[col_], shownLength);
  rows_->Number(col_, value, format);
  ++col_;
}

lxw_format* TDBGridEhExportAsXLSX::Format(const std::string& numberFormat, bool bold) {
  auto found = formats_.find({numberFormat, bold});
  if (found != formats_.end()) return found->second;
  lxw_format* format = workbook_add_format(workbook_);
  if (format == nullptr) Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
  if (!numberFormat.empty()) format_set_num_format(format, numberFormat.c_str());
  if (bold) format_set_bold(format);
  formats_.emplace(std::make_pair(numberFormat, bold), format);
  return format;
}

lxw_format* TDBGridEhExportAsXLSX::NumberFormatOf(int field, double value, bool bold) {
  const int decimals = SignificantDecimals(value);
  std::vector<lxw_format*>& cache = numberFormats_[bold ? 1 : 0][col_];
  if (static_cast<size_t>(decimals) < cache.size() && cache[static_cast<size_t>(decimals)]) {
    return cache[static_cast<size_t>(decimals)];
  }
  std::string numberFormat;
  switch (Grid()->FieldType(field)) {
    case ftFloat:
    case ftCurrency:
      // Binary floating point: the spreadsheet's own general form.
      if (Grid()->FieldDisplayFormat(field).empty()) break;
      [[fallthrough]];
    default:
      numberFormat = XlsxNumberFormat(Grid()->FieldDisplayFormat(field), decimals);
  }
  lxw_format* format = Format(numberFormat, bold);
  if (static_cast<size_t>(decimals) >= cache.size()) cache.resize(static_cast<size_t>(decimals) + 1);
  cache[static_cast<size_t>(decimals)] = format;
  return format;
}

void TDBGridEhExportAsXLSX::EmitTitleRow(const std::vector<int>& columns) {
  StartRow();
  for (int column : columns) WriteText(Grid()->TitleCaption(column), titleFormat_);
  titled_ = true;
  EndRow();
}

void TDBGridEhExportAsXLSX::EmitDataRow(const std::vector<int>& columns) {
  StartRow();
  TDBGridEhExport::EmitDataRow(columns);
  lastDataRow_ = row_;
  EndRow();
}

void TDBGridEhExportAsXLSX::EmitDataCell(int column, const TExportCellParams& params) {
  const IExportGrid& grid = *Grid();
  const int field = grid.ColumnField(column);
  if (field < 0) return WriteText({}, nullptr);
  if (grid.ColumnUsesPickList(column)) return WriteText(params.Text, nullptr);
  // Nulls stay empty cells.
  if (grid.FieldIsNull(field)) return WriteText({}, nullptr);
  switch (grid.FieldType(field)) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
      const double value = static_cast<double>(grid.FieldAsInteger(field));
      return WriteNumber(value, NumberFormatOf(field, value, false), params.Text.size());
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: {
      const double value = grid.FieldAsFloat(field);
      // Infinity and NaN have no spreadsheet form: the grid's text goes instead.
      if (!std::isfinite(value)) return WriteText(params.Text, nullptr);
      return WriteNumber(value, NumberFormatOf(field, value, false), params.Text.size());
    }
    default:
      return WriteText(params.Text, nullptr);
  }
}

void TDBGridEhExportAsXLSX::EmitFooterRow(const std::vector<int>& columns, int footerRow) {
  SetFilter();
  StartRow();
  TDBGridEhExport::EmitFooterRow(columns, footerRow);
  EndRow();
}

void TDBGridEhExportAsXLSX::EmitFooterCell(int position, int footerRow, int column,
                                           const platform::TFontSpec&, platform::TColor, TAlignment,
                                           const std::string& text) {
  const TExportFooterValueType type = Grid()->Footer(column, footerRow).ValueType;
  const double value = static_cast<double>(FooterValue(footerRow, position)) / 10000.0;
  if (type == TExportFooterValueType::fvtCount) {
    return WriteNumber(value, Format("0", true), text.size());
  }
  if (type == TExportFooterValueType::fvtSum) {
    const int field = Grid()->FooterField(column, footerRow);
    return WriteNumber(value,
                       field < 0 ? Format(std::string(), true) : NumberFormatOf(field, value, true),
                       text.size());
  }
  WriteText(text, titleFormat_);
}
