#include "grid/SelectionEh.h"

#include <algorithm>

#include "grid/DBGridEh.h"

// ---------------------------------------------------------------------------------------------
// Row list

int TBookmarkListEh::Compare(const TBookmark& a, const TBookmark& b) const {
  TDataSet* dataSet = grid_->DataSet();
  if (dataSet != nullptr) return dataSet->CompareBookmarks(a, b);
  return a < b ? -1 : (b < a ? 1 : 0);
}

bool TBookmarkListEh::Find(const TBookmark& bookmark, int& index) const {
  if (cacheIndex_ >= 0 && cacheIndex_ < Count() && bookmark == cacheBookmark_) {
    index = cacheIndex_;
    return true;
  }
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int order = Compare(items_[middle], bookmark);
    if (order < 0) {
      low = middle + 1;
    } else if (order > 0) {
      high = middle - 1;
    } else {
      index = middle;
      cacheBookmark_ = bookmark;
      cacheIndex_ = middle;
      return true;
    }
  }
  index = low;
  return false;
}

bool TBookmarkListEh::Contains(const TBookmark& bookmark) const {
  int index = 0;
  return Find(bookmark, index);
}

void TBookmarkListEh::Insert(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  int index = 0;
  if (Find(bookmark, index)) return;
  items_.insert(items_.begin() + index, bookmark);
  Changed();
}

void TBookmarkListEh::Remove(const TBookmark& bookmark) {
  int index = 0;
  if (!Find(bookmark, index)) return;
  items_.erase(items_.begin() + index);
  Changed();
}

void TBookmarkListEh::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

bool TBookmarkListEh::CurrentRowSelected() const {
  if (!grid_->DataLinkActive()) {
    throw EDatabaseError("Cannot perform this operation on a closed dataset");
  }
  return Contains(grid_->DataSet()->GetBookmark());
}

void TBookmarkListEh::SetCurrentRowSelected(bool value) {
  if (!grid_->DataLinkActive()) {
    throw EDatabaseError("Cannot perform this operation on a closed dataset");
  }
  TBookmark current = grid_->DataSet()->GetBookmark();
  if (value) {
    Insert(current);
  } else {
    Remove(current);
  }
}

void TBookmarkListEh::Changed() {
  cacheIndex_ = -1;
  cacheBookmark_.clear();
  TDBGridEhSelection& selection = grid_->Selection();
  if (!items_.empty() && selection.SelectionType() != gstRecordBookmarks) {
    selection.Rect().Clear();
    selection.Columns().Clear();
    selection.SetSelectionType(gstRecordBookmarks);
  } else if (items_.empty() && selection.SelectionType() == gstRecordBookmarks) {
    selection.SetSelectionType(gstNon);
  }
  grid_->InvalidateGrid();
}

// ---------------------------------------------------------------------------------------------
// Rectangle

int TDBGridEhSelectionRect::LeftCol() const { return std::min(anchorCol_, shiftCol_); }
int TDBGridEhSelectionRect::RightCol() const { return std::max(anchorCol_, shiftCol_); }

TBookmark TDBGridEhSelectionRect::TopRow() const {
  TDataSet* dataSet = grid_->DataSet();
  bool anchorFirst = dataSet == nullptr || dataSet->CompareBookmarks(anchorRow_, shiftRow_) <= 0;
  return anchorFirst ? anchorRow_ : shiftRow_;
}

TBookmark TDBGridEhSelectionRect::BottomRow() const {
  TDataSet* dataSet = grid_->DataSet();
  bool anchorFirst = dataSet == nullptr || dataSet->CompareBookmarks(anchorRow_, shiftRow_) <= 0;
  return anchorFirst ? shiftRow_ : anchorRow_;
}

void TDBGridEhSelectionRect::SetAnchor(int col, const TBookmark& row) {
  anchorCol_ = shiftCol_ = col;
  anchorRow_ = shiftRow_ = row;
}

void TDBGridEhSelectionRect::SetShift(int col, const TBookmark& row) {
  shiftCol_ = col;
  shiftRow_ = row;
}

bool TDBGridEhSelectionRect::Contains(int col, const TBookmark& row) const {
  if (!IsSet() || col < 0 || col < LeftCol() || col > RightCol() || row.empty()) return false;
  TDataSet* dataSet = grid_->DataSet();
  if (dataSet == nullptr) return false;
  return dataSet->CompareBookmarks(TopRow(), row) <= 0 &&
         dataSet->CompareBookmarks(row, BottomRow()) <= 0;
}

