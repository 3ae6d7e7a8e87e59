#include "print/SpooledExportSource.h"

#include <algorithm>
#include <stdexcept>

#include "grid/DBGridEh.h"
#include "print/ReportRowSpool.h"

bool TSpooledExportSource::Serves(TDBGridEh& grid) {
  const TDBGridEhExportSource source(grid);
  if (source.HasCellHooks()) return false;
  for (const int column : source.VisibleColumns()) {
    for (int row = 0; row < source.FooterRowCount(); ++row) {
      const TExportFooterValueType type = source.Footer(column, row).ValueType;
      if (type != TExportFooterValueType::fvtNon &&
          type != TExportFooterValueType::fvtStaticText) {
        return false;
      }
    }
  }
  return true;
}

TSpooledExportSource::TSpooledExportSource(TDBGridEh& grid, const std::string& contents,
                                           const TCellObserver& observe)
    : grid_(grid) {
  if (!Serves(grid)) {
    throw std::logic_error("The grid's rows cannot be written from their cells alone");
  }
  spool_ = std::make_unique<TReportRowSpool>(contents);
  columns_ = grid_.VisibleColumns();
  positions_.assign(static_cast<size_t>(grid.Columns().Count()), -1);
  for (size_t i = 0; i < columns_.size(); ++i) positions_[columns_[i]] = static_cast<int>(i);
  TExportCellParams params;
  grid_.BeginWalk();
  try {
    for (grid_.First(); !grid_.Eof(); grid_.Next()) {
      for (size_t i = 0; i < columns_.size(); ++i) {
        grid_.GetCellParams(columns_[i], params);
        if (observe) observe(i, params);
        spool_->AddCell(params);
      }
      spool_->EndRow();
    }
  } catch (...) {
    grid_.EndWalk();
    throw;
  }
  grid_.EndWalk();
  rows_ = spool_->RowCount();
}

TSpooledExportSource::~TSpooledExportSource() = default;

void TSpooledExportSource::GetCellParams(int column, TExportCellParams& params) const {
  const int position = column >= 0 && column < static_cast<int>(positions_.size())
                           ? positions_[static_cast<size_t>(column)]
                           : -1;
  if (position < 0 || row_ < 0 || row_ >= rows_) return grid_.GetCellParams(column, params);
  const int first = row_ / kRowsPerBlock * kRowsPerBlock;
  spool_->ReadRows(first, std::min(first + kRowsPerBlock, rows_));
  params = spool_->Cell(row_, position);
}

int TSpooledExportSource::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  const int left = std::stoi(a), right = std::stoi(b);
  return left < right ? -1 : left > right ? 1 : 0;
}

namespace {

[[noreturn]] void NoValues() {
  throw std::logic_error("The spooled rows keep their cells' texts, not their values");
}

}  // namespace

bool TSpooledExportSource::FieldIsNull(int) const { NoValues(); }
int64_t TSpooledExportSource::FieldAsInteger(int) const { NoValues(); }
double TSpooledExportSource::FieldAsFloat(int) const { NoValues(); }
