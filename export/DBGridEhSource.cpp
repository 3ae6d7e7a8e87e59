#include "export/DBGridEhSource.h"

#include <cstdio>

#include "data/DBClient.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "platform/RegionalSettings.h"

TDBGridEhExportSource::TDBGridEhExportSource(TDBGridEh& grid) : grid_(grid) {}

TColumnEh& TDBGridEhExportSource::Column(int column) const { return *grid_.Columns()[column]; }

TDataSet& TDBGridEhExportSource::Data() const {
  TDataSet* data = grid_.DataSet();
  if (data == nullptr) DatabaseError("Cannot perform this operation on a closed dataset");
  return *data;
}


std::string TDBGridEhExportSource::GridName() const {
  return platform::FromQString(grid_.objectName());
}
bool TDBGridEhExportSource::ShowsTitles() const { return grid_.Options() & dgTitles; }
bool TDBGridEhExportSource::HasColLines() const { return grid_.Options() & dgColLines; }
bool TDBGridEhExportSource::HasRowLines() const { return grid_.Options() & dgRowLines; }
bool TDBGridEhExportSource::Flat() const { return grid_.Flat(); }
platform::TColor TDBGridEhExportSource::FixedColor() const { return grid_.FixedColor(); }
int TDBGridEhExportSource::PixelsPerInch() const { return grid_.logicalDpiX(); }
int TDBGridEhExportSource::FooterRowCount() const { return grid_.FooterRowCount(); }

std::vector<int> TDBGridEhExportSource::VisibleColumns() const {
  std::vector<int> list;
  for (TColumnEh* column : grid_.VisibleColumns()) list.push_back(column->Index());
  return list;
}

int TDBGridEhExportSource::CurrentColumn() const {
  TColumnEh* column = grid_.CurrentColumn();
  return column ? column->Index() : -1;
}

bool TDBGridEhExportSource::ColumnVisible(int c) const { return Column(c).Visible(); }
int TDBGridEhExportSource::ColumnWidth(int c) const { return Column(c).Width(); }
platform::TColor TDBGridEhExportSource::ColumnColor(int c) const { return Column(c).Color(); }
std::string TDBGridEhExportSource::TitleCaption(int c) const {
  return Column(c).Title().Caption();
}
platform::TFontSpec TDBGridEhExportSource::TitleFont(int c) const {
  return Column(c).Title().Font();
}
platform::TColor TDBGridEhExportSource::TitleColor(int c) const {
  return Column(c).Title().Color();
}
TAlignment TDBGridEhExportSource::TitleAlignment(int c) const {
  return Column(c).Title().Alignment();
}

TExportFooter TDBGridEhExportSource::Footer(int c, int row) const {
  const TColumnFooterEh& footer = Column(c).GetFooter(row);
  return {static_cast<TExportFooterValueType>(footer.ValueType), footer.FieldName, footer.Font(),
          footer.Color(), footer.Alignment()};
}

std::string TDBGridEhExportSource::FooterText(int c, int row) const {
  return grid_.FooterText(Column(c), row);
}

void TDBGridEhExportSource::GetCellParams(int c, TExportCellParams& params) const {
  TColumnEh& column = Column(c);
  params.Alignment = column.Alignment();
  params.Background = column.Color();
  params.Font = column.Font();
  params.Text = grid_.ColumnDisplayText(column);
  params.ImageIndex = -1;
  params.CheckboxState = 0;
  if (!grid_.OnGetCellParams && !column.OnGetCellParams) return;
  // The hooks adjust the column's parameters.
  TColCellParamsEh cell;
  cell.Font = params.Font;
  cell.Background = params.Background;
  cell.Alignment = params.Alignment;
  cell.Text = std::move(params.Text);
  if (grid_.OnGetCellParams) {
    grid_.OnGetCellParams(grid_, column, cell.Font, cell.Background, cell.State);
  }
  // The hook's background survives the column's own adjustment.
  const platform::TColor background = cell.Background;
  column.GetColCellParams(false, cell);
  params.Alignment = cell.Alignment;
  params.Background = background;
  params.Font = std::move(cell.Font);
  params.Text = std::move(cell.Text);
  params.ImageIndex = cell.ImageIndex;
  params.CheckboxState = cell.CheckboxState;
}

platform::TColor TDBGridEhExportSource::CellHookColor(int c) const {
  TColumnEh& column = Column(c);
  platform::TColor color = column.Color();
  if (grid_.OnGetCellParams) {
    platform::TFontSpec font = column.Font();
    grid_.OnGetCellParams(grid_, column, font, color, 0);
  }
  return color;
}

void TDBGridEhExportSource::GetFooterParams(int c, int row, platform::TFontSpec& font,
                                            platform::TColor& background,
                                            TAlignment& alignment, std::string& text) const {
  if (grid_.OnGetFooterParams) {
    grid_.OnGetFooterParams(grid_, c, row, Column(c), font, background, alignment, 0, text);
  }
}

bool TDBGridEhExportSource::HasCellHooks() const {
  if (grid_.OnGetCellParams || grid_.OnGetFooterParams) return true;
  for (int c = 0; c < grid_.Columns().Count(); ++c) {
    if (Column(c).OnGetCellParams) return true;
  }
  return false;
}

int64_t TDBGridEhExportSource::RecordCount() const {
  // Only a client result set holding every row knows the count before the walk.
  auto* client = dynamic_cast<const TCustomClientDataSet*>(grid_.DataSet());
  if (client == nullptr || !client->Active() || !client->AllRowsFetched()) return -1;
  return client->RecordCount();
}

TExportSelectionType TDBGridEhExportSource::SelectionType() const {
  return static_cast<TExportSelectionType>(grid_.Selection().SelectionType());
}

