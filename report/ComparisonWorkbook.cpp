#include "report/ComparisonWorkbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "export/ExportAsXLSX.h"
#include "export/Stream.h"
#include "export/XlsxNumericScope.h"
#include "export/XlsxRows.h"
#include "platform/Cp1252.h"
#include "platform/ReplacementFile.h"
#include "report/ComparisonTable.h"
#include "report/ScaledDecimal.h"

namespace report {

namespace {

constexpr char kSheetName[] = "Comparativo";

// Decimal places a value in hundredths shows: trailing zeros dropped.
int Decimals(TCents cents) {
  if (cents % 100 == 0) return 0;
  return cents % 10 == 0 ? 1 : 2;
}

class TSheetWriter {
 public:
  TSheetWriter(lxw_workbook* workbook, const TComparison& comparison, std::string tmpFolder)
      : workbook_(workbook),
        comparison_(comparison),
        columns_(ComparisonColumns(comparison)),
        tmpFolder_(std::move(tmpFolder)),
        widest_(columns_.size(), 0) {
    sheet_ = workbook_add_worksheet(workbook_, kSheetName);
    if (sheet_ == nullptr || sheet_->optimize_tmpfile == nullptr) Fail(errno);
    rows_ = std::make_unique<TXlsxRows>(sheet_, tmpFolder_);
    bold_ = workbook_add_format(workbook_);
    format_set_bold(bold_);
  }

  void Write() {
    WriteTitles();
    uint32_t row = 1;
    for (const TComparisonRow& data : comparison_.Rows) WriteRow(row++, data, false);
    // The filter covers the warehouses; the totals row stays below it. In constant-memory mode
    // the range is accepted only while its last row is the current one.
    worksheet_freeze_panes(sheet_, 1, 2);
    const auto lastColumn = static_cast<lxw_col_t>(columns_.size() - 1);
    worksheet_autofilter(sheet_, 0, 0, row - 1, lastColumn);
    WriteRow(row, comparison_.Totals, true);
    Colour(row);
    SetWidths();
    FILE* file = sheet_->optimize_tmpfile;
    if (std::fflush(file) != 0 || std::ferror(file) != 0) Fail(errno);
  }

 private:
  [[noreturn]] void Fail(int error) const {
    throw EWriteError(
        error, "the workbook's temporary files in \"" + platform::FileNameText(tmpFolder_) + "\"");
  }

  void WriteTitles() {
    rows_->StartRow(0);
    for (size_t c = 0; c < columns_.size(); ++c) {
      const std::string& title = columns_[c].Title;
      widest_[c] = std::max(widest_[c], static_cast<size_t>(title.size() * 1.1 + 1));
      rows_->Text(static_cast<uint16_t>(c), platform::Cp1252ToUtf8(title), bold_);
    }
    rows_->EndRow();
  }

  void WriteRow(uint32_t row, const TComparisonRow& data, bool totals) {
    rows_->StartRow(row);
    for (size_t c = 0; c < columns_.size(); ++c) {
      const TComparisonColumn& column = columns_[c];
      const auto at = static_cast<uint16_t>(c);
      if (column.Measure < 0) {
        const std::string& text = column.Part == TComparisonColumn::Code ? data.Code : data.Name;
        if (text.empty()) continue;
        widest_[c] = std::max(widest_[c], text.size() + 1);
        rows_->Text(at, platform::Cp1252ToUtf8(text), totals ? bold_ : nullptr);
        continue;
      }
      const std::optional<TBcd>& value = ComparisonValue(data, column);
      if (!value) continue;
      const TCents cents = BcdToCents(*value);
      // Digits, grouping, decimals and sign as the format shows them, at most.
      const TCents whole = (cents < 0 ? -cents : cents) / 100;
      size_t digits = 1;
      for (TCents rest = whole / 10; rest != 0; rest /= 10) ++digits;
      widest_[c] = std::max(widest_[c], digits + digits / 3 + 5);
      rows_->Number(at, static_cast<double>(cents) / 100.0,
                    NumberFormat(column.Format, Decimals(cents), totals));
    }
    rows_->EndRow();
  }

