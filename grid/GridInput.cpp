// Keyboard, mouse, wheel and scroll bar handling of the report grid.
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "grid/DBGridEh.h"
#include "grid/ToolTipsWindow.h"
#include "grid/GridDataLink.h"
#include "grid/GridLayout.h"
#include "platform/Cp1252.h"

namespace {
// Half width of the column sizing band around a column's right line.
constexpr int kSizingBand = 3;
// A title press turns into column moving after a move of more than this many pixels.
constexpr int kMoveThreshold = 3;
}  // namespace

TBookmark TDBGridEh::CurrentBookmark() const {
  return DataLinkActive() ? DataSet()->GetBookmark() : TBookmark{};
}

int TDBGridEh::CurrentColumnIndex() const {
  TColumnEh* column = CurrentColumn();
  return column != nullptr ? column->Index() : -1;
}

bool TDBGridEh::focusNextPrevChild(bool next) {
  if (options_ & dgTabs) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

void TDBGridEh::ExtendSelection(const std::function<void()>& move) {
  bool rectangle = IsTypeAllowed(gstRectangle);
  if (rectangle) {
    if (selection_.SelectionType() != gstRectangle || !selection_.Rect().IsSet()) {
      TBookmark anchor = CurrentBookmark();
      int col = CurrentColumnIndex();
      DropSelection();
      selection_.Rect().SetAnchor(col, anchor);
    }
    move();
    selection_.Rect().SetShift(CurrentColumnIndex(), CurrentBookmark());
    selection_.SetSelectionType(gstRectangle);
    InvalidateGrid();
    return;
  }
  if (!IsTypeAllowed(gstRecordBookmarks)) {
    move();
    return;
  }
  TDataSet* dataSet = DataSet();
  if (selection_.SelectionType() != gstRecordBookmarks || rowAnchor_.empty()) {
    rowAnchor_ = CurrentBookmark();
  }
  TBookmark from = CurrentBookmark();
  move();
  TBookmark to = CurrentBookmark();
  if (from.empty() || to.empty()) return;
  // Records between the anchor and the new current record are selected; moving back toward
  // the anchor deselects the records left behind.
  int dir = dataSet->CompareBookmarks(from, to);
  if (dir == 0) {
    selection_.Rows().Insert(to);
    return;
  }
  dataSet->DisableControls();
  try {
    dataSet->GotoBookmark(from);
    bool anchorFirst = dataSet->CompareBookmarks(rowAnchor_, to) <= 0;
    const TBookmark& low = anchorFirst ? rowAnchor_ : to;
    const TBookmark& high = anchorFirst ? to : rowAnchor_;
    while (true) {
      TBookmark here = dataSet->GetBookmark();
      if (dataSet->CompareBookmarks(low, here) <= 0 && dataSet->CompareBookmarks(here, high) <= 0) {
        selection_.Rows().Insert(here);
      } else {
        selection_.Rows().Remove(here);
      }
      if (dataSet->CompareBookmarks(here, to) == 0) break;
      if (dir < 0) {
        dataSet->Next();
      } else {
        dataSet->Prior();
      }
      if (dataSet->Eof() || dataSet->Bof()) break;
    }
    dataSet->GotoBookmark(to);
  } catch (...) {
    dataSet->EnableControls();
    throw;
  }
  dataSet->EnableControls();
}

void TDBGridEh::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers m = event->modifiers();
  const bool ctrl = m & Qt::ControlModifier;
  const bool shift = m & Qt::ShiftModifier;
  const bool alt = m & Qt::AltModifier;
  const int key = event->key();
  event->accept();
  // An active search sees the keys first; typed characters may start one.
  if (IncSearchKeyPress(event)) return;

  if (key == Qt::Key_Escape) {
    HideEditor();
    // Pending changes of the data link are discarded.
    if (DataLinkActive() && dataLink_->Editing()) DataSet()->Cancel();
    if (mouseMode_ != MouseMode::None) {
      mouseMode_ = MouseMode::None;
      releaseMouse();
    }
    DropSelection();
    return;
  }
  if (ctrl && (key == Qt::Key_C || key == Qt::Key_Insert)) {
    if (DataLinkActive() && (editActions_ & geaCopyEh) && OnCopyToClipboard) {
      OnCopyToClipboard(*this);
    }
    return;
  }
  if (ctrl && key == Qt::Key_A) {
    if (CanSelectAll() && (editActions_ & geaSelectAllEh)) selection_.SelectEverything();
    return;
  }
  if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !alt && (options_ & dgTabs)) {
    TabMove(key == Qt::Key_Backtab || shift);
    return;
  }
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (optionsEh_ & dghEnterAsTab) && !ctrl) {
    TabMove(shift);
    return;
  }
  if (key == Qt::Key_F2 && !ctrl && !alt && !shift) {
    ShowEditor();
    return;
  }
  if (key == Qt::Key_Insert || key == Qt::Key_Delete) {
    // The grid neither inserts nor deletes records: refused silently, as the read-only grid
    // must.
    return;
  }
  if (!DataLinkActive()) {
    event->ignore();
    return;
  }
  TDataSet* dataSet = DataSet();
  const int active = dataLink_->ActiveRecord();
  const int shown = dataLink_->RecordCount();
  const int count = visibleColumns_.Count();
  const bool multi = (options_ & dgMultiSelect) != 0;
  auto run = [&](bool clear, const std::function<void()>& move) {
    if (multi && shift) {
      ExtendSelection(move);
      return;
    }
    if (clear) ClearOnMove();
    move();
  };
  switch (key) {
    case Qt::Key_Up:
      if (ctrl) {
        run(true, [&] { MoveBy(-active); });
      } else {
        run(false, [&] { MoveBy(-1); });
      }
      break;
    case Qt::Key_Down:
      if (ctrl) {
        run(true, [&] { MoveBy(shown - 1 - active); });
      } else {
        run(false, [&] { MoveBy(1); });
      }
      break;
    case Qt::Key_PageUp:
      run(true, [&] { MoveBy(ctrl ? -active : -visibleDataRows_); });
      break;
    case Qt::Key_PageDown:
      run(true, [&] { MoveBy(ctrl ? shown - 1 - active : visibleDataRows_); });
      break;
    case Qt::Key_Home:
      if (ctrl || count == 1) {
        run(true, [&] { dataSet->First(); });
      } else {
        run(false, [&] { SetSelectedIndex(0); });
      }
      break;
    case Qt::Key_End:
      if (ctrl || count == 1) {
        run(true, [&] { dataSet->Last(); });
      } else {
        run(false, [&] { SetSelectedIndex(count - 1); });
      }
      break;
    case Qt::Key_Left:
      if (ctrl) {
        run(false, [&] { SetSelectedIndex(0); });
      } else {
        run(true, [&] { SetSelectedIndex(selectedIndex_ - 1); });
      }
      break;
    case Qt::Key_Right:
      if (ctrl) {
        run(false, [&] { SetSelectedIndex(count - 1); });
      } else {
        run(true, [&] { SetSelectedIndex(selectedIndex_ + 1); });
      }
      break;
    default:
      event->ignore();
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
}

