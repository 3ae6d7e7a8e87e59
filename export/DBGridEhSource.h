#pragma once

// The report grid as an export source: columns, footers, hooks and selection of a TDBGridEh
// and the records of its data set.

#include <string>

#include "export/DBGridEhImpExp.h"
#include "export/ExportGrid.h"

class TDBGridEh;
class TColumnEh;

// An export source whose records and field values are those of one data set.
class TDataSetExportSource : public IExportGrid {
 public:
  void First() override;
  void Next() override;
  bool Eof() const override;
  TBookmark GetBookmark() const override;
  void GotoBookmark(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) const override;
  TFieldType FieldType(int field) const override;
  bool FieldIsNull(int field) const override;
  int64_t FieldAsInteger(int field) const override;
  double FieldAsFloat(int field) const override;
  std::string FieldDisplayFormat(int field) const override;
  std::string FormatFooterSum(int field, int64_t sum) const override;

 protected:
  // The data set walked; raises when there is none.
  virtual TDataSet& Data() const = 0;
  TField& Field(int field) const { return Data().Fields()[field]; }
};

class TDBGridEhExportSource : public TDataSetExportSource {
 public:
  // Requires: the grid outlives the source.
  explicit TDBGridEhExportSource(TDBGridEh& grid);

  std::string GridName() const override;
  bool ShowsTitles() const override;
  bool HasColLines() const override;
  bool HasRowLines() const override;
  bool Ctl3D() const override { return true; }
  bool Flat() const override;
  platform::TColor FixedColor() const override;
  int PixelsPerInch() const override;
  int FooterRowCount() const override;
  std::vector<int> VisibleColumns() const override;
  int CurrentColumn() const override;
  bool ColumnVisible(int column) const override;
  int ColumnWidth(int column) const override;
  platform::TColor ColumnColor(int column) const override;
  std::string TitleCaption(int column) const override;
  platform::TFontSpec TitleFont(int column) const override;
  platform::TColor TitleColor(int column) const override;
  TAlignment TitleAlignment(int column) const override;
  TExportFooter Footer(int column, int row) const override;
  std::string FooterText(int column, int row) const override;
  void GetCellParams(int column, TExportCellParams& params) const override;
  platform::TColor CellHookColor(int column) const override;
  void GetFooterParams(int column, int row, platform::TFontSpec& font,
                       platform::TColor& background, TAlignment& alignment,
                       std::string& text) const override;
  bool HasCellHooks() const override;
  int64_t RecordCount() const override;
  TExportSelectionType SelectionType() const override;
  std::vector<TBookmark> SelectedRows() const override;
  int RectLeftColumn() const override;
  int RectRightColumn() const override;
  TBookmark RectTopRow() const override;
  TBookmark RectBottomRow() const override;
  std::vector<int> SelectedColumns() const override;
  void BeginWalk() override;
  void EndWalk() override;
  int ColumnField(int column) const override;
  int FooterField(int column, int row) const override;
  bool ColumnUsesPickList(int column) const override { (void)column; return false; }

 protected:
  TDataSet& Data() const override;

 private:
  TColumnEh& Column(int column) const;

  TDBGridEh& grid_;
  TBookmark savedBookmark_;
  int savedRow_ = 0;
};

// The entry points on the report grid itself.
void ExportGridToFile(TDBGridEhExportClass exporterClass, TDBGridEh& grid,
                      const std::string& fileName, bool saveAll,
                      const TExportDocumentInfo& info = {},
                      const std::function<bool(long)>& rowProgress = {});
void ExportGridToStream(TDBGridEhExportClass exporterClass, TDBGridEh& grid, TStream& stream,
                        bool saveAll, const TExportDocumentInfo& info = {});