  lxw_format* NumberFormat(const std::string& picture, int decimals, bool bold) {
    const std::string numberFormat = XlsxNumberFormat(picture, decimals);
    auto found = formats_.find({numberFormat, bold});
    if (found != formats_.end()) return found->second;
    lxw_format* format = workbook_add_format(workbook_);
    format_set_num_format(format, numberFormat.c_str());
    if (bold) format_set_bold(format);
    formats_.emplace(std::make_pair(numberFormat, bold), format);
    return format;
  }

  // Rises and falls of the differences and changes, warehouses and totals alike.
  void Colour(uint32_t lastRow) {
    lxw_format* good = workbook_add_format(workbook_);
    format_set_font_color(good, 0x006100);
    format_set_bg_color(good, 0xC6EFCE);
    lxw_format* bad = workbook_add_format(workbook_);
    format_set_font_color(bad, 0x9C0006);
    format_set_bg_color(bad, 0xFFC7CE);
    for (size_t c = 0; c < columns_.size(); ++c) {
      const TComparisonColumn& column = columns_[c];
      if (column.Part != TComparisonColumn::Difference &&
          column.Part != TComparisonColumn::Percent) {
        continue;
      }
      const bool riseIsGood = comparison_.Measures[static_cast<size_t>(column.Measure)].RiseIsGood;
      for (const auto& [criteria, format] :
           {std::pair{LXW_CONDITIONAL_CRITERIA_GREATER_THAN, riseIsGood ? good : bad},
            std::pair{LXW_CONDITIONAL_CRITERIA_LESS_THAN, riseIsGood ? bad : good}}) {
        lxw_conditional_format rule{};
        rule.type = LXW_CONDITIONAL_TYPE_CELL;
        rule.criteria = criteria;
        rule.value = 0;
        rule.format = format;
        const auto at = static_cast<lxw_col_t>(c);
        worksheet_conditional_format_range(sheet_, 1, at, lastRow, at, &rule);
      }
    }
  }

  void SetWidths() {
    for (size_t c = 0; c < columns_.size(); ++c) {
      const auto at = static_cast<lxw_col_t>(c);
      worksheet_set_column(sheet_, at, at, std::min<double>(255, static_cast<double>(widest_[c])),
                           nullptr);
    }
  }

  lxw_workbook* workbook_;
  const TComparison& comparison_;
  std::vector<TComparisonColumn> columns_;
  std::string tmpFolder_;
  std::vector<size_t> widest_;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* bold_ = nullptr;
  std::unique_ptr<TXlsxRows> rows_;
  std::map<std::pair<std::string, bool>, lxw_format*> formats_;
};

}  // namespace

void AddComparisonSheet(lxw_workbook* workbook, const TComparison& comparison,
                        const std::string& tmpFolder) {
  TSheetWriter(workbook, comparison, tmpFolder).Write();
}

void SaveComparisonWorkbook(const TComparison& comparison, const std::string& fileName,
                            const TExportDocumentInfo& info) {
  platform::ReplacementFile file(fileName);
  const CNumericScope numeric;
  const std::string shown = "file \"" + platform::FileNameText(file.Target()) + "\"";
  std::string tmpFolder = "/tmp";
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') {
    tmpFolder = tmp;
    options.tmpdir = tmpFolder.data();
  }
  lxw_workbook* workbook = workbook_new_opt(file.Path().c_str(), &options);
  if (workbook == nullptr) throw EWriteError(errno, shown);
  try {
    SetXlsxDocumentProperties(workbook, info);
    AddComparisonSheet(workbook, comparison, tmpFolder);
  } catch (...) {
    lxw_workbook_free(workbook);
    throw;
  }
  errno = 0;
  // workbook_close frees the workbook whatever it returns.
  const lxw_error error = workbook_close(workbook);
  if (error != LXW_NO_ERROR) {
    const int systemError = errno;
    if (systemError != 0) throw EWriteError(systemError, shown);
    throw platform::Exception(std::string("Cannot write ") + shown + ". " + lxw_strerror(error) +
                              ".");
  }
  file.Commit();
}

}  // namespace report