// ---------------------------------------------------------------------------------------------
// Mouse

int TDBGridEh::SizingBandColumn(QPoint point) const {
  if (!(optionsEh_ & dghColumnResize) || !(options_ & dgTitles)) return -1;
  if (point.y() < 0 || point.y() >= titleRowHeight_ + LineWidth()) return -1;
  for (int i = leftCol_; i < visibleColumns_.Count(); ++i) {
    int line = ColumnLeftX(i) + visibleColumns_[i]->Width();
    if (point.x() >= line - kSizingBand && point.x() <= line + kSizingBand) return i;
  }
  return -1;
}

void TDBGridEh::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  QPoint point = event->position().toPoint();
  const Qt::KeyboardModifiers m = event->modifiers();
  const bool shift = m & Qt::ShiftModifier;
  const bool ctrl = m & Qt::ControlModifier;
  const bool left = event->button() == Qt::LeftButton;
  const bool right = event->button() == Qt::RightButton;
  if (!left && !right) return;

  int band = left ? SizingBandColumn(point) : -1;
  if (band >= 0) {
    mouseMode_ = MouseMode::Sizing;
    sizingColumn_ = band;
    sizingX_ = point.x();
    InvalidateGrid();
    return;
  }
  TGridCoord cell = MouseCoord(point);
  if (cell.X < 0) return;
  TCellAreaEh area = GetCellType(cell.X, cell.Y);
  const bool multi = (options_ & dgMultiSelect) != 0;
  if (area.Vert == vcTitle) {
    if (area.Horz != hcData) return;
    int index = VisibleOfGridCol(cell.X);
    TColumnEh* column = visibleColumns_[index];
    QRect rect = CellRect(cell.X, cell.Y);
    if (left && multi && IsTypeAllowed(gstColumns) && point.y() >= rect.bottom() - 6) {
      // The bottom of a title selects whole columns.
      TDBGridEhSelectionCols& cols = selection_.Columns();
      if (ctrl) {
        if (selection_.SelectionType() != gstColumns) DropSelection();
        if (cols.Contains(column)) {
          cols.RemoveColumn(column);
        } else {
          cols.AddColumn(column);
        }
        cols.Anchor = column;
      } else if (shift && cols.Anchor != nullptr) {
        cols.SelectRange(cols.Anchor, column);
      } else {
        DropSelection();
        cols.SelectRange(column, column);
      }
      selection_.SetSelectionType(cols.Count() > 0 ? gstColumns : gstNon);
      selecting_ = true;
      InvalidateGrid();
      return;
    }
    pressColumn_ = index;
    pressPoint_ = point;
    moveTarget_ = index;
    if (right) {
      if (optionsEh_ & dghColumnMove) mouseMode_ = MouseMode::Moving;
      return;
    }
    if (column->Title().TitleButton()) {
      mouseMode_ = MouseMode::TitlePress;
      pressDown_ = true;
    } else if (optionsEh_ & dghColumnMove) {
      mouseMode_ = MouseMode::Moving;
    }
    InvalidateGrid();
    return;
  }
  if (area.Vert != vcData || !DataLinkActive()) return;
  int row = cell.Y - TitleRowCount();
  if (row >= dataLink_->RecordCount()) return;
  TBookmark before = CurrentBookmark();
  int beforeCol = CurrentColumnIndex();
  const bool wasCurrent = area.Horz == hcData && row == dataLink_->ActiveRecord() &&
                          VisibleOfGridCol(cell.X) == selectedIndex_;
  HideEditor();
  bool selectedBefore = false;
  if (area.Horz == hcData) {
    // Whether the pressed cell is selected, tested on its own record before moving.
    int saved = dataLink_->ActiveRecord();
    dataLink_->SetActiveRecord(row);
    selectedBefore = selection_.IsCellSelected(visibleColumns_[VisibleOfGridCol(cell.X)]->Index(),
                                               DataSet()->GetBookmark());
    dataLink_->SetActiveRecord(saved);
  }
  MoveBy(row - dataLink_->ActiveRecord());
  if (area.Horz == hcData) SetSelectedIndex(VisibleOfGridCol(cell.X));

  if (multi && area.Horz == hcIndicator && left && IsTypeAllowed(gstRecordBookmarks)) {
    TBookmark pressed = CurrentBookmark();
    if (shift && !rowAnchor_.empty()) {
      ExtendSelection([] {});
    } else if (ctrl || !(optionsEh_ & dghClearSelection)) {
      if (selection_.Rows().Contains(pressed)) {
        selection_.Rows().Remove(pressed);
      } else {
        selection_.Rows().Insert(pressed);
      }
      rowAnchor_ = pressed;
    } else {
      DropSelection();
      selection_.Rows().Insert(pressed);
      rowAnchor_ = pressed;
    }
    selecting_ = true;
    return;
  }
  if (multi && area.Horz == hcData && left && IsTypeAllowed(gstRectangle)) {
    if (shift) {
      if (selection_.SelectionType() != gstRectangle || !selection_.Rect().IsSet()) {
        DropSelection();
        selection_.Rect().SetAnchor(beforeCol, before);
      }
    } else {
      DropSelection();
      selection_.Rect().SetAnchor(CurrentColumnIndex(), CurrentBookmark());
    }
    selection_.Rect().SetShift(CurrentColumnIndex(), CurrentBookmark());
    if (shift) selection_.SetSelectionType(gstRectangle);
    selecting_ = true;
    InvalidateGrid();
    return;
  }
  if (!shift && !ctrl && (optionsEh_ & dghClearSelection)) {
    if (left || !selectedBefore) DropSelection();
  }
  if (left && wasCurrent && !shift && !ctrl) ShowEditor();
}

