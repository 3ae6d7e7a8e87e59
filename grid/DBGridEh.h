#pragma once

// The report grid: a data-aware grid bound to a result set through a data source, with a title
// row, an indicator column, footer rows, columns that fill the client width, a selection, cell
// painting with stripes and highlight, tooltips for truncated text and column sizing and
// moving with the mouse. The column model, the layout arithmetic and the selection are plain
// C++ (ColumnsEh, GridLayout, SelectionEh); this widget paints and translates events.

#include <QAbstractScrollArea>
#include <QPoint>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/DB.h"
#include "grid/ColumnsEh.h"
#include "grid/GridsEh.h"
#include "grid/IncSearch.h"
#include "grid/SelectionEh.h"
#include "grid/SumListEh.h"
#include "platform/Fonts.h"
#include "platform/SystemColors.h"

class QKeyEvent;
class QLineEdit;
class QPainter;
class QTimer;
class TGridDataLinkEh;

enum TDBGridOption : unsigned {
  dgEditing = 1u << 0,
  dgAlwaysShowEditor = 1u << 1,
  dgTitles = 1u << 2,
  dgIndicator = 1u << 3,
  dgColumnResize = 1u << 4,
  dgColLines = 1u << 5,
  dgRowLines = 1u << 6,
  dgTabs = 1u << 7,
  dgRowSelect = 1u << 8,
  dgAlwaysShowSelection = 1u << 9,
  dgConfirmDelete = 1u << 10,
  dgCancelOnExit = 1u << 11,
  dgMultiSelect = 1u << 12,
};
using TDBGridOptions = unsigned;

// The 24 extended options, bit i = declaration position i (their stored 24-bit set).
enum TDBGridEhOption : uint32_t {
  dghFixed3D = 1u << 0,
  dghFrozen3D = 1u << 1,
  dghFooter3D = 1u << 2,
  dghData3D = 1u << 3,
  dghResizeWholeRightPart = 1u << 4,
  dghHighlightFocus = 1u << 5,
  dghClearSelection = 1u << 6,
  dghFitRowHeightToText = 1u << 7,
  dghAutoSortMarking = 1u << 8,
  dghMultiSortMarking = 1u << 9,
  dghEnterAsTab = 1u << 10,
  dghTraceColSizing = 1u << 11,
  dghIncSearch = 1u << 12,
  dghPreferIncSearch = 1u << 13,
  dghRowHighlight = 1u << 14,
  dghDblClickOptimizeColWidth = 1u << 15,
  dghDialogFind = 1u << 16,
  dghRecordMoving = 1u << 17,
  dghShowRecNo = 1u << 18,
  dghColumnResize = 1u << 19,
  dghColumnMove = 1u << 20,
  dghAutoFitRowHeight = 1u << 21,
  dghHotTrack = 1u << 22,
  dghExtendVertLines = 1u << 23,
};
using TDBGridEhOptions = uint32_t;

enum TDBGridEhEditAction : unsigned {
  geaCutEh = 1u << 0,
  geaCopyEh = 1u << 1,
  geaPasteEh = 1u << 2,
  geaDeleteEh = 1u << 3,
  geaSelectAllEh = 1u << 4,
};
using TDBGridEhEditActions = unsigned;

enum TDBGridEhIndicatorOption : unsigned {
  gioShowRowIndicatorEh = 1u << 0,
  gioShowRecNoEh = 1u << 1,
  gioShowRowselCheckboxesEh = 1u << 2,
};
using TDBGridEhIndicatorOptions = unsigned;

enum TDBGridEhAllowedOperation : unsigned {
  alopInsertEh = 1u << 0,
  alopUpdateEh = 1u << 1,
  alopDeleteEh = 1u << 2,
  alopAppendEh = 1u << 3,
};
using TDBGridEhAllowedOperations = unsigned;

enum TScrollBarVisibleModeEh { sbAlwaysShowEh, sbNeverShowEh, sbAutoShowEh };
struct TScrollBarSettingsEh {
  bool Visible = true;
  bool Tracking = true;
  TScrollBarVisibleModeEh VisibleMode = sbAutoShowEh;
};

// Classification of a grid cell (GetCellType).
enum TCellHorzAreaEh { hcIndicator, hcData };
enum TCellVertAreaEh { vcAboveTitle, vcTitle, vcData, vcFooter };
struct TCellAreaEh {
  TCellHorzAreaEh Horz = hcData;
  TCellVertAreaEh Vert = vcData;
};

