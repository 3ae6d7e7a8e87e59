#include "export/ClipboardSnapshot.h"

#include "data/DBClient.h"
#include "export/DBGridEhSource.h"
#include "grid/DBGridEh.h"

namespace {

// What decides a field's display text, from the grid's field to the snapshot's own.
void CopyDisplayProperties(const TField& from, TField& to) {
  to.SetDisplayLabel(from.DisplayLabel());
  to.SetAlignment(from.Alignment());
  to.SetVisible(from.Visible());
  to.SetDisplayWidth(from.DisplayWidth());
  if (auto* source = dynamic_cast<const TIntegerField*>(&from)) {
    if (auto* target = dynamic_cast<TIntegerField*>(&to)) {
      target->SetDisplayFormat(source->DisplayFormat());
      target->SetEditFormat(source->EditFormat());
    }
  }
  if (auto* source = dynamic_cast<const TFMTBCDField*>(&from)) {
    if (auto* target = dynamic_cast<TFMTBCDField*>(&to)) {
      target->SetPrecision(source->Precision());
      target->SetCurrency(source->Currency());
      target->SetDisplayFormat(source->DisplayFormat());
      target->SetEditFormat(source->EditFormat());
    }
  }
}

}  // namespace

TGridClipboardSnapshot::TGridClipboardSnapshot() = default;
TGridClipboardSnapshot::~TGridClipboardSnapshot() = default;

std::unique_ptr<TGridClipboardSnapshot> TGridClipboardSnapshot::Take(TDBGridEh& grid) {
  auto* data = dynamic_cast<TCustomClientDataSet*>(grid.DataSet());
  if (data == nullptr || !data->Active() || !data->AllRowsFetched() || !grid.DataLinkActive()) {
    return nullptr;
  }
  // Rows being edited are not in the shared rows yet.
  if (data->State() != dsBrowse) return nullptr;
  TDBGridEhExportSource live(grid);
  if (live.HasCellHooks()) return nullptr;
  for (int f = 0; f < data->Fields().Count(); ++f) {
    if (data->Fields()[f].OnGetText) return nullptr;
  }

  std::unique_ptr<TGridClipboardSnapshot> copy(new TGridClipboardSnapshot);
  copy->rows_ = std::make_unique<TClientDataSet>(data->Name() + "Copy");
  TClientDataSet& rows = *copy->rows_;
  rows.OpenSharing(*data);
  for (int f = 0; f < data->Fields().Count(); ++f) {
    const TField& field = data->Fields()[f];
    if (TField* own = rows.FindField(field.FieldName())) CopyDisplayProperties(field, *own);
  }
  // A field of the grid's data set as the index of the snapshot's field of the same name.
  auto ownField = [&](int liveField) {
    if (liveField < 0) return -1;
    TField* own = rows.FindField(data->Fields()[liveField].FieldName());
    return own ? rows.Fields().IndexOf(own) : -1;
  };

  copy->gridName_ = live.GridName();
  copy->titles_ = live.ShowsTitles();
  copy->colLines_ = live.HasColLines();
  copy->rowLines_ = live.HasRowLines();
  copy->ctl3D_ = live.Ctl3D();
  copy->flat_ = live.Flat();
  copy->fixedColor_ = live.FixedColor();
  copy->dpi_ = live.PixelsPerInch();
  copy->footerRows_ = live.FooterRowCount();
  for (int c = 0; c < grid.Columns().Count(); ++c) {
    const TColumnEh& column = *grid.Columns()[c];
    Column& own = copy->columns_.emplace_back();
    own.Visible = live.ColumnVisible(c);
    own.Width = live.ColumnWidth(c);
    own.Color = live.ColumnColor(c);
    own.Font = column.Font();
    own.Alignment = column.Alignment();
    own.DisplayFormat = column.DisplayFormat();
    own.Field = ownField(live.ColumnField(c));
    own.TitleCaption = live.TitleCaption(c);
    own.TitleFont = live.TitleFont(c);
    own.TitleColor = live.TitleColor(c);
    own.TitleAlignment = live.TitleAlignment(c);
    for (int r = 0; r < copy->footerRows_; ++r) {
      own.Footers.push_back(live.Footer(c, r));
      own.FooterTexts.push_back(live.FooterText(c, r));
      own.FooterFields.push_back(ownField(live.FooterField(c, r)));
    }
  }
  copy->visibleColumns_ = live.VisibleColumns();
  copy->currentColumn_ = live.CurrentColumn();
  copy->selectionType_ = live.SelectionType();
  switch (copy->selectionType_) {
    case TExportSelectionType::gstRecordBookmarks:
      copy->selectedRows_ = live.SelectedRows();
      break;
    case TExportSelectionType::gstRectangle:
      copy->rectLeft_ = live.RectLeftColumn();
      copy->rectRight_ = live.RectRightColumn();
      copy->rectTop_ = live.RectTopRow();
      copy->rectBottom_ = live.RectBottomRow();
      break;
    case TExportSelectionType::gstColumns:
      copy->selectedColumns_ = live.SelectedColumns();
      break;
    case TExportSelectionType::gstAll:
    case TExportSelectionType::gstNon:
      break;
  }
  copy->current_ = data->GetBookmark();
  return copy;
}

void TGridClipboardSnapshot::GetCellParams(int c, TExportCellParams& params) const {
  const Column& column = columns_[c];
  params.Alignment = column.Alignment;
  params.Background = column.Color;
  params.Font = column.Font;
  params.Text =
      column.Field < 0 ? std::string() : TDBGridEh::FieldDisplayText(Field(column.Field),
                                                                     column.DisplayFormat);
  params.ImageIndex = -1;
  params.CheckboxState = 0;
}

int64_t TGridClipboardSnapshot::RecordCount() const { return rows_->RecordCount(); }

void TGridClipboardSnapshot::BeginWalk() {
  if (!current_.empty() && rows_->BookmarkValid(current_)) rows_->GotoBookmark(current_);
}

TDataSet& TGridClipboardSnapshot::Data() const { return *rows_; }

std::string TGridClipboardSnapshot::FieldAsString(int f) const { return Field(f).AsString(); }