void TDBGridEh::mouseMoveEvent(QMouseEvent* event) {
  QPoint point = event->position().toPoint();
  switch (mouseMode_) {
    case MouseMode::Sizing:
      sizingX_ = point.x();
      InvalidateGrid();
      return;
    case MouseMode::TitlePress: {
      QPoint delta = point - pressPoint_;
      if ((std::abs(delta.x()) > kMoveThreshold || std::abs(delta.y()) > kMoveThreshold) &&
          (optionsEh_ & dghColumnMove)) {
        mouseMode_ = MouseMode::Moving;
        pressDown_ = false;
      } else {
        TGridCoord cell = MouseCoord(point);
        bool over = cell.Y == 0 && VisibleOfGridCol(cell.X) == pressColumn_;
        if (over != pressDown_) {
          pressDown_ = over;
          InvalidateGrid();
        }
        return;
      }
      [[fallthrough]];
    }
    case MouseMode::Moving: {
      TGridCoord cell = MouseCoord(QPoint(point.x(), 1));
      if (cell.X >= IndicatorColCount()) moveTarget_ = VisibleOfGridCol(cell.X);
      if (point.x() < 0 && leftCol_ > 0) --leftCol_;
      if (point.x() > viewport()->width() && !autoFitColWidths_ &&
          leftCol_ < visibleColumns_.Count() - 1) {
        ++leftCol_;
      }
      InvalidateGrid();
      return;
    }
    case MouseMode::None:
      break;
  }
  if (selecting_ && (event->buttons() & Qt::LeftButton) && DataLinkActive()) {
    dragPoint_ = point;
    const int dataTop = TitleRowCount() ? titleRowHeight_ + LineWidth() : 0;
    if (selection_.SelectionType() != gstColumns &&
        (point.y() < dataTop || point.y() >= DataAreaBottom() || point.x() < 0 ||
         point.x() >= viewport()->width())) {
      if (autoScroll_ == nullptr) {
        autoScroll_ = new QTimer(this);
        autoScroll_->setInterval(60);
        connect(autoScroll_, &QTimer::timeout, this, [this] { AutoScrollTick(); });
      }
      if (!autoScroll_->isActive()) autoScroll_->start();
      return;
    }
    TGridCoord cell = MouseCoord(point);
    if (cell.X < 0) return;
    TCellAreaEh area = GetCellType(cell.X, cell.Y);
    if (selection_.SelectionType() == gstColumns || (area.Vert == vcTitle && area.Horz == hcData)) {
      if (area.Horz == hcData && selection_.Columns().Anchor != nullptr) {
        selection_.Columns().SelectRange(selection_.Columns().Anchor,
                                         visibleColumns_[VisibleOfGridCol(cell.X)]);
        selection_.SetSelectionType(gstColumns);
        InvalidateGrid();
      }
      return;
    }
    if (area.Vert != vcData) return;
    int row = cell.Y - TitleRowCount();
    if (row >= dataLink_->RecordCount()) return;
    if (area.Horz == hcIndicator || selection_.SelectionType() == gstRecordBookmarks) {
      ExtendSelection([&] { MoveBy(row - dataLink_->ActiveRecord()); });
      return;
    }
    MoveBy(row - dataLink_->ActiveRecord());
    SetSelectedIndex(VisibleOfGridCol(cell.X));
    selection_.Rect().SetShift(CurrentColumnIndex(), CurrentBookmark());
    if (selection_.Rect().IsSet()) selection_.SetSelectionType(gstRectangle);
    InvalidateGrid();
    return;
  }
  viewport()->setCursor(SizingBandColumn(point) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void TDBGridEh::mouseReleaseEvent(QMouseEvent* event) {
  QPoint point = event->position().toPoint();
  MouseMode mode = mouseMode_;
  mouseMode_ = MouseMode::None;
  selecting_ = false;
  if (autoScroll_ != nullptr) autoScroll_->stop();
  switch (mode) {
    case MouseMode::Sizing: {
      int index = sizingColumn_;
      sizingColumn_ = -1;
      int newWidth = point.x() - ColumnLeftX(index);
      if (newWidth > 1) ApplyResize(index, newWidth);
      InvalidateGrid();
      return;
    }
    case MouseMode::TitlePress: {
      pressDown_ = false;
      TGridCoord cell = MouseCoord(point);
      int index = pressColumn_;
      pressColumn_ = -1;
      InvalidateGrid();
      if (cell.Y != 0 || VisibleOfGridCol(cell.X) != index) return;
      TColumnEh* column = visibleColumns_[index];
      if (OnTitleBtnClick) OnTitleBtnClick(*this, column->Index(), *column);
      bool ctrl = event->modifiers() & Qt::ControlModifier;
      if (optionsEh_ & dghAutoSortMarking) ToggleSortMarker(column->Title(), ctrl);
      // With Ctrl held the marks are applied once, when Ctrl goes up.
      if (ctrl) {
        sortPending_ = true;
      } else {
        SortMarkersChanged();
      }
      return;
    }
    case MouseMode::Moving: {
      int from = pressColumn_;
      int to = moveTarget_;
      pressColumn_ = moveTarget_ = -1;
      if (from >= 0 && to >= 0 && from != to) MoveColumnTo(from, to);
      InvalidateGrid();
      return;
    }
    case MouseMode::None:
      break;
  }
}

void TDBGridEh::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is not a new title press; elsewhere it acts as a press.
  TGridCoord cell = MouseCoord(event->position().toPoint());
  if (cell.X >= 0 && TitleRowCount() && cell.Y == 0) return;
  mousePressEvent(event);
}

void TDBGridEh::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Control && sortPending_) {
    sortPending_ = false;
    SortMarkersChanged();
  }
  QAbstractScrollArea::keyReleaseEvent(event);
}

