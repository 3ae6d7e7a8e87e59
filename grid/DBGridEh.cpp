#include "grid/DBGridEh.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "data/FMTBcd.h"
#include "grid/GridDataLink.h"
#include "grid/GridLayout.h"
#include "grid/SortingService.h"
#include "platform/Cp1252.h"
#include "platform/RegionalSettings.h"

using platform::TColor;
using platform::TFontSpec;

namespace {

int TextHeight(const TFontSpec& font) { return QFontMetrics(platform::ToQFont(font)).height(); }

// A footer number (value x 10000) formatted with `format`, or as a plain number.
std::string FormatFooterNumber(int64_t scaled, const std::string& format) {
  TBcd value = IntegerToBcd(scaled);
  // Shift four decimal places in: the digits stay, the scale says where the point is.
  TBcd shifted;
  if (!NormalizeBcd(value, std::max<int>(value.Precision, 5), 0, shifted)) return "";
  shifted.SignSpecialPlaces = static_cast<uint8_t>((shifted.SignSpecialPlaces & 0x80) | 4);
  if (!format.empty()) return FormatBcd(format, shifted, platform::FormatSettings());
  return BcdToPlainText(shifted, platform::FormatSettings().DecimalSeparator);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and binding

TDBGridEh::TDBGridEh(QWidget* parent)
    : QAbstractScrollArea(parent),
      dataLink_(std::make_unique<TGridDataLinkEh>(this)),
      columns_(this),
      selection_(this),
      sumList_(std::make_unique<TDBGridEhSumList>(this)) {
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::NoFrame);
  viewport()->setMouseTracking(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { VScrollAction(action); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (syncingScroll_) return;
    leftCol_ = value;
    InvalidateGrid();
  });
  RunLayout();
}

TDBGridEh::~TDBGridEh() {
  sumList_->SetDataSet(nullptr);
  dataLink_->SetDataSource(nullptr);
}

TDataSource* TDBGridEh::DataSource() const { return dataLink_->DataSource(); }

void TDBGridEh::SetDataSource(TDataSource* source) {
  // The summary engine leaves the old result set while the grid still reaches it.
  sumList_->SetDataSet(nullptr);
  dataLink_->SetDataSource(source);
  sumList_->SetDataSet(source != nullptr ? source->DataSet() : nullptr);
  RunLayout();
}

TDataSet* TDBGridEh::DataSet() const { return dataLink_->DataSet(); }

bool TDBGridEh::DataLinkActive() const { return dataLink_->Active(); }

// ---------------------------------------------------------------------------------------------
// Settings

void TDBGridEh::SetOptions(TDBGridOptions options) {
  TDBGridOptions old = options_;
  options_ = options;
  // dgIndicator mirrors gioShowRowIndicatorEh; dgColumnResize stands for resize plus move.
  if ((old ^ options) & dgIndicator) {
    indicatorOptions_ = (options & dgIndicator) ? (indicatorOptions_ | gioShowRowIndicatorEh)
                                                : (indicatorOptions_ & ~gioShowRowIndicatorEh);
  }
  if ((old ^ options) & dgColumnResize) {
    if (options & dgColumnResize) {
      optionsEh_ |= dghColumnResize | dghColumnMove;
    } else {
      optionsEh_ &= ~(dghColumnResize | dghColumnMove);
    }
  }
  if (!(options & dgMultiSelect) && (old & dgMultiSelect)) {
    if (selection_.SelectionType() != gstAll) selection_.ResetToNone();
  }
  const TDBGridOptions layoutOptions = dgTitles | dgIndicator | dgColLines | dgRowLines |
                                       dgRowSelect | dgAlwaysShowSelection | dgEditing |
                                       dgAlwaysShowEditor;
  if ((old ^ options) & layoutOptions) {
    RunLayout();
  } else {
    InvalidateGrid();
  }
}

void TDBGridEh::SetOptionsEh(TDBGridEhOptions options) {
  TDBGridEhOptions old = optionsEh_;
  optionsEh_ = options & ((1u << 24) - 1);
  const TDBGridEhOptions pair = dghColumnResize | dghColumnMove;
  if ((optionsEh_ & pair) == pair) {
    options_ |= dgColumnResize;
  } else {
    options_ &= ~dgColumnResize;
  }
  if ((old ^ optionsEh_) & dghShowRecNo) {
    indicatorOptions_ = (optionsEh_ & dghShowRecNo) ? (indicatorOptions_ | gioShowRecNoEh)
                                                    : (indicatorOptions_ & ~gioShowRecNoEh);
  }
  if ((old & dghMultiSortMarking) && !(optionsEh_ & dghMultiSortMarking)) {
    // Only the primary sort column keeps its mark.
    TColumnsEhList marked = sortMarkedColumns_;
    for (int i = 1; i < marked.Count(); ++i) {
      marked[i]->Title().sortMarker_ = smNoneEh;
      marked[i]->Title().sortIndex_ = 0;
    }
    sortMarkedColumns_.Clear();
    if (marked.Count() > 0) {
      sortMarkedColumns_.Add(marked[0]);
      marked[0]->Title().sortIndex_ = 1;
    }
  }
  RunLayout();
}

void TDBGridEh::SetIndicatorOptions(TDBGridEhIndicatorOptions options) {
  indicatorOptions_ = options;
  if (options & gioShowRowIndicatorEh) {
    options_ |= dgIndicator;
  } else {
    options_ &= ~dgIndicator;
  }
  if (options & gioShowRecNoEh) {
    optionsEh_ |= dghShowRecNo;
  } else {
    optionsEh_ &= ~dghShowRecNo;
  }
  RunLayout();
}

void TDBGridEh::SetAllowedSelections(TDBGridEhAllowedSelections selections) {
  allowedSelections_ = selections;
  TDBGridEhSelectionType type = selection_.SelectionType();
  if (type != gstNon && !(selections & (1u << type))) selection_.ResetToNone();
}

void TDBGridEh::SetAutoFitColWidths(bool value) {
  if (value == autoFitColWidths_) return;
  autoFitColWidths_ = value;
  for (int i = 0; i < columns_.Count(); ++i) {
    TColumnEh* column = columns_[i];
    if (value) {
      column->autoFitRefWidth_ = column->Width();
    } else {
      TColumnWidthEh w{
          column->Width(),   column->DefaultWidth(),   column->widthAssigned_,   column->minWidth_,
          column->maxWidth_, column->autoFitRefWidth_, column->autoFitColWidth_, false};
      SetColumnWidth(w, column->autoFitRefWidth_);
      column->width_ = w.Width;
      column->widthAssigned_ = w.Assigned;
    }
  }
  RunLayout();
}

void TDBGridEh::SetMinAutoFitWidth(int value) {
  minAutoFitWidth_ = std::max(value, 0);
  RunLayout();
}

void TDBGridEh::SetFlat(bool value) {
  flat_ = value;
  RunLayout();
}

void TDBGridEh::SetColor(TColor color) {
  color_ = color;
  InvalidateGrid();
}

void TDBGridEh::SetFixedColor(TColor color) {
  fixedColor_ = color;
  InvalidateGrid();
}

TColor TDBGridEh::OddRowColor() const { return oddRowColorAssigned_ ? oddRowColor_ : color_; }
void TDBGridEh::SetOddRowColor(TColor color) {
  oddRowColor_ = color;
  oddRowColorAssigned_ = true;
  InvalidateGrid();
}
TColor TDBGridEh::EvenRowColor() const { return evenRowColorAssigned_ ? evenRowColor_ : color_; }
void TDBGridEh::SetEvenRowColor(TColor color) {
  evenRowColor_ = color;
  evenRowColorAssigned_ = true;
  InvalidateGrid();
}

void TDBGridEh::SetFont(const TFontSpec& font) {
  font_ = font;
  RunLayout();
}
void TDBGridEh::SetTitleFont(const TFontSpec& font) {
  titleFont_ = font;
  RunLayout();
}
void TDBGridEh::SetFooterColor(TColor color) {
  footerColor_ = color;
  InvalidateGrid();
}
void TDBGridEh::SetFooterFont(const TFontSpec& font) {
  footerFont_ = font;
  InvalidateGrid();
}
void TDBGridEh::SetFooterRowCount(int count) {
  if (count < 0) return;
  footerRowCount_ = count;
  RunLayout();
}
void TDBGridEh::SetFrozenCols(int count) {
  frozenCols_ = std::max(count, 0);
  RunLayout();
}

// ---------------------------------------------------------------------------------------------
// Columns and texts

void TDBGridEh::SetSelectedIndex(int index) {
  int count = visibleColumns_.Count();
  if (count == 0) {
    selectedIndex_ = 0;
    return;
  }
  index = std::clamp(index, 0, count - 1);
  if (index == selectedIndex_) return;
  StopIncSearch();
  HideEditor();
  selectedIndex_ = index;
  // Keep the current column in view when the columns scroll horizontally.
  if (!autoFitColWidths_) {
    if (selectedIndex_ < leftCol_) leftCol_ = selectedIndex_;
    while (leftCol_ < selectedIndex_ &&
           ColumnLeftX(selectedIndex_) + visibleColumns_[selectedIndex_]->Width() >
               viewport()->width()) {
      ++leftCol_;
    }
    UpdateScrollBars();
  }
  InvalidateGrid();
}

TColumnEh* TDBGridEh::CurrentColumn() const {
  if (selectedIndex_ < 0 || selectedIndex_ >= visibleColumns_.Count()) return nullptr;
  return visibleColumns_[selectedIndex_];
}

std::string TDBGridEh::ColumnDisplayText(const TColumnEh& column) const {
  TField* field = column.Field();
  if (field == nullptr || !DataLinkActive()) return "";
  return FieldDisplayText(*field, column.DisplayFormat());
}

std::string TDBGridEh::FieldDisplayText(const TField& field, const std::string& format) {
  if (format.empty()) return field.DisplayText();
  if (field.IsNull()) return "";
  if (IsNumericType(field.DataType())) {
    TBcd value = field.DataType() == ftBCD || field.DataType() == ftFMTBcd
                     ? field.AsBCD()
                     : DoubleToBcd(field.AsFloat(), 18, 4);
    return FormatBcd(format, value, platform::FormatSettings());
  }
  switch (field.DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      return field.DisplayText();
    default:
      return "";
  }
}

std::string TDBGridEh::FooterText(const TColumnEh& column, int row) const {
  const TColumnFooterEh& footer = column.GetFooter(row);
  switch (footer.ValueType) {
    case fvtNon:
      return "";
    case fvtStaticText:
      return footer.Value;
    case fvtFieldValue: {
      TDataSet* dataSet = DataSet();
      if (dataSet == nullptr || !DataLinkActive()) return "";
      TField* field = dataSet->FindField(footer.FieldName);
      if (field == nullptr) return "";
      if (footer.DisplayFormat.empty()) return field->DisplayText();
      if (field->IsNull() || !IsNumericType(field->DataType())) return field->DisplayText();
      TBcd value = field->DataType() == ftBCD || field->DataType() == ftFMTBcd
                       ? field->AsBCD()
                       : DoubleToBcd(field->AsFloat(), 18, 4);
      return FormatBcd(footer.DisplayFormat, value, platform::FormatSettings());
    }
    case fvtSum:
    case fvtAvg: {
      int64_t value = 0;
      sumList_->FooterValue(footer, value);
      std::string format = footer.DisplayFormat;
      if (format.empty()) {
        TDataSet* dataSet = DataSet();
        const std::string& name = footer.FieldName.empty() ? column.FieldName() : footer.FieldName;
        TField* field = dataSet != nullptr ? dataSet->FindField(name) : nullptr;
        if (auto* bcd = dynamic_cast<TFMTBCDField*>(field)) format = bcd->DisplayFormat();
        if (auto* integer = dynamic_cast<TIntegerField*>(field)) {
          format = integer->DisplayFormat();
        }
      }
      return FormatFooterNumber(value, format);
    }
    case fvtCount: {
      int64_t value = 0;
      sumList_->FooterValue(footer, value);
      return FormatFooterNumber(value, footer.DisplayFormat);
    }
  }
  return "";
}

void TDBGridEh::CellParams(TColumnEh& column, TColCellParamsEh& params) {
  params.Font = column.Font();
  params.Background = column.Color();
  params.Alignment = column.Alignment();
  params.Text = ColumnDisplayText(column);
  params.ImageIndex = -1;
  if (OnGetCellParams) OnGetCellParams(*this, column, params.Font, params.Background, params.State);
  column.GetColCellParams(false, params);
}

// ---------------------------------------------------------------------------------------------
// Selection

void TDBGridEh::DropSelection() {
  if (options_ & dgMultiSelect) selection_.Rows().Clear();
  if (selection_.SelectionType() != gstNon) selection_.ResetToNone();
  InvalidateGrid();
}

void TDBGridEh::ClearOnMove() {
  if (optionsEh_ & dghClearSelection) DropSelection();
}

bool TDBGridEh::IsTypeAllowed(TDBGridEhSelectionType type) const {
  if (type == gstNon) return true;
  if (!(options_ & dgMultiSelect)) return false;
  if (!(allowedSelections_ & (1u << type))) return false;
  if (type == gstRecordBookmarks || type == gstAll) return true;
  return !(options_ & dgRowSelect);
}

bool TDBGridEh::CanSelectAll() const {
  if (!DataLinkActive()) return false;
  TDataSet* dataSet = DataSet();
  return !dataSet->IsEmpty() && (allowedSelections_ & gstAllBit);
}

// ---------------------------------------------------------------------------------------------
// Layout

void TDBGridEh::RunLayout() {
  if (layoutLock_ > 0 || inLayout_) {
    layoutPending_ = true;
    return;
  }
  inLayout_ = true;
  try {
    InternalLayout();
  } catch (...) {
    inLayout_ = false;
    throw;
  }
  inLayout_ = false;
  viewport()->update();
}

void TDBGridEh::LockLayout() { ++layoutLock_; }

void TDBGridEh::UnlockLayout() {
  if (layoutLock_ > 0) --layoutLock_;
  if (layoutLock_ == 0 && layoutPending_) {
    layoutPending_ = false;
    RunLayout();
  }
}

void TDBGridEh::InternalLayout() {
  BuildColumns();
  ComputeHeights();
  // Showing or hiding a scroll bar changes the client area: lay out once more for it.
  for (int pass = 0; pass < 3; ++pass) {
    QSize client = viewport()->size();
    UpdateRowCount();
    SpreadWidths();
    UpdateScrollBars();
    if (viewport()->size() == client) break;
  }
}

void TDBGridEh::BuildColumns() {
  TDataSet* dataSet = DataSet();
  if (columns_.DefaultState() && dataSet != nullptr &&
      (dataSet->Active() || dataSet->Fields().Count() > 0)) {
    // Generated columns: one per field in field order, reusing the column of the same field.
    std::vector<std::unique_ptr<TColumnEh>> old = std::move(columns_.items_);
    columns_.items_.clear();
    TFields& fields = dataSet->Fields();
    for (int i = 0; i < fields.Count(); ++i) {
      TField* field = &fields[i];
      std::unique_ptr<TColumnEh> reuse;
      for (auto& column : old) {
        if (column && column->fieldName_ == field->FieldName()) {
          reuse = std::move(column);
          break;
        }
      }
      if (!reuse) {
        reuse = std::make_unique<TColumnEh>(this);
        reuse->fieldName_ = field->FieldName();
        reuse->fieldLooked_ = false;
        reuse->autoFitRefWidth_ = reuse->Width();
      }
      reuse->visible_ = field->Visible();
      columns_.items_.push_back(std::move(reuse));
    }
    bool dropped = false;
    for (auto& column : old) dropped = dropped || column != nullptr;
    if (dropped) {
      for (auto& column : old) {
        if (column) {
          int at = sortMarkedColumns_.IndexOf(column.get());
          if (at >= 0) sortMarkedColumns_.Delete(at);
          selection_.Columns().RemoveColumn(column.get());
        }
      }
    }
  }
  for (int i = 0; i < columns_.Count(); ++i) {
    columns_[i]->fieldLooked_ = false;
    columns_[i]->field_ = nullptr;
  }
  visibleColumns_.Clear();
  for (int i = 0; i < columns_.Count(); ++i) {
    if (columns_[i]->Visible()) visibleColumns_.Add(columns_[i]);
  }
  if (selectedIndex_ >= visibleColumns_.Count()) {
    selectedIndex_ = std::max(visibleColumns_.Count() - 1, 0);
  }
  if (leftCol_ >= visibleColumns_.Count()) leftCol_ = std::max(visibleColumns_.Count() - 1, 0);
}

void TDBGridEh::ComputeHeights() {
  dataRowHeight_ = TextHeight(font_) + (flat_ ? 1 : 3) + ((options_ & dgRowLines) ? 1 : 0);
  titleRowHeight_ = 0;
  if (options_ & dgTitles) {
    int tallest = 0;
    for (TColumnEh* column : visibleColumns_) {
      tallest = std::max(tallest, TextHeight(column->Title().Font()));
    }
    if (visibleColumns_.Count() == 0) tallest = TextHeight(titleFont_);
    titleRowHeight_ = tallest + (flat_ ? 2 : 4);
  }
  indicatorWidth_ = 0;
  if (options_ & dgIndicator) {
    indicatorWidth_ = 11;
    if (optionsEh_ & dghShowRecNo) {
      int count = DataLinkActive() ? std::max(sumList_->RecordCount(), 0) : 0;
      int digits = static_cast<int>(std::to_string(count).size());
      QFontMetrics metrics(platform::ToQFont(font_));
      indicatorWidth_ = std::max(11, digits * metrics.horizontalAdvance(QLatin1Char('0')) + 4 + 11);
    }
  }
}

void TDBGridEh::UpdateRowCount() {
  int height = viewport()->height();
  int used = (options_ & dgTitles) ? titleRowHeight_ + LineWidth() : 0;
  used += footerRowCount_ * (dataRowHeight_ + LineWidth());
  if (footerRowCount_ > 0) used += LineWidth();
  visibleDataRows_ = std::max((height - used) / (dataRowHeight_ + LineWidth()), 1);
  dataLink_->SetBufferCount(visibleDataRows_);
}

void TDBGridEh::SpreadWidths() {
  if (!autoFitColWidths_) return;
  std::vector<TColumnWidthEh> widths;
  widths.reserve(visibleColumns_.Count());
  for (TColumnEh* column : visibleColumns_) {
    widths.push_back(TColumnWidthEh{column->Width(), column->DefaultWidth(), column->widthAssigned_,
                                    column->minWidth_, column->maxWidth_, column->autoFitRefWidth_,
                                    column->autoFitColWidth_, false});
  }
  TAutoFitFrameEh frame;
  frame.ClientWidth = viewport()->width();
  frame.MinAutoFitWidth = minAutoFitWidth_;
  frame.Indicator = (options_ & dgIndicator) != 0;
  frame.IndicatorWidth = indicatorWidth_;
  frame.ColLines = (options_ & dgColLines) != 0;
  SpreadAutoFitWidths(widths, frame);
  for (int i = 0; i < visibleColumns_.Count(); ++i) {
    TColumnEh* column = visibleColumns_[i];
    column->width_ = widths[i].Width;
    column->widthAssigned_ = widths[i].Assigned;
    column->fixedMark_ = widths[i].Fixed;
  }
  leftCol_ = 0;
}

void TDBGridEh::UpdateScrollBars() {
  syncingScroll_ = true;
  QScrollBar* bar = verticalScrollBar();
  bool show = false;
  if (DataLinkActive() && (DataSet()->IsSequenced() || sumList_->RecordCount() >= 0)) {
    int count = std::max(sumList_->RecordCount(), 0);
    int page = visibleDataRows_;
    bar->setRange(1, std::max(count, 1));
    bar->setPageStep(page);
    bar->setSingleStep(1);
    TDataSetState state = DataSet()->State();
    if (state != dsEdit && state != dsInsert) {
      bar->setValue(std::max(sumList_->RecNo(), 1));
    }
    // The range runs from 1 to count + page - 1; the bar shows when it exceeds the page.
    show = count + page - 1 > page;
    bar->setEnabled(count > page);
  } else if (DataLinkActive()) {
    bar->setRange(0, 4);
    bar->setPageStep(0);
    TDataSet* dataSet = DataSet();
    bar->setValue(dataSet->Bof() ? 0 : (dataSet->Eof() ? 4 : 2));
    show = true;
  } else {
    bar->setRange(0, 0);
  }
  switch (vertScrollBar_.VisibleMode) {
    case sbAlwaysShowEh:
      show = true;
      break;
    case sbNeverShowEh:
      show = false;
      break;
    case sbAutoShowEh:
      break;
  }
  if (!vertScrollBar_.Visible) show = false;
  Qt::ScrollBarPolicy vpolicy = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (verticalScrollBarPolicy() != vpolicy) setVerticalScrollBarPolicy(vpolicy);

  bool hshow = false;
  if (!autoFitColWidths_ && horzScrollBar_.Visible && visibleColumns_.Count() > 0) {
    int total = IndicatorColCount() ? indicatorWidth_ + LineWidth() : 0;
    for (TColumnEh* column : visibleColumns_) total += column->Width() + LineWidth();
    hshow = total > viewport()->width() || leftCol_ > 0;
    QScrollBar* hbar = horizontalScrollBar();
    hbar->setRange(0, std::max(visibleColumns_.Count() - 1, 0));
    hbar->setPageStep(1);
    hbar->setValue(leftCol_);
  }
  Qt::ScrollBarPolicy hpolicy = hshow ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (horizontalScrollBarPolicy() != hpolicy) setHorizontalScrollBarPolicy(hpolicy);
  syncingScroll_ = false;
}

TCellAreaEh TDBGridEh::GetCellType(int col, int row) const {
  TCellAreaEh area;
  area.Horz = (col < IndicatorColCount()) ? hcIndicator : hcData;
  int titles = TitleRowCount();
  if (row >= 0 && row < titles) {
    area.Vert = vcTitle;
  } else if (row >= titles && row < titles + visibleDataRows_) {
    area.Vert = vcData;
  } else if (row >= titles + visibleDataRows_ && row < GridRowCount()) {
    area.Vert = vcFooter;
  } else {
    throw platform::Exception("Algorithm error in TCustomDBGridEh.GetCellType");
  }
  return area;
}

int TDBGridEh::ColumnLeftX(int visibleIndex) const {
  int x = IndicatorColCount() ? indicatorWidth_ + ((options_ & dgColLines) ? LineWidth() : 0) : 0;
  int line = (options_ & dgColLines) ? LineWidth() : 0;
  if (visibleIndex >= leftCol_) {
    for (int i = leftCol_; i < visibleIndex; ++i) x += visibleColumns_[i]->Width() + line;
  } else {
    for (int i = visibleIndex; i < leftCol_; ++i) x -= visibleColumns_[i]->Width() + line;
  }
  return x;
}

int TDBGridEh::FooterTop() const {
  return viewport()->height() - footerRowCount_ * (dataRowHeight_ + LineWidth());
}

int TDBGridEh::DataAreaBottom() const {
  int top = (options_ & dgTitles) ? titleRowHeight_ + LineWidth() : 0;
  return top + visibleDataRows_ * (dataRowHeight_ + LineWidth());
}

QRect TDBGridEh::CellRect(int col, int row) const {
  int left = 0;
  int width = 0;
  if (col < IndicatorColCount()) {
    if (col < 0) return {};
    width = indicatorWidth_;
  } else {
    int index = VisibleOfGridCol(col);
    if (index < 0 || index >= visibleColumns_.Count()) return {};
    if (index < leftCol_) return {};
    left = ColumnLeftX(index);
    width = visibleColumns_[index]->Width();
  }
  int titles = TitleRowCount();
  int top = 0;
  int height = 0;
  if (row < 0 || row >= GridRowCount()) return {};
  if (row < titles) {
    height = titleRowHeight_;
  } else if (row < titles + visibleDataRows_) {
    top = (titles ? titleRowHeight_ + LineWidth() : 0) +
          (row - titles) * (dataRowHeight_ + LineWidth());
    height = dataRowHeight_;
  } else {
    top = FooterTop() + (row - titles - visibleDataRows_) * (dataRowHeight_ + LineWidth());
    height = dataRowHeight_;
  }
  return QRect(left, top, width, height);
}

TGridCoord TDBGridEh::MouseCoord(QPoint point) const {
  TGridCoord none{-1, -1};
  int line = LineWidth();
  int col = -1;
  if (IndicatorColCount() && point.x() >= 0 && point.x() < indicatorWidth_ + line) {
    col = 0;
  } else {
    for (int i = leftCol_; i < visibleColumns_.Count(); ++i) {
      int left = ColumnLeftX(i);
      if (point.x() >= left && point.x() < left + visibleColumns_[i]->Width() + line) {
        col = GridColOfVisible(i);
        break;
      }
    }
  }
  if (col < 0) return none;
  int titles = TitleRowCount();
  int y = point.y();
  if (titles && y >= 0 && y < titleRowHeight_ + line) return {col, 0};
  int footerTop = FooterTop();
  if (footerRowCount_ > 0 && y >= footerTop) {
    int r = (y - footerTop) / (dataRowHeight_ + line);
    if (r < footerRowCount_) return {col, titles + visibleDataRows_ + r};
    return none;
  }
  int dataTop = titles ? titleRowHeight_ + line : 0;
  if (y < dataTop) return none;
  int r = (y - dataTop) / (dataRowHeight_ + line);
  if (r >= visibleDataRows_) return none;
  return {col, titles + r};
}

bool TDBGridEh::GridHasFocus() const {
  return hasFocus() || (editor_ != nullptr && editor_->hasFocus());
}

void TDBGridEh::InvalidateGrid() { viewport()->update(); }

void TDBGridEh::ColumnsRemoving(TColumnEh* column) {
  TDBGridEhSelectionCols& cols = selection_.Columns();
  if (column == nullptr) {
    cols.Clear();
  } else {
    cols.RemoveColumn(column);
  }
  if (column == nullptr || cols.Anchor == column) cols.Anchor = nullptr;
  if (column == nullptr || cols.Shift == column) cols.Shift = nullptr;
  if (selection_.SelectionType() == gstColumns && cols.Count() == 0) selection_.ResetToNone();
  if (column == nullptr) {
    sortMarkedColumns_.Clear();
  } else {
    int at = sortMarkedColumns_.IndexOf(column);
    if (at >= 0) sortMarkedColumns_.Delete(at);
  }
  // The layout rebuilds the visible list; the sums hold footer pointers.
  visibleColumns_.Clear();
  sumList_->ClearSums();
}

void TDBGridEh::ColumnsChanged() { RunLayout(); }

int TDBGridEh::RecordNumberOfRow(int row) const {
  if (!DataLinkActive()) return -1;
  int current = sumList_->RecNo();
  if (current < 0) return -1;
  return current - dataLink_->ActiveRecord() + row;
}

// ---------------------------------------------------------------------------------------------
// Data link notices

void TDBGridEh::LinkActiveChanged() {
  StopIncSearch();
  HideEditor();
  // Opening, closing or reopening the result set always starts with nothing selected.
  selection_.rows_.items_.clear();
  selection_.rows_.cacheIndex_ = -1;
  selection_.rect_.Clear();
  selection_.columns_.Clear();
  TDBGridEhSelectionType old = selection_.type_;
  selection_.type_ = gstNon;
  if (old != gstNon && OnSelectionChanged) OnSelectionChanged(*this);
  if (DataLinkActive()) sumList_->SetDataSet(DataSet());
  RunLayout();
}

void TDBGridEh::LinkDataChanged() {
  // A record change the search walk did not make ends the search.
  if (!incSearchMoving_) StopIncSearch();
  HideEditor();
  UpdateScrollBars();
  InvalidateGrid();
}

void TDBGridEh::LinkScrolled(int /*distance*/) {
  if (!incSearchMoving_) StopIncSearch();
  HideEditor();
  UpdateScrollBars();
  InvalidateGrid();
}

void TDBGridEh::LinkLayoutChanged() { RunLayout(); }

void TDBGridEh::LinkRecordChanged() { InvalidateGrid(); }

// ---------------------------------------------------------------------------------------------
// Movement

void TDBGridEh::MoveBy(int distance) {
  if (!DataLinkActive() || distance == 0) return;
  dataLink_->MoveBy(distance);
}

void TDBGridEh::TabMove(bool back) {
  ClearOnMove();
  int count = visibleColumns_.Count();
  if (count == 0) return;
  if (!back) {
    if (selectedIndex_ < count - 1) {
      SetSelectedIndex(selectedIndex_ + 1);
      return;
    }
    if (!DataLinkActive()) return;
    TDataSet* dataSet = DataSet();
    dataSet->Next();
    // At the last record the read-only grid appends nothing: it stays and goes to column 0.
    SetSelectedIndex(0);
  } else {
    if (selectedIndex_ > 0) {
      SetSelectedIndex(selectedIndex_ - 1);
      return;
    }
    if (!DataLinkActive()) return;
    TDataSet* dataSet = DataSet();
    TBookmark before = dataSet->GetBookmark();
    dataSet->Prior();
    if (dataSet->CompareBookmarks(before, dataSet->GetBookmark()) != 0) {
      SetSelectedIndex(count - 1);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Sorting marks

void TDBGridEh::ToggleSortMarker(TColumnTitleEh& title, bool add) {
  if (!add) {
    for (int i = 0; i < columns_.Count(); ++i) {
      TColumnTitleEh& other = columns_[i]->Title();
      if (&other != &title && other.SortMarker() != smNoneEh) other.SetSortMarker(smNoneEh);
    }
  }
  TSortMarkerEh next = smDownEh;
  switch (title.SortMarker()) {
    case smNoneEh:
      next = smDownEh;
      break;
    case smDownEh:
      next = smUpEh;
      break;
    case smUpEh:
      next = add ? smNoneEh : smDownEh;
      break;
  }
  AssignSortMarker(title, next);
}

void TDBGridEh::SortMarkersChanged() {
  if (!(optionsEh_ & dghAutoSortMarking)) return;
  if (OnSortMarkingChanged) {
    OnSortMarkingChanged(*this);
    return;
  }
  // Without a registered service (none in this program) the marks are display only and the
  // rows keep the order the result set delivered.
  if (TDataSet* dataSet = DataSet()) {
    if (std::shared_ptr<TSortingServiceEh> service = FindSortingService(*dataSet)) {
      service->ApplySorting(*this, *dataSet, dataSet->Active());
    }
  }
  InvalidateGrid();
}

void TDBGridEh::AssignSortMarker(TColumnTitleEh& title, TSortMarkerEh marker) {
  title.SetSortMarker(marker);
}

void TDBGridEh::AssignSortIndex(TColumnTitleEh& title, int index) { title.SetSortIndex(index); }
