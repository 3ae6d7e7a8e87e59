#include "export/DBGridEhImpExp.h"

#include <cmath>

using FooterType = TExportFooterValueType;

TDBGridEhExport::TDBGridEhExport() = default;
TDBGridEhExport::~TDBGridEhExport() = default;

void TDBGridEhExport::SetExportedColumns(std::vector<int> columns) {
  // A fresh exporter always takes the list chosen by the walk.
  if (columnsSet_) return;
  columns_ = std::move(columns);
  columnsSet_ = true;
}

void TDBGridEhExport::SizeFooterValues() {
  const int rows = grid_->FooterRowCount();
  const size_t count = columns_.size() * static_cast<size_t>(rows > 0 ? rows : 0);
  footerValues_.assign(count, 0);
  footerTypes_.assign(count, FooterType::fvtNon);
  footerFields_.assign(count, -1);
  for (int r = 0; r < rows; ++r) {
    for (size_t i = 0; i < columns_.size(); ++i) {
      const size_t entry = i + r * columns_.size();
      footerTypes_[entry] = grid_->Footer(columns_[i], r).ValueType;
      if (footerTypes_[entry] == FooterType::fvtSum ||
          footerTypes_[entry] == FooterType::fvtCount) {
        footerFields_[entry] = grid_->FooterField(columns_[i], r);
      }
    }
  }
}

TExportFooter TDBGridEhExport::CachedFooter(int position, int footerRow) const {
  return grid_->Footer(columns_[position], footerRow);
}

int64_t TDBGridEhExport::FooterValue(int footerRow, int position) const {
  const size_t entry = position + footerRow * columns_.size();
  return entry < footerValues_.size() ? footerValues_[entry] : 0;
}

void TDBGridEhExport::AccumulateFooters() {
  for (size_t entry = 0; entry < footerValues_.size(); ++entry) {
    const int field = footerFields_[entry];
    if (field < 0) continue;
    if (footerTypes_[entry] == FooterType::fvtSum) {
      if (grid_->FieldIsNull(field)) continue;
      const double sum =
          std::nearbyint(grid_->FieldAsFloat(field) * 10000.0 +
                         static_cast<double>(footerValues_[entry]));
      // A sum beyond the 64-bit currency range cannot be held: fail instead of wrapping.
      if (!(sum > -9.2233720368547758e18 && sum < 9.2233720368547758e18)) {
        throw platform::Exception("Floating point overflow");
      }
      footerValues_[entry] = static_cast<int64_t>(sum);
    } else if (footerTypes_[entry] == FooterType::fvtCount) {
      footerValues_[entry] += 10000;
    }
  }
}

std::string TDBGridEhExport::FooterCellText(int position, int footerRow, int column) const {
  const size_t entry = position + footerRow * columns_.size();
  const FooterType type =
      entry < footerTypes_.size() ? footerTypes_[entry] : grid_->Footer(column, footerRow).ValueType;
  if (type == FooterType::fvtSum) {
    const int field = entry < footerFields_.size() ? footerFields_[entry]
                                                   : grid_->FooterField(column, footerRow);
    if (field < 0) return {};
    return grid_->FormatFooterSum(field, FooterValue(footerRow, position));
  }
  if (type == FooterType::fvtCount) {
    return std::to_string(FooterValue(footerRow, position) / 10000);
  }
  return grid_->FooterText(column, footerRow);
}

void TDBGridEhExport::EmitDataRow(const std::vector<int>& columns) {
  for (int column : columns) {
    grid_->GetCellParams(column, cellParams_);
    EmitDataCell(column, cellParams_);
  }
}

void TDBGridEhExport::EmitFooterRow(const std::vector<int>& columns, int footerRow) {
  for (size_t i = 0; i < columns.size(); ++i) {
    const int column = columns[i];
    const TExportFooter footer = grid_->Footer(column, footerRow);
    platform::TFontSpec font = footer.Font;
    platform::TColor background = footer.Color;
    TAlignment alignment = footer.Alignment;
    std::string text = FooterCellText(static_cast<int>(i), footerRow, column);
    grid_->GetFooterParams(column, footerRow, font, background, alignment, text);
    EmitFooterCell(static_cast<int>(i), footerRow, column, font, background, alignment, text);
  }
}

