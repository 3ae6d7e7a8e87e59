#include "grid/ColumnsEh.h"

#include <QFontMetrics>
#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/GridLayout.h"

using platform::TColor;
using platform::TFontSpec;

// ---------------------------------------------------------------------------------------------
// Title

std::string TColumnTitleEh::Caption() const {
  if (captionAssigned_) return caption_;
  if (TField* field = column_->Field()) return field->DisplayLabel();
  return column_->FieldName();
}

void TColumnTitleEh::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  captionAssigned_ = true;
  column_->Grid()->InvalidateGrid();
}

TAlignment TColumnTitleEh::Alignment() const {
  if (alignmentAssigned_) return alignment_;
  return column_->Grid()->UseMultiTitle() ? taCenter : taLeftJustify;
}

void TColumnTitleEh::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  alignmentAssigned_ = true;
  column_->Grid()->InvalidateGrid();
}

TColor TColumnTitleEh::Color() const {
  if (colorAssigned_) return color_;
  const TColumnDefTitleValuesEh& def = column_->Grid()->ColumnDefValues().Title;
  return def.ColorAssigned ? def.Color : column_->Grid()->FixedColor();
}

void TColumnTitleEh::SetColor(TColor color) {
  color_ = color;
  colorAssigned_ = true;
  column_->Grid()->InvalidateGrid();
}

TFontSpec TColumnTitleEh::Font() const {
  return fontAssigned_ ? font_ : column_->Grid()->TitleFont();
}

void TColumnTitleEh::SetFont(const TFontSpec& font) {
  font_ = font;
  fontAssigned_ = true;
  column_->Grid()->RunLayout();
}

bool TColumnTitleEh::TitleButton() const {
  return titleButtonAssigned_ ? titleButton_ : column_->Grid()->ColumnDefValues().Title.TitleButton;
}
void TColumnTitleEh::SetTitleButton(bool value) {
  titleButton_ = value;
  titleButtonAssigned_ = true;
}
bool TColumnTitleEh::EndEllipsis() const {
  return endEllipsisAssigned_ ? endEllipsis_ : column_->Grid()->ColumnDefValues().Title.EndEllipsis;
}
void TColumnTitleEh::SetEndEllipsis(bool value) {
  endEllipsis_ = value;
  endEllipsisAssigned_ = true;
}
bool TColumnTitleEh::ToolTips() const {
  return toolTipsAssigned_ ? toolTips_ : column_->Grid()->ColumnDefValues().Title.ToolTips;
}
void TColumnTitleEh::SetToolTips(bool value) {
  toolTips_ = value;
  toolTipsAssigned_ = true;
}

void TColumnTitleEh::SetSortMarker(TSortMarkerEh marker) {
  if (marker == sortMarker_) return;
  sortMarker_ = marker;
  TDBGridEh* grid = column_->Grid();
  if (grid->Columns().Updating()) return;
  TColumnsEhList& list = grid->sortMarkedColumns_;
  if (grid->OptionsEh() & dghMultiSortMarking) {
    if (marker != smNoneEh && sortIndex_ == 0) {
      int marked = 0;
      for (int i = 0; i < grid->Columns().Count(); ++i) {
        if (grid->Columns()[i]->Title().sortIndex_ > 0) ++marked;
      }
      sortIndex_ = marked + 1;
      list.Add(column_);
    } else if (marker == smNoneEh && sortIndex_ > 0) {
      int k = sortIndex_;
      for (int i = 0; i < grid->Columns().Count(); ++i) {
        TColumnTitleEh& t = grid->Columns()[i]->Title();
        if (t.sortIndex_ > k) --t.sortIndex_;
      }
      int at = list.IndexOf(column_);
      if (at >= 0) list.Delete(at);
      sortIndex_ = 0;
    }
  } else if (marker != smNoneEh) {
    for (int i = 0; i < grid->Columns().Count(); ++i) {
      TColumnTitleEh& t = grid->Columns()[i]->Title();
      if (&t == this) continue;
      t.sortMarker_ = smNoneEh;
      t.sortIndex_ = 0;
    }
    sortIndex_ = 1;
    list.Clear();
    list.Add(column_);
  } else {
    sortIndex_ = 0;
    list.Clear();
  }
  grid->InvalidateGrid();
}

