#pragma once

// What the export driver reads from a grid, its selection and its data set. The report grid
// is read through TDBGridEhExportSource (export/DBGridEhSource.h); the driver and the writers
// see only this interface, so they can run over any column and row source.

#include <cstdint>
#include <string>
#include <vector>

#include "data/DB.h"
#include "platform/Fonts.h"
#include "platform/SystemColors.h"

// Selection kinds, in the grid's order.
enum class TExportSelectionType { gstRecordBookmarks, gstRectangle, gstColumns, gstAll, gstNon };

// Footer value kinds, in the grid's order.
enum class TExportFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };

// One footer of a column as the grid holds it (for one footer row).
struct TExportFooter {
  TExportFooterValueType ValueType = TExportFooterValueType::fvtNon;
  std::string FieldName;
  platform::TFontSpec Font;
  platform::TColor Color = platform::clWindow;
  TAlignment Alignment = taLeftJustify;
};

// The cell parameter record: what one data cell is drawn with.
struct TExportCellParams {
  TAlignment Alignment = taLeftJustify;
  platform::TColor Background = platform::clWindow;
  platform::TFontSpec Font;
  std::string Text;
  int ImageIndex = -1;
  int CheckboxState = 0;
};

// Columns are addressed by their index in the grid's column collection; fields by an id the
// source gives out (-1 = no field).
class IExportGrid {
 public:
  virtual ~IExportGrid() = default;

  // Grid-wide settings.
  virtual std::string GridName() const = 0;   // the component name, for the HTML page title
  virtual bool ShowsTitles() const = 0;       // dgTitles
  virtual bool HasColLines() const = 0;       // dgColLines
  virtual bool HasRowLines() const = 0;       // dgRowLines
  virtual bool Ctl3D() const = 0;
  virtual bool Flat() const = 0;
  virtual platform::TColor FixedColor() const = 0;
  virtual int PixelsPerInch() const = 0;      // horizontal resolution of the grid's screen
  virtual int FooterRowCount() const = 0;

  // Columns.
  virtual std::vector<int> VisibleColumns() const = 0;  // display order
  virtual int CurrentColumn() const = 0;
  virtual bool ColumnVisible(int column) const = 0;
  virtual int ColumnWidth(int column) const = 0;        // pixels
  virtual platform::TColor ColumnColor(int column) const = 0;
  virtual std::string TitleCaption(int column) const = 0;
  virtual platform::TFontSpec TitleFont(int column) const = 0;
  virtual platform::TColor TitleColor(int column) const = 0;
  virtual TAlignment TitleAlignment(int column) const = 0;
  virtual TExportFooter Footer(int column, int row) const = 0;
  // The grid's own footer text (fixed text for fvtStaticText, empty for fvtNon).
  virtual std::string FooterText(int column, int row) const = 0;

  // Fills `params` for the current record: column font, colour, alignment and display text,
  // then the grid's cell hook and the column's own adjustment, keeping the hook's background.
  virtual void GetCellParams(int column, TExportCellParams& params) const = 0;
  // The column's colour passed through the grid's cell hook alone (RTF row shading).
  virtual platform::TColor CellHookColor(int column) const = 0;
  // False when no cell or footer hook can change a cell's font, colours or text, so that
  // every row of a walk is drawn with what its column gives. Sources that cannot tell say
  // true.
  virtual bool HasCellHooks() const { return true; }
  // Runs the grid's footer hook, when set, on the given values.
  virtual void GetFooterParams(int column, int row, platform::TFontSpec& font,
                               platform::TColor& background, TAlignment& alignment,
                               std::string& text) const = 0;

  // Records a walk over all rows meets, or -1 when that is not known without walking.
  virtual int64_t RecordCount() const { return -1; }

  // Selection.
  virtual TExportSelectionType SelectionType() const = 0;
  virtual std::vector<TBookmark> SelectedRows() const = 0;  // sorted
  virtual int RectLeftColumn() const = 0;
  virtual int RectRightColumn() const = 0;
  virtual TBookmark RectTopRow() const = 0;
  virtual TBookmark RectBottomRow() const = 0;
  virtual std::vector<int> SelectedColumns() const = 0;

  // Data set walk. BeginWalk disables controls and keeps the grid position; EndWalk puts the
  // saved record back at its screen row and enables controls.
  virtual void BeginWalk() = 0;
  virtual void EndWalk() = 0;
  virtual void First() = 0;
  virtual void Next() = 0;
  virtual bool Eof() const = 0;
  virtual TBookmark GetBookmark() const = 0;
  virtual void GotoBookmark(const TBookmark& bookmark) = 0;
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b) const = 0;

  // Fields of the current record.
  virtual int ColumnField(int column) const = 0;
  // The field of the footer: its FieldName, else the column's; -1 when there is none.
  virtual int FooterField(int column, int row) const = 0;
  // True when the column shows its values through a key list and a pick list.
  virtual bool ColumnUsesPickList(int column) const = 0;
  virtual TFieldType FieldType(int field) const = 0;
  virtual bool FieldIsNull(int field) const = 0;
  // The value as an integer; raises the field's access error when it cannot be read so.
  virtual int64_t FieldAsInteger(int field) const = 0;
  virtual double FieldAsFloat(int field) const = 0;
  // The display format of a number field ("#,###.00"); empty when it has none.
  virtual std::string FieldDisplayFormat(int /*field*/) const { return {}; }
  // The text of a footer sum (`sum` in units of 1/10,000) by the field's type and format.
  virtual std::string FormatFooterSum(int field, int64_t sum) const = 0;
};