void TDBGridEh::ApplyResize(int visibleIndex, int newWidth) {
  std::vector<TColumnWidthEh> widths;
  for (TColumnEh* column : visibleColumns_) {
    widths.push_back(TColumnWidthEh{column->Width(), column->DefaultWidth(), column->widthAssigned_,
                                    column->minWidth_, column->maxWidth_, column->autoFitRefWidth_,
                                    column->autoFitColWidth_, false});
  }
  if (!ResizeColumnByMouse(widths, visibleIndex, newWidth, autoFitColWidths_)) return;
  for (int i = 0; i < visibleColumns_.Count(); ++i) {
    TColumnEh* column = visibleColumns_[i];
    column->width_ = widths[i].Width;
    column->widthAssigned_ = widths[i].Assigned;
    column->autoFitRefWidth_ = widths[i].RefWidth;
  }
  RunLayout();
  if (OnColWidthsChanged) OnColWidthsChanged(*this);
}

void TDBGridEh::MoveColumnTo(int fromVisible, int toVisible) {
  TColumnEh* moved = visibleColumns_[fromVisible];
  TColumnEh* target = visibleColumns_[toVisible];
  int from = moved->Index();
  int to = target->Index();
  TColumnEh* current = CurrentColumn();
  columns_.Move(from, to);
  if (current != nullptr) {
    int at = visibleColumns_.IndexOf(current);
    if (at >= 0) selectedIndex_ = at;
  }
  if (OnColumnMoved) OnColumnMoved(*this, from, to);
}