void TColumnTitleEh::SetSortIndex(int index) {
  index = std::max(index, 0);
  if (index == sortIndex_) return;
  TDBGridEh* grid = column_->Grid();
  if (grid->Columns().Updating()) {
    sortIndex_ = index;
    return;
  }
  if (sortMarker_ == smNoneEh) return;
  TColumnsEhList& list = grid->sortMarkedColumns_;
  for (int i = 0; i < grid->Columns().Count(); ++i) {
    TColumnTitleEh& other = grid->Columns()[i]->Title();
    if (&other == this || other.sortMarker_ == smNoneEh || other.sortIndex_ != index) continue;
    other.sortIndex_ = sortIndex_;
    sortIndex_ = index;
    int a = list.IndexOf(column_);
    int b = list.IndexOf(other.column_);
    if (a >= 0 && b >= 0) {
      list.Delete(a);
      list.Insert(a, other.column_);
      list.Delete(b);
      list.Insert(b, column_);
    }
    grid->InvalidateGrid();
    return;
  }
}

// ---------------------------------------------------------------------------------------------
// Footer

TAlignment TColumnFooterEh::Alignment() const {
  return alignmentAssigned_ ? alignment_ : column_->Alignment();
}
void TColumnFooterEh::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  alignmentAssigned_ = true;
}
TColor TColumnFooterEh::Color() const {
  return colorAssigned_ ? color_ : column_->Grid()->FooterColor();
}
void TColumnFooterEh::SetColor(TColor color) {
  color_ = color;
  colorAssigned_ = true;
}
TFontSpec TColumnFooterEh::Font() const {
  return fontAssigned_ ? font_ : column_->Grid()->FooterFont();
}
void TColumnFooterEh::SetFont(const TFontSpec& font) {
  font_ = font;
  fontAssigned_ = true;
}

// ---------------------------------------------------------------------------------------------
// Column

TColumnEh::TColumnEh(TDBGridEh* grid) : grid_(grid), title_(this), footer_(this) {}

TColumnEh::~TColumnEh() = default;

int TColumnEh::Index() const {
  const TDBGridColumnsEh& columns = grid_->Columns();
  for (int i = 0; i < columns.Count(); ++i) {
    if (columns[i] == this) return i;
  }
  return -1;
}

void TColumnEh::SetFieldName(std::string name) {
  fieldName_ = std::move(name);
  fieldLooked_ = false;
  field_ = nullptr;
  grid_->RunLayout();
}

TField* TColumnEh::Field() const {
  if (!fieldLooked_) {
    field_ = nullptr;
    TDataSet* dataSet = grid_->DataSet();
    if (dataSet != nullptr && !fieldName_.empty() &&
        (dataSet->Active() || dataSet->Fields().Count() > 0)) {
      field_ = dataSet->FindField(fieldName_);
    }
    fieldLooked_ = true;
  }
  return field_;
}

void TColumnEh::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  grid_->RunLayout();
}

int TColumnEh::Width() const { return widthAssigned_ ? width_ : DefaultWidth(); }

int TColumnEh::DefaultWidth() const {
  TField* field = Field();
  if (field == nullptr) return 64;
  QFontMetrics metrics(platform::ToQFont(Font()));
  int w0 = metrics.horizontalAdvance(QLatin1Char('0'));
  const int overhang = 0;  // outline fonts have none
  return (w0 - overhang) * field->DisplayWidth() + overhang + 4;
}

void TColumnEh::SetWidth(int value) {
  TColumnWidthEh w{Width(),   DefaultWidth(),   widthAssigned_,   minWidth_,
                   maxWidth_, autoFitRefWidth_, autoFitColWidth_, false};
  SetColumnWidth(w, value);
  if (w.Assigned == widthAssigned_ && w.Width == Width()) return;
  widthAssigned_ = w.Assigned;
  width_ = w.Width;
  grid_->RunLayout();
}

void TColumnEh::SetMinWidth(int value) {
  minWidth_ = std::max(value, 0);
  if (widthAssigned_ && width_ < minWidth_) width_ = minWidth_;
  grid_->RunLayout();
}

void TColumnEh::SetMaxWidth(int value) {
  maxWidth_ = std::max(value, 0);
  if (widthAssigned_ && maxWidth_ > 0 && width_ > maxWidth_) width_ = maxWidth_;
  grid_->RunLayout();
}