void TDBGridEhExport::EmitTitleIfShown() {
  if (grid_->ShowsTitles()) EmitTitleRow(columns_);
}

void TDBGridEhExport::EmitFooterRows() {
  const int rows = grid_->FooterRowCount();
  for (int r = 0; r < rows; ++r) EmitFooterRow(columns_, r);
}

void TDBGridEhExport::EmitCountedRow() {
  EmitDataRow(columns_);
  if (RowProgress && !RowProgress(++rowsDone_)) throw platform::EAbort();
}

void TDBGridEhExport::Walk(TExportSelectionType type) {
  switch (type) {
    case TExportSelectionType::gstRecordBookmarks: {
      SetExportedColumns(grid_->VisibleColumns());
      SizeFooterValues();
      OpenDocument();
      EmitTitleIfShown();
      for (const TBookmark& bookmark : grid_->SelectedRows()) {
        grid_->GotoBookmark(bookmark);
        AccumulateFooters();
        EmitCountedRow();
      }
      EmitFooterRows();
      break;
    }
    case TExportSelectionType::gstRectangle: {
      std::vector<int> list;
      for (int c = grid_->RectLeftColumn(); c <= grid_->RectRightColumn(); ++c) {
        if (grid_->ColumnVisible(c)) list.push_back(c);
      }
      SetExportedColumns(std::move(list));
      SizeFooterValues();
      OpenDocument();
      EmitTitleIfShown();
      const TBookmark bottom = grid_->RectBottomRow();
      grid_->GotoBookmark(grid_->RectTopRow());
      while (true) {
        EmitCountedRow();
        AccumulateFooters();
        if (grid_->CompareBookmarks(grid_->GetBookmark(), bottom) == 0) break;
        grid_->Next();
        if (grid_->Eof()) break;
      }
      EmitFooterRows();
      break;
    }
    case TExportSelectionType::gstColumns:
    case TExportSelectionType::gstAll: {
      SetExportedColumns(type == TExportSelectionType::gstColumns ? grid_->SelectedColumns()
                                                                  : grid_->VisibleColumns());
      SizeFooterValues();
      OpenDocument();
      EmitTitleIfShown();
      grid_->First();
      while (!grid_->Eof()) {
        EmitCountedRow();
        AccumulateFooters();
        grid_->Next();
      }
      EmitFooterRows();
      break;
    }
    case TExportSelectionType::gstNon: {
      const int current = grid_->CurrentColumn();
      SetExportedColumns(current >= 0 ? std::vector<int>{current} : std::vector<int>{});
      OpenDocument();
      EmitCountedRow();
      break;
    }
  }
}

void TDBGridEhExport::RenderToStream(TStream& stream, bool saveAll) {
  stream_ = &stream;
  rowsDone_ = 0;
  const TExportSelectionType type = saveAll ? TExportSelectionType::gstAll : grid_->SelectionType();
  grid_->BeginWalk();
  try {
    Walk(type);
  } catch (...) {
    grid_->EndWalk();
    throw;
  }
  grid_->EndWalk();
  CloseDocument();
}

void TDBGridEhExport::RenderToFile(const std::string& fileName, bool saveAll) {
  // The new file takes the place of the former one only when complete: a failed export
  // leaves the former file as it was.
  platform::ReplacementFile file(fileName);
  TFileStream stream(file.Descriptor());
  RenderToStream(stream, saveAll);
  stream.Close();
  file.Commit();
}

void ExportGridToFile(TDBGridEhExportClass exporterClass, IExportGrid& grid,
                      const std::string& fileName, bool saveAll,
                      const TExportDocumentInfo& info,
                      const std::function<bool(long)>& rowProgress) {
  std::unique_ptr<TDBGridEhExport> exporter = exporterClass();
  exporter->SetGrid(&grid);
  exporter->SetDocumentInfo(info);
  exporter->RowProgress = rowProgress;
  exporter->RenderToFile(fileName, saveAll);
}

void ExportGridToStream(TDBGridEhExportClass exporterClass, IExportGrid& grid, TStream& stream,
                        bool saveAll, const TExportDocumentInfo& info) {
  std::unique_ptr<TDBGridEhExport> exporter = exporterClass();
  exporter->SetGrid(&grid);
  exporter->SetDocumentInfo(info);
  exporter->RenderToStream(stream, saveAll);
}