// ---------------------------------------------------------------------------------------------
// Wheel and scroll bar

void TDBGridEh::wheelEvent(QWheelEvent* event) {
  if (!DataLinkActive()) return;
  int notches = event->angleDelta().y() / 120;
  if (notches == 0 && event->angleDelta().y() != 0) notches = event->angleDelta().y() > 0 ? 1 : -1;
  // Toward the user (negative delta) moves down.
  for (int i = 0; i < std::abs(notches); ++i) MoveBy(notches > 0 ? -1 : 1);
  event->accept();
}

void TDBGridEh::VScrollAction(int action) {
  if (!DataLinkActive()) return;
  QScrollBar* bar = verticalScrollBar();
  TDataSet* dataSet = DataSet();
  const int active = dataLink_->ActiveRecord();
  const int shown = dataLink_->RecordCount();
  const bool sequenced = dataSet->IsSequenced() || sumList_->RecordCount() >= 0;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      MoveBy(-(active + 1));
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      MoveBy(shown - active);
      break;
    case QAbstractSlider::SliderPageStepSub:
      MoveBy(-visibleDataRows_);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      MoveBy(visibleDataRows_);
      break;
    case QAbstractSlider::SliderToMinimum:
      dataSet->First();
      break;
    case QAbstractSlider::SliderToMaximum:
      dataSet->Last();
      break;
    case QAbstractSlider::SliderMove: {
      int position = bar->sliderPosition();
      if (sequenced) {
        int count = sumList_->RecordCount();
        if (vertScrollBar_.Tracking) {
          MoveBy(position - sumList_->RecNo());
        } else if (position <= 1) {
          dataSet->First();
        } else if (position >= count) {
          dataSet->Last();
        } else {
          MoveBy(position - sumList_->RecNo());
        }
      } else {
        switch (position) {
          case 0:
            dataSet->First();
            break;
          case 1:
            MoveBy(-visibleDataRows_);
            break;
          case 3:
            MoveBy(visibleDataRows_);
            break;
          case 4:
            dataSet->Last();
            break;
          default:
            break;
        }
      }
      break;
    }
    default:
      break;
  }
  UpdateScrollBars();
  bar->setSliderPosition(bar->value());
}