void TColumnEh::SetAutoFitColWidth(bool value) {
  autoFitColWidth_ = value;
  grid_->RunLayout();
}

TAlignment TColumnEh::Alignment() const {
  if (alignmentAssigned_) return alignment_;
  TField* field = Field();
  return field != nullptr ? field->Alignment() : taLeftJustify;
}
void TColumnEh::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  alignmentAssigned_ = true;
  grid_->InvalidateGrid();
}

TColor TColumnEh::Color() const { return colorAssigned_ ? color_ : grid_->Color(); }
void TColumnEh::SetColor(TColor color) {
  color_ = color;
  colorAssigned_ = true;
  grid_->InvalidateGrid();
}

const TFontSpec& TColumnEh::Font() const { return fontAssigned_ ? font_ : grid_->Font(); }
void TColumnEh::SetFont(const TFontSpec& font) {
  font_ = font;
  fontAssigned_ = true;
  grid_->RunLayout();
}

TTextLayout TColumnEh::Layout() const {
  return layoutAssigned_ ? layout_ : grid_->ColumnDefValues().Layout;
}
void TColumnEh::SetLayout(TTextLayout layout) {
  layout_ = layout;
  layoutAssigned_ = true;
}
bool TColumnEh::EndEllipsis() const {
  return endEllipsisAssigned_ ? endEllipsis_ : grid_->ColumnDefValues().EndEllipsis;
}
void TColumnEh::SetEndEllipsis(bool value) {
  endEllipsis_ = value;
  endEllipsisAssigned_ = true;
}
bool TColumnEh::ToolTips() const {
  return toolTipsAssigned_ ? toolTips_ : grid_->ColumnDefValues().ToolTips;
}
void TColumnEh::SetToolTips(bool value) {
  toolTips_ = value;
  toolTipsAssigned_ = true;
}

bool TColumnEh::ReadOnly() const {
  TField* field = Field();
  return readOnly_ || grid_->ReadOnly() || (field != nullptr && field->ReadOnly());
}

TColumnFooterEh& TColumnEh::AddFooter() {
  footers_.push_back(std::make_unique<TColumnFooterEh>(this));
  return *footers_.back();
}

TColumnFooterEh& TColumnEh::GetFooter(int row) {
  return row >= 0 && row < static_cast<int>(footers_.size()) ? *footers_[row] : footer_;
}

const TColumnFooterEh& TColumnEh::GetFooter(int row) const {
  return row >= 0 && row < static_cast<int>(footers_.size()) ? *footers_[row] : footer_;
}

std::string TColumnEh::DisplayText() const { return grid_->ColumnDisplayText(*this); }

void TColumnEh::GetColCellParams(bool editMode, TColCellParamsEh& params) {
  if (OnGetCellParams) OnGetCellParams(*this, editMode, params);
}

// ---------------------------------------------------------------------------------------------
// Lists

int TColumnsEhList::IndexOf(const TColumnEh* column) const {
  auto it = std::find(items_.begin(), items_.end(), column);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TColumnEh& TDBGridColumnsEh::Add() {
  if (defaultState_) {
    items_.clear();
    defaultState_ = false;
  }
  items_.push_back(std::make_unique<TColumnEh>(grid_));
  TColumnEh& column = *items_.back();
  column.autoFitRefWidth_ = column.Width();
  grid_->RunLayout();
  return column;
}

TColumnEh& TDBGridColumnsEh::AddGenerated() {
  items_.push_back(std::make_unique<TColumnEh>(grid_));
  return *items_.back();
}

void TDBGridColumnsEh::Clear() {
  grid_->ColumnsRemoving();
  items_.clear();
  grid_->RunLayout();
}

void TDBGridColumnsEh::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  grid_->ColumnsRemoving(items_[index].get());
  items_.erase(items_.begin() + index);
  grid_->RunLayout();
}

void TDBGridColumnsEh::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  auto column = std::move(items_[from]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(column));
  grid_->selection_.Columns().Refresh();
  grid_->RunLayout();
}

void TDBGridColumnsEh::RestoreDefaults() {
  grid_->ColumnsRemoving();
  items_.clear();
  defaultState_ = true;
  grid_->RunLayout();
}

void TDBGridColumnsEh::BeginUpdate() {
  ++updateCount_;
  grid_->LockLayout();
}

void TDBGridColumnsEh::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  grid_->UnlockLayout();
}
