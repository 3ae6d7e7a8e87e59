#pragma once

// The grid's column model: columns bound to fields by name, their titles and footers, the
// column defaults of the grid, and ordered column lists. A property that was never assigned
// reads its default anew on every read, so a column follows later changes of its grid or field.

#include <QRect>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/DB.h"
#include "grid/GridsEh.h"
#include "platform/Fonts.h"
#include "platform/SystemColors.h"

class TDBGridEh;
class TColumnEh;

enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// The cell parameter record filled before a data cell is painted or exported.
struct TColCellParamsEh {
  TAlignment Alignment = taLeftJustify;
  platform::TColor Background = platform::clWindow;
  platform::TFontSpec Font;
  std::string Text;  // Windows-1252
  int ImageIndex = -1;
  int CheckboxState = 0;
  TGridDrawState State = 0;
  QRect CellRect;
  int Col = 0;
  int Row = 0;
};

// Defaults of a column's title, held by the grid's ColumnDefValues.
struct TColumnDefTitleValuesEh {
  TAlignment Alignment = taLeftJustify;
  bool ColorAssigned = false;
  platform::TColor Color = platform::clBtnFace;  // read only when ColorAssigned
  bool EndEllipsis = false;
  int Orientation = 0;
  bool TitleButton = false;
  bool ToolTips = false;
};

// The grid's column defaults (ColumnDefValues).
struct TColumnDefValuesEh {
  bool EndEllipsis = false;
  bool ToolTips = false;
  TTextLayout Layout = tlTop;
  bool AlwaysShowEditButton = false;
  bool AutoDropDown = false;
  bool DblClickNextVal = false;
  bool DropDownShowTitles = false;
  bool DropDownSizing = false;
  bool HighlightRequired = false;
  TColumnDefTitleValuesEh Title;
  struct {
    bool ToolTips = false;
  } Footer;
};

// A column's title. Unassigned properties follow the field, the grid and ColumnDefValues.
class TColumnTitleEh {
 public:
  explicit TColumnTitleEh(TColumnEh* column) : column_(column) {}

  // The field's display label, else the column's FieldName, unless assigned.
  std::string Caption() const;
  void SetCaption(std::string caption);
  TAlignment Alignment() const;
  void SetAlignment(TAlignment alignment);
  platform::TColor Color() const;
  void SetColor(platform::TColor color);
  platform::TFontSpec Font() const;
  void SetFont(const platform::TFontSpec& font);
  bool TitleButton() const;
  void SetTitleButton(bool value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool value);
  bool ToolTips() const;
  void SetToolTips(bool value);
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint) { hint_ = std::move(hint); }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index) { imageIndex_ = index; }

  TSortMarkerEh SortMarker() const { return sortMarker_; }
  // Stores the marker and keeps the grid's sort-marked list and indexes in step.
  void SetSortMarker(TSortMarkerEh marker);
  int SortIndex() const { return sortIndex_; }
  // Negative values become 0; a marked column exchanges its index with the holder of `index`.
  void SetSortIndex(int index);

  TColumnEh* Column() const { return column_; }

 private:
  friend class TDBGridEh;
  TColumnEh* column_;
  std::string caption_;
  bool captionAssigned_ = false;
  TAlignment alignment_ = taLeftJustify;
  bool alignmentAssigned_ = false;
  platform::TColor color_ = platform::clBtnFace;
  bool colorAssigned_ = false;
  platform::TFontSpec font_;
  bool fontAssigned_ = false;
  bool titleButton_ = false, titleButtonAssigned_ = false;
  bool endEllipsis_ = false, endEllipsisAssigned_ = false;
  bool toolTips_ = false, toolTipsAssigned_ = false;
  std::string hint_;
  int imageIndex_ = -1;
  TSortMarkerEh sortMarker_ = smNoneEh;
  int sortIndex_ = 0;
};

// One footer cell of a column.
class TColumnFooterEh {
 public:
  explicit TColumnFooterEh(TColumnEh* column) : column_(column) {}

  TFooterValueType ValueType = fvtNon;
  std::string FieldName;  // empty: the column's field
  std::string DisplayFormat;
  std::string Value;  // text of fvtStaticText
  bool EndEllipsis = false;
  bool WordWrap = false;
  bool ToolTips = false;

  // The column's alignment unless assigned.
  TAlignment Alignment() const;
  void SetAlignment(TAlignment alignment);
  // The grid's FooterColor unless assigned.
  platform::TColor Color() const;
  void SetColor(platform::TColor color);
  // The grid's FooterFont unless assigned.
  platform::TFontSpec Font() const;
  void SetFont(const platform::TFontSpec& font);

  TColumnEh* Column() const { return column_; }

 private:
  TColumnEh* column_;
  TAlignment alignment_ = taLeftJustify;
  bool alignmentAssigned_ = false;
  platform::TColor color_ = platform::clWindow;
  bool colorAssigned_ = false;
  platform::TFontSpec font_;
  bool fontAssigned_ = false;
};

// A grid column (TColumnEh / TDBGridColumnEh), owned by the grid's Columns collection.
class TColumnEh {
 public:
  explicit TColumnEh(TDBGridEh* grid);
  virtual ~TColumnEh();
  TColumnEh(const TColumnEh&) = delete;
  TColumnEh& operator=(const TColumnEh&) = delete;