void TDBGridEh::scrollContentsBy(int /*dx*/, int /*dy*/) {
  // Scrolling moves the current record (vertical) or the first shown column (horizontal);
  // the picture is repainted from the model.
  InvalidateGrid();
}

void TDBGridEh::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  RunLayout();
}

void TDBGridEh::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  InvalidateGrid();
}

void TDBGridEh::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  InvalidateGrid();
}

bool TDBGridEh::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize && !inLayout_) RunLayout();
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    std::string text;
    platform::TFontSpec font;
    QPoint at;
    if (showHint_ && CellHint(help->pos(), text, font, at)) {
      if (hintWindow_ == nullptr) hintWindow_ = new TToolTipsWindow(viewport());
      const TGridCoord cell = MouseCoord(help->pos());
      const QRect area = CellRect(cell.X, cell.Y);
      hintWindow_->ShowHint(platform::ToQString(text), platform::ToQFont(font),
                            viewport()->mapToGlobal(at),
                            QRect(viewport()->mapToGlobal(area.topLeft()), area.size()));
    } else {
      if (hintWindow_ != nullptr) hintWindow_->hide();
      event->ignore();
    }
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

// ---------------------------------------------------------------------------------------------
// In-place editor

void TDBGridEh::ShowEditor() {
  TColumnEh* column = CurrentColumn();
  if (column == nullptr || !DataLinkActive() || DataSet()->IsEmpty()) return;
  if (selection_.SelectionType() != gstNon) return;
  if (editor_ == nullptr) {
    editor_ = new QLineEdit(viewport());
    editor_->setFrame(false);
    editor_->installEventFilter(this);
  }
  TField* field = column->Field();
  std::string text = field != nullptr ? field->EditText() : std::string();
  QRect rect =
      CellRect(GridColOfVisible(selectedIndex_), TitleRowCount() + dataLink_->ActiveRecord());
  if (rect.isEmpty()) return;
  // The grid writes nothing back through its editor (the report grid is read-only), so the
  // editor never accepts typing.
  editor_->setReadOnly(true);
  editor_->setFont(platform::ToQFont(column->Font()));
  editor_->setAlignment(column->Alignment() == taRightJustify
                            ? Qt::AlignRight
                            : (column->Alignment() == taCenter ? Qt::AlignHCenter : Qt::AlignLeft));
  editor_->setText(platform::ToQString(text));
  editor_->deselect();
  editor_->setCursorPosition(editor_->text().size());
  editor_->setGeometry(rect);
  editor_->show();
  editor_->setFocus();
}