void TDBGridEhSelectionRect::Clear() {
  anchorCol_ = shiftCol_ = -1;
  anchorRow_.clear();
  shiftRow_.clear();
}

// ---------------------------------------------------------------------------------------------
// Column list

void TDBGridEhSelectionCols::AddColumn(TColumnEh* column) {
  if (column == nullptr || Contains(column)) return;
  int index = column->Index();
  int at = 0;
  while (at < Count() && (*this)[at]->Index() < index) ++at;
  Insert(at, column);
}

void TDBGridEhSelectionCols::RemoveColumn(TColumnEh* column) {
  int at = IndexOf(column);
  if (at >= 0) Delete(at);
}

void TDBGridEhSelectionCols::Refresh() {
  std::vector<TColumnEh*> kept;
  for (TColumnEh* column : *this) {
    if (column->Index() >= 0) kept.push_back(column);
  }
  std::sort(kept.begin(), kept.end(),
            [](TColumnEh* a, TColumnEh* b) { return a->Index() < b->Index(); });
  Clear();
  for (TColumnEh* column : kept) Add(column);
  if (Anchor != nullptr && Anchor->Index() < 0) Anchor = nullptr;
  if (Shift != nullptr && Shift->Index() < 0) Shift = nullptr;
}

void TDBGridEhSelectionCols::SelectRange(TColumnEh* anchor, TColumnEh* column) {
  Clear();
  int from = std::min(anchor->Index(), column->Index());
  int to = std::max(anchor->Index(), column->Index());
  for (int i = from; i <= to; ++i) {
    TColumnEh* c = grid_->Columns()[i];
    if (c->Visible()) Add(c);
  }
  Anchor = anchor;
  Shift = column;
}

// ---------------------------------------------------------------------------------------------
// Selection

TDBGridEhSelection::TDBGridEhSelection(TDBGridEh* grid)
    : grid_(grid), rows_(grid), rect_(grid), columns_(grid) {}

void TDBGridEhSelection::SetSelectionType(TDBGridEhSelectionType type) {
  if (type == type_) return;
  type_ = type;
  if (grid_->OnSelectionChanged) grid_->OnSelectionChanged(*grid_);
}

void TDBGridEhSelection::SelectEverything() {
  if (type_ == gstAll) return;
  TDBGridEhSelectionType old = type_;
  type_ = gstAll;  // set first so that emptying the old parts does not switch types again
  if (old == gstRecordBookmarks) rows_.items_.clear();
  rect_.Clear();
  columns_.Clear();
  columns_.Anchor = columns_.Shift = nullptr;
  grid_->InvalidateGrid();
  if (grid_->OnSelectionChanged) grid_->OnSelectionChanged(*grid_);
}

void TDBGridEhSelection::ResetToNone() {
  TDBGridEhSelectionType old = type_;
  type_ = gstNon;
  switch (old) {
    case gstRecordBookmarks:
      rows_.items_.clear();
      rows_.cacheIndex_ = -1;
      break;
    case gstRectangle:
      rect_.Clear();
      break;
    case gstColumns:
      columns_.Clear();
      columns_.Anchor = columns_.Shift = nullptr;
      break;
    case gstAll:
      if (grid_->OnSelectionChanged) grid_->OnSelectionChanged(*grid_);
      break;
    case gstNon:
      break;
  }
  if (old != gstNon && old != gstAll && grid_->OnSelectionChanged) {
    grid_->OnSelectionChanged(*grid_);
  }
  grid_->InvalidateGrid();
}

bool TDBGridEhSelection::IsCellSelected(int col, const TBookmark& row) const {
  switch (type_) {
    case gstRecordBookmarks:
      return rows_.Contains(row);
    case gstRectangle:
      return col >= 0 && rect_.Contains(col, row);
    case gstColumns:
      return col >= 0 && col < grid_->Columns().Count() && columns_.Contains(grid_->Columns()[col]);
    case gstAll:
      return true;
    case gstNon:
      return false;
  }
  return false;
}

bool TDBGridEhSelection::IsColumnFixedSelected(int col) const {
  if (type_ == gstAll) return true;
  if (type_ != gstColumns || col < 0 || col >= grid_->Columns().Count()) return false;
  return columns_.Contains(grid_->Columns()[col]);
}