std::vector<TBookmark> TDBGridEhExportSource::SelectedRows() const {
  return {grid_.Selection().Rows().begin(), grid_.Selection().Rows().end()};
}

int TDBGridEhExportSource::RectLeftColumn() const { return grid_.Selection().Rect().LeftCol(); }
int TDBGridEhExportSource::RectRightColumn() const {
  return grid_.Selection().Rect().RightCol();
}
TBookmark TDBGridEhExportSource::RectTopRow() const { return grid_.Selection().Rect().TopRow(); }
TBookmark TDBGridEhExportSource::RectBottomRow() const {
  return grid_.Selection().Rect().BottomRow();
}

std::vector<int> TDBGridEhExportSource::SelectedColumns() const {
  std::vector<int> list;
  for (TColumnEh* column : grid_.Selection().Columns()) list.push_back(column->Index());
  return list;
}

void TDBGridEhExportSource::BeginWalk() {
  TDataSet& data = Data();
  data.DisableControls();
  savedBookmark_ = data.GetBookmark();
  savedRow_ = data.ActiveRecord();
}

void TDBGridEhExportSource::EndWalk() {
  TDataSet& data = Data();
  try {
    if (!savedBookmark_.empty() && data.BookmarkValid(savedBookmark_)) {
      data.GotoBookmark(savedBookmark_);
      // Scroll the record window so that the record shows at its former row again.
      const int row = data.ActiveRecord();
      if (row > savedRow_) {
        const int moved = data.MoveBy(data.BufferCount() - 1 - row + (row - savedRow_));
        data.MoveBy(-moved);
      } else if (row < savedRow_) {
        const int moved = data.MoveBy(-savedRow_);
        data.MoveBy(-moved);
      }
    }
  } catch (...) {
    data.EnableControls();
    throw;
  }
  data.EnableControls();
}

void TDataSetExportSource::First() { Data().First(); }
void TDataSetExportSource::Next() { Data().Next(); }
bool TDataSetExportSource::Eof() const { return Data().Eof(); }
TBookmark TDataSetExportSource::GetBookmark() const { return Data().GetBookmark(); }
void TDataSetExportSource::GotoBookmark(const TBookmark& bookmark) {
  Data().GotoBookmark(bookmark);
}
int TDataSetExportSource::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  return Data().CompareBookmarks(a, b);
}

int TDBGridEhExportSource::ColumnField(int c) const {
  TField* field = Column(c).Field();
  return field ? Data().Fields().IndexOf(field) : -1;
}

int TDBGridEhExportSource::FooterField(int c, int row) const {
  const TColumnEh& column = Column(c);
  const std::string& name = column.GetFooter(row).FieldName.empty()
                                ? column.FieldName()
                                : column.GetFooter(row).FieldName;
  TDataSet* data = grid_.DataSet();
  TField* field = data ? data->FindField(name) : nullptr;
  return field ? data->Fields().IndexOf(field) : -1;
}

TFieldType TDataSetExportSource::FieldType(int f) const { return Field(f).DataType(); }
bool TDataSetExportSource::FieldIsNull(int f) const { return Field(f).IsNull(); }

int64_t TDataSetExportSource::FieldAsInteger(int f) const {
  const TField& field = Field(f);
  if (auto* integer = dynamic_cast<const TIntegerField*>(&field)) return integer->AsLargeInt();
  return field.AsInteger();
}

double TDataSetExportSource::FieldAsFloat(int f) const { return Field(f).AsFloat(); }

std::string TDataSetExportSource::FieldDisplayFormat(int f) const {
  const TField& field = Field(f);
  if (auto* bcd = dynamic_cast<const TFMTBCDField*>(&field)) return bcd->DisplayFormat();
  if (auto* integer = dynamic_cast<const TIntegerField*>(&field)) return integer->DisplayFormat();
  return {};
}

std::string TDataSetExportSource::FormatFooterSum(int f, int64_t sum) const {
  const TField& field = Field(f);
  const platform::TFormatSettings& settings = platform::FormatSettings();
  // The sum as an exact decimal with four places.
  const uint64_t magnitude = sum < 0 ? 0 - static_cast<uint64_t>(sum) : sum;
  char text[40];
  std::snprintf(text, sizeof text, "%s%llu.%04llu", sum < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 10000),
                static_cast<unsigned long long>(magnitude % 10000));
  TBcd value;
  TryTextToBcd(text, '.', value);
  switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
      auto* integer = dynamic_cast<const TIntegerField*>(&field);
      if (integer && !integer->DisplayFormat().empty()) {
        return FormatBcd(integer->DisplayFormat(), value, settings);
      }
      return std::to_string(sum / 10000);
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: {
      auto* bcd = dynamic_cast<const TFMTBCDField*>(&field);
      if (bcd && !bcd->DisplayFormat().empty()) {
        return FormatBcd(bcd->DisplayFormat(), value, settings);
      }
      return BcdToPlainText(value, settings.DecimalSeparator);
    }
    default:
      return {};
  }
}

void ExportGridToFile(TDBGridEhExportClass exporterClass, TDBGridEh& grid,
                      const std::string& fileName, bool saveAll,
                      const TExportDocumentInfo& info,
                      const std::function<bool(long)>& rowProgress) {
  TDBGridEhExportSource source(grid);
  ExportGridToFile(exporterClass, static_cast<IExportGrid&>(source), fileName, saveAll, info,
                   rowProgress);
}

void ExportGridToStream(TDBGridEhExportClass exporterClass, TDBGridEh& grid, TStream& stream,
                        bool saveAll, const TExportDocumentInfo& info) {
  TDBGridEhExportSource source(grid);
  ExportGridToStream(exporterClass, static_cast<IExportGrid&>(source), stream, saveAll, info);
}
