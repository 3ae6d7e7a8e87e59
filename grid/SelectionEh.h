#pragma once

// The grid's selection: nothing, a set of whole records (sorted bookmarks), a rectangle of
// cells, a set of whole columns, or everything. Stored as bookmarks and column references,
// so scrolling never changes it.

#include <vector>

#include "data/DB.h"
#include "grid/ColumnsEh.h"

class TDBGridEh;

enum TDBGridEhSelectionType { gstRecordBookmarks, gstRectangle, gstColumns, gstAll, gstNon };
enum TDBGridEhAllowedSelection : unsigned {
  gstRecordBookmarksBit = 1u << gstRecordBookmarks,
  gstRectangleBit = 1u << gstRectangle,
  gstColumnsBit = 1u << gstColumns,
  gstAllBit = 1u << gstAll,
};
// A set of selection types (bits 1 << type).
using TDBGridEhAllowedSelections = unsigned;

// The bookmarks of the selected records, sorted by the result set's bookmark comparison,
// without duplicates.
class TBookmarkListEh {
 public:
  explicit TBookmarkListEh(TDBGridEh* grid) : grid_(grid) {}

  int Count() const { return static_cast<int>(items_.size()); }
  const TBookmark& operator[](int index) const { return items_[index]; }
  // Finds `bookmark` by halving; `index` receives its position or where it would be inserted.
  bool Find(const TBookmark& bookmark, int& index) const;
  bool Contains(const TBookmark& bookmark) const;
  // Adds or removes one bookmark (no duplicates).
  void Insert(const TBookmark& bookmark);
  void Remove(const TBookmark& bookmark);
  void Clear();
  // Whether the current record is in the list; selecting it adds or removes it. Raises
  // "Cannot perform this operation on a closed dataset" while the data link is inactive.
  bool CurrentRowSelected() const;
  void SetCurrentRowSelected(bool value);
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  friend class TDBGridEhSelection;
  friend class TDBGridEh;
  int Compare(const TBookmark& a, const TBookmark& b) const;
  void Changed();
  TDBGridEh* grid_;
  std::vector<TBookmark> items_;
  mutable TBookmark cacheBookmark_;
  mutable int cacheIndex_ = -1;
};

// A block of cells: the anchor and the moving corner, each a data column index in the Columns
// collection and a record bookmark.
class TDBGridEhSelectionRect {
 public:
  explicit TDBGridEhSelectionRect(TDBGridEh* grid) : grid_(grid) {}

  bool IsSet() const { return anchorCol_ >= 0 && !anchorRow_.empty(); }
  int LeftCol() const;
  int RightCol() const;
  TBookmark TopRow() const;
  TBookmark BottomRow() const;
  void SetAnchor(int col, const TBookmark& row);
  void SetShift(int col, const TBookmark& row);
  int AnchorCol() const { return anchorCol_; }
  const TBookmark& AnchorRow() const { return anchorRow_; }
  // True when the cell lies inside the bounds (column index in the Columns collection).
  bool Contains(int col, const TBookmark& row) const;
  void Clear();

 private:
  TDBGridEh* grid_;
  int anchorCol_ = -1;
  TBookmark anchorRow_;
  int shiftCol_ = -1;
  TBookmark shiftRow_;
};

// Selected whole columns, kept in Columns collection order, without duplicates.
class TDBGridEhSelectionCols : public TColumnsEhList {
 public:
  explicit TDBGridEhSelectionCols(TDBGridEh* grid) : grid_(grid) {}
  // Inserts before the first listed column with a larger collection index.
  void AddColumn(TColumnEh* column);
  void RemoveColumn(TColumnEh* column);
  bool Contains(const TColumnEh* column) const { return IndexOf(column) >= 0; }
  // Re-sorts after columns moved and drops columns that no longer exist.
  void Refresh();
  // Selects the columns from the anchor to `column` (range extension).
  void SelectRange(TColumnEh* anchor, TColumnEh* column);
  TColumnEh* Anchor = nullptr;
  TColumnEh* Shift = nullptr;

 private:
  TDBGridEh* grid_;
};

// The grid's selection object.
class TDBGridEhSelection {
 public:
  explicit TDBGridEhSelection(TDBGridEh* grid);

  TDBGridEhSelectionType SelectionType() const { return type_; }
  TBookmarkListEh& Rows() { return rows_; }
  const TBookmarkListEh& Rows() const { return rows_; }
  TDBGridEhSelectionRect& Rect() { return rect_; }
  const TDBGridEhSelectionRect& Rect() const { return rect_; }
  TDBGridEhSelectionCols& Columns() { return columns_; }
  const TDBGridEhSelectionCols& Columns() const { return columns_; }

  // Selects everything: nothing when already gstAll; otherwise clears any other selection,
  // sets gstAll, repaints and fires OnSelectionChanged.
  void SelectEverything();
  // The Ctrl+A entry: SelectEverything.
  void SelectAll() { SelectEverything(); }
  // Sets gstNon, then empties the part of the old type.
  void ResetToNone();
  void Clear() { ResetToNone(); }
  // Per type: whether the data cell (column index in Columns, record bookmark) is selected.
  bool IsCellSelected(int col, const TBookmark& row) const;
  // Whether the fixed cells of column `col` (title, footer) are painted selected.
  bool IsColumnFixedSelected(int col) const;

  // Used by the row list, rectangle and column list when their content makes the type change.
  void SetSelectionType(TDBGridEhSelectionType type);

 private:
  friend class TDBGridEh;
  TDBGridEh* grid_;
  TDBGridEhSelectionType type_ = gstRecordBookmarks;
  TBookmarkListEh rows_;
  TDBGridEhSelectionRect rect_;
  TDBGridEhSelectionCols columns_;
};