  TDBGridEh* Grid() const { return grid_; }
  // Position in the grid's Columns collection (display order).
  int Index() const;

  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(std::string name);
  // The grid's result set field named FieldName, looked up on demand; nullptr when the result
  // set is closed without persistent fields or has no such field.
  TField* Field() const;

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  // The width in pixels: the default width (from the field's display width and the column
  // font) while never assigned.
  int Width() const;
  void SetWidth(int value);
  bool WidthAssigned() const { return widthAssigned_; }
  int DefaultWidth() const;
  int MinWidth() const { return minWidth_; }
  void SetMinWidth(int value);
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int value);
  bool AutoFitColWidth() const { return autoFitColWidth_; }
  void SetAutoFitColWidth(bool value);
  // The width the column is entitled to when the client width is shared out.
  int AutoFitRefWidth() const { return autoFitRefWidth_; }
  void SetAutoFitRefWidth(int value) { autoFitRefWidth_ = value; }

  TAlignment Alignment() const;
  void SetAlignment(TAlignment alignment);
  platform::TColor Color() const;
  void SetColor(platform::TColor color);
  bool ColorAssigned() const { return colorAssigned_; }
  const platform::TFontSpec& Font() const;
  void SetFont(const platform::TFontSpec& font);
  TTextLayout Layout() const;
  void SetLayout(TTextLayout layout);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool value);
  bool ToolTips() const;
  void SetToolTips(bool value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value) { wordWrap_ = value; }
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(std::string format) { displayFormat_ = std::move(format); }
  // True when the column, the grid or the field is read-only.
  bool ReadOnly() const;
  void SetReadOnly(bool value) { readOnly_ = value; }

  TColumnTitleEh& Title() { return title_; }
  const TColumnTitleEh& Title() const { return title_; }
  TColumnFooterEh& Footer() { return footer_; }
  const TColumnFooterEh& Footer() const { return footer_; }
  std::vector<std::unique_ptr<TColumnFooterEh>>& Footers() { return footers_; }
  const std::vector<std::unique_ptr<TColumnFooterEh>>& Footers() const { return footers_; }
  // Appends an item to Footers.
  TColumnFooterEh& AddFooter();
  // The footer of footer row `row`: item `row` of Footers when there is one, else Footer.
  TColumnFooterEh& GetFooter(int row);
  const TColumnFooterEh& GetFooter(int row) const;

  // The text of the column's cell for the data set's active record (see
  // TDBGridEh::ColumnDisplayText).
  std::string DisplayText() const;

  // The column's own cell-parameter step; calls OnGetCellParams.
  virtual void GetColCellParams(bool editMode, TColCellParamsEh& params);
  std::function<void(TColumnEh& column, bool editMode, TColCellParamsEh& params)> OnGetCellParams;

 private:
  friend class TDBGridEh;
  friend class TDBGridColumnsEh;
  TDBGridEh* grid_;
  std::string fieldName_;
  mutable TField* field_ = nullptr;
  mutable bool fieldLooked_ = false;
  bool visible_ = true;
  int width_ = 64;
  bool widthAssigned_ = false;
  int minWidth_ = 0;
  int maxWidth_ = 0;
  bool autoFitColWidth_ = true;
  int autoFitRefWidth_ = 64;
  TAlignment alignment_ = taLeftJustify;
  bool alignmentAssigned_ = false;
  platform::TColor color_ = platform::clWindow;
  bool colorAssigned_ = false;
  platform::TFontSpec font_;
  bool fontAssigned_ = false;
  TTextLayout layout_ = tlTop;
  bool layoutAssigned_ = false;
  bool endEllipsis_ = false, endEllipsisAssigned_ = false;
  bool toolTips_ = false, toolTipsAssigned_ = false;
  bool wordWrap_ = false;
  std::string displayFormat_;
  bool readOnly_ = false;
  bool fixedMark_ = false;
  TColumnTitleEh title_;
  TColumnFooterEh footer_;
  std::vector<std::unique_ptr<TColumnFooterEh>> footers_;
};

using TDBGridColumnEh = TColumnEh;

// An ordered list of grid columns that does not own them.
class TColumnsEhList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TColumnEh* operator[](int index) const { return items_[index]; }
  void Add(TColumnEh* column) { items_.push_back(column); }
  void Insert(int index, TColumnEh* column) { items_.insert(items_.begin() + index, column); }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }
  // Position of `column`, or -1.
  int IndexOf(const TColumnEh* column) const;
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TColumnEh*> items_;
};

// The grid's Columns collection, in display order. A collection with no column added by its
// owner is in the default state: the grid fills it with one column per field.
class TDBGridColumnsEh {
 public:
  explicit TDBGridColumnsEh(TDBGridEh* grid) : grid_(grid) {}

  int Count() const { return static_cast<int>(items_.size()); }
  TColumnEh* operator[](int index) const { return items_[index].get(); }
  TColumnEh* Items(int index) const { return items_[index].get(); }
  // Appends a persistent column (the collection leaves the default state) and runs the layout.
  TColumnEh& Add();
  void Clear();
  void Delete(int index);
  // Moves the column at `from` to position `to` (display order).
  void Move(int from, int to);
  // True while the columns are generated from the field list.
  bool DefaultState() const { return defaultState_; }
  // Drops the persistent columns and returns to the default state.
  void RestoreDefaults();
  // Layout requests made between BeginUpdate and EndUpdate run once at the end.
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return updateCount_ > 0; }

 private:
  friend class TDBGridEh;
  TColumnEh& AddGenerated();
  TDBGridEh* grid_;
  std::vector<std::unique_ptr<TColumnEh>> items_;
  bool defaultState_ = true;
  int updateCount_ = 0;
};