class TDBGridEh : public QAbstractScrollArea {
 public:
  explicit TDBGridEh(QWidget* parent = nullptr);
  ~TDBGridEh() override;

  // --- data binding ---
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // True when the grid has a data source whose result set is open.
  bool DataLinkActive() const;

  // --- settings ---
  TDBGridOptions Options() const { return options_; }
  void SetOptions(TDBGridOptions options);
  TDBGridEhOptions OptionsEh() const { return optionsEh_; }
  void SetOptionsEh(TDBGridEhOptions options);
  TDBGridEhIndicatorOptions IndicatorOptions() const { return indicatorOptions_; }
  void SetIndicatorOptions(TDBGridEhIndicatorOptions options);
  TDBGridEhAllowedSelections AllowedSelections() const { return allowedSelections_; }
  // Clears the selection when its type is no longer allowed.
  void SetAllowedSelections(TDBGridEhAllowedSelections selections);
  TDBGridEhEditActions EditActions() const { return editActions_; }
  void SetEditActions(TDBGridEhEditActions actions) { editActions_ = actions; }
  TDBGridEhAllowedOperations AllowedOperations() const { return allowedOperations_; }
  void SetAllowedOperations(TDBGridEhAllowedOperations ops) { allowedOperations_ = ops; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool AutoFitColWidths() const { return autoFitColWidths_; }
  // On: copies every column's Width into its reference width; off: restores the widths from
  // the references and brings the horizontal scroll bar back.
  void SetAutoFitColWidths(bool value);
  int MinAutoFitWidth() const { return minAutoFitWidth_; }
  void SetMinAutoFitWidth(int value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  platform::TColor Color() const { return color_; }
  void SetColor(platform::TColor color);
  platform::TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(platform::TColor color);
  // The grid's Color while not assigned.
  platform::TColor OddRowColor() const;
  void SetOddRowColor(platform::TColor color);
  platform::TColor EvenRowColor() const;
  void SetEvenRowColor(platform::TColor color);
  const platform::TFontSpec& Font() const { return font_; }
  void SetFont(const platform::TFontSpec& font);
  platform::TFontSpec TitleFont() const { return titleFont_; }
  void SetTitleFont(const platform::TFontSpec& font);
  platform::TColor FooterColor() const { return footerColor_; }
  void SetFooterColor(platform::TColor color);
  platform::TFontSpec FooterFont() const { return footerFont_; }
  void SetFooterFont(const platform::TFontSpec& font);
  int FooterRowCount() const { return footerRowCount_; }
  // Negative values are refused (ignored).
  void SetFooterRowCount(int count);
  int FrozenCols() const { return frozenCols_; }
  void SetFrozenCols(int count);
  bool SortLocal() const { return sortLocal_; }
  void SetSortLocal(bool value) { sortLocal_ = value; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value) { showHint_ = value; }
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
  bool UseMultiTitle() const { return false; }
  TColumnDefValuesEh& ColumnDefValues() { return columnDefValues_; }
  const TColumnDefValuesEh& ColumnDefValues() const { return columnDefValues_; }
  TScrollBarSettingsEh& VertScrollBar() { return vertScrollBar_; }
  TScrollBarSettingsEh& HorzScrollBar() { return horzScrollBar_; }
  TDBGridEhSumList& SumList() { return *sumList_; }

  // --- columns ---
  TDBGridColumnsEh& Columns() { return columns_; }
  const TDBGridColumnsEh& Columns() const { return columns_; }
  // The visible columns in display order (rebuilt by every layout).
  const TColumnsEhList& VisibleColumns() const { return visibleColumns_; }
  // The current column as an index into VisibleColumns (-1 when there is none).
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int index);
  TColumnEh* CurrentColumn() const;
  // The sort-marked columns, in marking order.
  const TColumnsEhList& SortMarkedColumns() const { return sortMarkedColumns_; }

  // The text a data cell of `column` shows for the active record: empty without a field; the
  // field's display text when the column has no DisplayFormat; else the value formatted with it.
  std::string ColumnDisplayText(const TColumnEh& column) const;
  // The same for a given field of the active record and a column's DisplayFormat.
  static std::string FieldDisplayText(const TField& field, const std::string& displayFormat);
  // The text of footer row `row` of `column`, by the footer's value type.
  std::string FooterText(const TColumnEh& column, int row) const;
  std::string GetFooterValue(int row, const TColumnEh& column) const {
    return FooterText(column, row);
  }
  // Fills `params` for a data cell of `column` at the active record and runs both hooks.
  void CellParams(TColumnEh& column, TColCellParamsEh& params);

  // --- selection ---
  TDBGridEhSelection& Selection() { return selection_; }
  const TDBGridEhSelection& Selection() const { return selection_; }
  // Empties the row list (with dgMultiSelect) and resets the selection to none.
  void DropSelection();
  // DropSelection when dghClearSelection is on.
  void ClearOnMove();
  bool IsTypeAllowed(TDBGridEhSelectionType type) const;
  bool CanSelectAll() const;

  // --- layout ---
  // Re-runs the layout and repaints (held back while a layout lock is held).
  void RunLayout();
  // Repaints the grid (no layout).
  void InvalidateGrid();
  void LockLayout();
  void UnlockLayout();
  // Classifies a grid cell; raises "Algorithm error in TCustomDBGridEh.GetCellType" for a row
  // index that fits no area.
  TCellAreaEh GetCellType(int col, int row) const;
  int DataRowHeight() const { return dataRowHeight_; }
  int TitleRowHeight() const { return titleRowHeight_; }
  int IndicatorWidth() const { return indicatorWidth_; }
  // Data rows that fit the client height (at least 1).
  int VisibleDataRowCount() const { return visibleDataRows_; }
  // Grid rows: the title row (with dgTitles), the data rows, the footer rows.
  int TitleRowCount() const { return (options_ & dgTitles) ? 1 : 0; }
  int GridRowCount() const { return TitleRowCount() + visibleDataRows_ + footerRowCount_; }
  // Rectangle of grid cell (col, row) in viewport pixels; col 0 is the indicator column when
  // there is one, row 0 the title row when there is one. Empty when not on screen.
  QRect CellRect(int col, int row) const;
  // The grid cell under a viewport point; (-1, -1) when none.
  TGridCoord MouseCoord(QPoint point) const;
  // Grid column of visible column `index`, and the reverse (-1 for the indicator).
  int GridColOfVisible(int index) const { return index + IndicatorColCount(); }
  int VisibleOfGridCol(int col) const { return col - IndicatorColCount(); }
  int IndicatorColCount() const { return (options_ & dgIndicator) ? 1 : 0; }
  // The first scrolled visible column shown (horizontal scrolling without autofit).
  int LeftCol() const { return leftCol_; }
  int LineWidth() const { return 1; }

  // --- movement (the keyboard table of the selection model) ---
  // Moves the current record by `distance` (through the data link).
  void MoveBy(int distance);
  // Tab (forward) or Shift+Tab (back): next/previous column, wrapping to the next/previous
  // record; never appends on the read-only grid.
  void TabMove(bool back);

  // --- in-place editor ---
  // Shows the editor over the current cell (F2, or a click on the current cell) when nothing
  // is selected; on a read-only column it shows the text and accepts no change.
  void ShowEditor();
  void HideEditor();
  bool EditorVisible() const;

  // --- sorting marks ---
  // Plain click (add false) or Ctrl+click (add true) on a column title.
  void ToggleSortMarker(TColumnTitleEh& title, bool add);
  // Sets a title's marker and keeps the sort-marked list and the indexes in step.
  void AssignSortMarker(TColumnTitleEh& title, TSortMarkerEh marker);
  // Sets a title's sort index: a marked column swaps indexes (and list places) with the marked
  // column that holds `index`; an index no other column holds is not stored.
  void AssignSortIndex(TColumnTitleEh& title, int index);
  // Applies the marks (with dghAutoSortMarking): fires OnSortMarkingChanged when assigned, else
  // runs the sorting service registered for the result set's class, if any.
  void SortMarkersChanged();

  // --- incremental search ---
  // One search step on the current column: appends `added` to the search text and walks the
  // records (from the first, or one past the current one for next/previous) to the first whose
  // text starts with it. No match keeps the old text and the current record. `timeOut` in ms
  // ends the search after the step (-1: never). Nothing while the data link is inactive.
  void IncSearch(const std::string& added, int timeOut, TIncSearchDirectionEh direction);
  // Ends an active search: the text empties and the highlight goes.
  void StopIncSearch();
  bool IncSearchActive() const { return incSearchActive_; }
  // The search text, in the case of the matched data (Windows-1252).
  const std::string& IncSearchText() const { return incSearchText_; }
  // Replaces the timer that ends a search (the grid owns it).
  void SetIncSearchTimer(std::unique_ptr<TIncSearchTimerEh> timer);
  TIncSearchTimerEh& IncSearchTimer();

  // --- painting and tooltips ---
  // Paints the whole client area (cells, lines) with `painter`.
  void PaintGrid(QPainter& painter);
  // The tooltip of the cell under viewport point `point`: false when none is due; otherwise
  // fills the text (Windows-1252), the font and the top-left corner (viewport pixels).
  bool CellHint(QPoint point, std::string& text, platform::TFontSpec& font, QPoint& at);
  // The record number of data row `row` (from 0) for the stripes; -1 when unknown.
  int RecordNumberOfRow(int row) const;

  // --- hooks ---
  std::function<void(TDBGridEh&, TColumnEh&, platform::TFontSpec&, platform::TColor&,
                     TGridDrawState)>
      OnGetCellParams;
  // grid, column index in Columns, footer row, column, font, background, alignment, state, text.
  std::function<void(TDBGridEh&, int, int, TColumnEh&, platform::TFontSpec&, platform::TColor&,
                     TAlignment&, TGridDrawState, std::string&)>
      OnGetFooterParams;
  std::function<void(TDBGridEh&, QPainter&, const QRect&, int, TColumnEh&, TGridDrawState)>
      OnDrawColumnCell;
  std::function<void(TDBGridEh&, QPainter&, const QRect&, int, int, TColumnEh&, TGridDrawState)>
      OnDrawFooterCell;
  std::function<void(TDBGridEh&)> OnColWidthsChanged;
  std::function<void(TDBGridEh&, int fromIndex, int toIndex)> OnColumnMoved;
  std::function<void(TDBGridEh&, QPoint&, std::string&, TColumnEh&)> OnDataHintShow;
  std::function<void(TDBGridEh&, int, TColumnEh&)> OnTitleBtnClick;
  std::function<void(TDBGridEh&)> OnSortMarkingChanged;
  std::function<void(TDBGridEh&)> OnSelectionChanged;
  // The clipboard copy run by Ctrl+C and Ctrl+Insert (when the link is active and geaCopyEh
  // is allowed).
  std::function<void(TDBGridEh&)> OnCopyToClipboard;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool focusNextPrevChild(bool next) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TGridDataLinkEh;
  friend class TColumnEh;
  friend class TColumnTitleEh;
  friend class TDBGridColumnsEh;
  friend class TDBGridEhSelection;
  friend class TDBGridEhSumList;

  // Data link notices.
  void LinkActiveChanged();
  void LinkDataChanged();
  void LinkScrolled(int distance);
  void LinkLayoutChanged();
  void LinkRecordChanged();

  void InternalLayout();
  void BuildColumns();
  void ComputeHeights();
  void SpreadWidths();
  void UpdateScrollBars();
  void UpdateRowCount();
  int ColumnLeftX(int visibleIndex) const;
  int FooterTop() const;
  int DataAreaBottom() const;
  bool GridHasFocus() const;
  void ColumnsChanged();
  // Drops the references to `column` (every column when nullptr) that is about to be deleted:
  // selection, sort marks, visible list, sums.
  void ColumnsRemoving(TColumnEh* column = nullptr);
  void MoveColumnTo(int fromVisible, int toVisible);
  void ApplyResize(int visibleIndex, int newWidth);
  void VScrollAction(int action);
  int SizingBandColumn(QPoint point) const;
  // Shift+movement with dgMultiSelect: runs `move` and extends the selection to the new cell.
  void ExtendSelection(const std::function<void()>& move);
  TBookmark CurrentBookmark() const;
  int CurrentColumnIndex() const;

  // Painting (GridPainter.cpp).
  void PaintDataCell(QPainter& p, int dataRow, int visibleIndex, const QRect& rect);
  void PaintTitleCell(QPainter& p, int visibleIndex, const QRect& rect);
  void PaintIndicatorCell(QPainter& p, int row, const QRect& rect);
  void PaintFooterCell(QPainter& p, int footerRow, int visibleIndex, const QRect& rect);
  void PaintLines(QPainter& p);
  void PaintFixedFrame(QPainter& p, const QRect& rect, platform::TColor background, bool down);
  bool HighlightDataCell(int dataRow, int visibleIndex, bool cellSelected) const;

  // Incremental search (IncSearch.cpp).
  bool IncSearchKeyPress(QKeyEvent* event);
  bool IncSearchCharacter(QKeyEvent* event);
  bool IncSearchWalk(const std::string& text, TIncSearchDirectionEh direction,
                     std::string& matched);
  std::string IncSearchCellText(const TColumnEh& column) const;
  void RestartIncSearchTimer();
  void PaintIncSearchText(QPainter& p, const QRect& textRect, const std::string& cellText,
                          const platform::TFontSpec& font, TAlignment alignment,
                          int verticalFlags);

  std::unique_ptr<TGridDataLinkEh> dataLink_;
  TDBGridOptions options_ = dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines |
                            dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;
  TDBGridEhOptions optionsEh_ = dghFixed3D | dghHighlightFocus | dghClearSelection | dghDialogFind |
                                dghColumnResize | dghColumnMove | dghExtendVertLines;
  TDBGridEhIndicatorOptions indicatorOptions_ = gioShowRowIndicatorEh;
  TDBGridEhAllowedSelections allowedSelections_ =
      gstRecordBookmarksBit | gstRectangleBit | gstColumnsBit | gstAllBit;
  TDBGridEhEditActions editActions_ = 0;
  TDBGridEhAllowedOperations allowedOperations_ =
      alopInsertEh | alopUpdateEh | alopDeleteEh | alopAppendEh;
  bool readOnly_ = false;
  bool autoFitColWidths_ = false;
  int minAutoFitWidth_ = 0;
  bool flat_ = false;
  platform::TColor color_ = platform::clWindow;
  platform::TColor fixedColor_ = platform::clBtnFace;
  platform::TColor oddRowColor_ = platform::clWindow;
  bool oddRowColorAssigned_ = false;
  platform::TColor evenRowColor_ = platform::clWindow;
  bool evenRowColorAssigned_ = false;
  platform::TFontSpec font_;
  platform::TFontSpec titleFont_;
  platform::TColor footerColor_ = platform::clWindow;
  platform::TFontSpec footerFont_;
  int footerRowCount_ = 0;
  int frozenCols_ = 0;
  bool sortLocal_ = false;
  bool showHint_ = true;
  bool defaultDrawing_ = true;
  TColumnDefValuesEh columnDefValues_;
  TScrollBarSettingsEh vertScrollBar_;
  TScrollBarSettingsEh horzScrollBar_;

  TDBGridColumnsEh columns_;
  TColumnsEhList visibleColumns_;
  TColumnsEhList sortMarkedColumns_;
  TDBGridEhSelection selection_;
  std::unique_ptr<TDBGridEhSumList> sumList_;
  int selectedIndex_ = 0;
  int leftCol_ = 0;

  int dataRowHeight_ = 18;
  int titleRowHeight_ = 17;
  int indicatorWidth_ = 11;
  int visibleDataRows_ = 1;
  int layoutLock_ = 0;
  bool layoutPending_ = false;
  bool inLayout_ = false;
  bool selectionInitialised_ = false;
  bool syncingScroll_ = false;

  // Mouse state.
  enum class MouseMode { None, Sizing, TitlePress, Moving };
  MouseMode mouseMode_ = MouseMode::None;
  int sizingColumn_ = -1;   // visible index
  int sizingX_ = -1;        // position of the sizing line
  int pressColumn_ = -1;    // visible index of the pressed title
  bool pressDown_ = false;  // the pressed title shows pressed
  QPoint pressPoint_;
  int moveTarget_ = -1;           // visible index where a moved column lands
  QLineEdit* editor_ = nullptr;   // the in-place editor, a child of the viewport
  QTimer* autoScroll_ = nullptr;  // moves the selection while a drag is outside the data area
  QPoint dragPoint_;              // last pointer position of a selection drag
  void AutoScrollTick();
  int currentPaintRow_ = 0;     // the current row while a frame is painted
  int currentPaintRecNo_ = -1;  // its record number
  bool sortPending_ = false;    // Ctrl+clicks wait for the Ctrl key to go up
  bool selecting_ = false;      // a multi-select drag is extending the selection
  TBookmark rowAnchor_;         // anchor record of a row-list extension
  bool incSearchActive_ = false;
  std::string incSearchText_;
  int incSearchTimeOut_ = -1;
  bool incSearchMoving_ = false;  // the search walk moves the record: not a reason to stop
  std::unique_ptr<TIncSearchTimerEh> incSearchTimer_;
};