void TDBGridEh::HideEditor() {
  if (editor_ == nullptr || !editor_->isVisible()) return;
  bool hadFocus = editor_->hasFocus();
  editor_->hide();
  if (hadFocus) setFocus();
}

bool TDBGridEh::EditorVisible() const { return editor_ != nullptr && editor_->isVisible(); }

bool TDBGridEh::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    bool toGrid = false;
    switch (key->key()) {
      case Qt::Key_Escape:
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
      case Qt::Key_Return:
      case Qt::Key_Enter:
        toGrid = true;
        break;
      case Qt::Key_Left:
        toGrid = editor_->cursorPosition() == 0;
        break;
      case Qt::Key_Right:
        toGrid = editor_->cursorPosition() == editor_->text().size();
        break;
      case Qt::Key_A:
        toGrid = ctrl;
        break;
      default:
        break;
    }
    if (toGrid) {
      HideEditor();
      keyPressEvent(key);
      return true;
    }
  }
  if (watched == editor_ &&
      (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
    InvalidateGrid();
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Auto-scroll of a selection drag

void TDBGridEh::AutoScrollTick() {
  if (!selecting_ || !DataLinkActive()) {
    autoScroll_->stop();
    return;
  }
  const int dataTop = TitleRowCount() ? titleRowHeight_ + LineWidth() : 0;
  const int dataBottom = DataAreaBottom();
  int distance = 0;
  if (dragPoint_.y() < dataTop) {
    distance = -std::min((dataTop - dragPoint_.y()) / 6 + 1, 8);
  } else if (dragPoint_.y() >= dataBottom) {
    distance = std::min((dragPoint_.y() - dataBottom) / 6 + 1, 8);
  }
  int columnStep = 0;
  if (dragPoint_.x() < (IndicatorColCount() ? indicatorWidth_ : 0)) columnStep = -1;
  if (dragPoint_.x() >= viewport()->width()) columnStep = 1;
  if (distance == 0 && columnStep == 0) {
    autoScroll_->stop();
    return;
  }
  ExtendSelection([&] {
    if (distance != 0) MoveBy(distance);
    if (columnStep != 0) SetSelectedIndex(selectedIndex_ + columnStep);
  });
}
