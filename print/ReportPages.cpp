#include "print/ReportPages.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <algorithm>
#include <functional>
#include <limits>

#include "export/DBGridEhImpExp.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "print/PrintUnits.h"
#include "print/ReportRowSpool.h"

namespace {

// The page header above the column titles, in points.
constexpr double kHeaderHeight = 46;
// The smallest text the grid's columns are shrunk to before they are split across pages.
constexpr double kMinTextPoints = 4.8;
// Space between a cell's text and its lines, in points at the grid's size.
constexpr double kCellPadding = 2;

const platform::TFontSpec kHeaderFont{.Name = "Arial", .Size = 8};
const QColor kLineColor(0xA0, 0xA0, 0xA0);
const QColor kTitleBackground(0xE4, 0xE4, 0xE4);
const QColor kStripe(0xF4, 0xF4, 0xF4);

// The export walk, used only for its choice of rows and columns: each row it would write is
// handed to `OnRow` with the data set on that row.
class TRowWalk : public TDBGridEhExport {
 public:
  std::function<void()> OnRow;

 protected:
  void AccumulateFooters() override {}
  void EmitDataRow(const std::vector<int>& /*columns*/) override { OnRow(); }
  void EmitFooterRow(const std::vector<int>& /*columns*/, int /*footerRow*/) override {}
};

class TNoStream : public TStream {
 public:
  void Write(const void* /*data*/, size_t /*size*/) override {}
  using TStream::Write;
};

int AlignmentFlags(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

// A chart figure; NaN for a missing value, which the charts leave empty.
double FieldNumber(const TField* field) {
  return field->IsNull() ? std::numeric_limits<double>::quiet_NaN() : field->AsFloat();
}

// Keeps the QFont and the advances of the last font spec, since every cell of a column
// shares one.
class TFontCache {
 public:
  // True when the font changed.
  bool Select(const platform::TFontSpec& spec, double points, const QPaintDevice& device) {
    if (measure_ && spec == spec_ && points == points_) return false;
    font_ = PrintFont(spec, points, device);
    measure_ = std::make_unique<TTextMeasure>(font_, &device);
    spec_ = spec;
    points_ = points;
    return true;
  }
  const QFont& Font() const { return font_; }
  const TTextMeasure& Measure() const { return *measure_; }

 private:
  platform::TFontSpec spec_;
  double points_ = 0;
  QFont font_;
  std::unique_ptr<TTextMeasure> measure_;
};

}  // namespace

QPageLayout TReportPages::DefaultPageLayout() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(8, 8, 8, 8),
                     QPageLayout::Millimeter);
}

TReportPages::TReportPages(TDBGridEh& grid, TReportPrintSpec spec, TPrintRows rows)
    : grid_(grid), source_(grid), spec_(std::move(spec)) {
  if (rows == TPrintRows::Spooled) spool_ = std::make_unique<TReportRowSpool>();
  ReadRows(grid);
  const double pointsPerPixel = 72.0 / std::max(grid.logicalDpiX(), 1);
  // Each column as wide as its title and its widest text, whatever its width in the window,
  // so that names and figures print whole.
  for (size_t i = 0; i < columns_.size(); ++i) {
    const double title =
        QFontMetricsF(platform::ToQFont(source_.TitleFont(columns_[i])))
            .horizontalAdvance(platform::ToQString(source_.TitleCaption(columns_[i]))) +
        2 * kCellPadding * grid.logicalDpiX() / 72.0;
    widths_.push_back({std::max(textWidths_[i], title) * pointsPerPixel, IsKey(columns_[i])});
  }
  titleHeight_ = grid.TitleRowHeight() * 72.0 / std::max(grid.logicalDpiY(), 1);
  rowHeight_ = grid.DataRowHeight() * 72.0 / std::max(grid.logicalDpiY(), 1);
  gridFontPoints_ = std::max(grid.Font().Size, 1);
  SetPageLayout(DefaultPageLayout());
}

TReportPages::~TReportPages() = default;

void TReportPages::ReadRows(TDBGridEh& grid) {
  TDataSet* data = grid.DataSet();
  TField* label = data ? data->FindField(spec_.ChartLabelField) : nullptr;
  TField* unitCost = data ? data->FindField(spec_.UnitCostField) : nullptr;
  std::vector<TField*> parts;
  hasChart_ = label != nullptr && unitCost != nullptr && !spec_.PartFields.empty();
  for (const std::string& name : spec_.PartFields) {
    parts.push_back(data ? data->FindField(name) : nullptr);
    hasChart_ = hasChart_ && parts.back() != nullptr;
  }
  TRowWalk walk;
  walk.SetGrid(&source_);
  TExportCellParams params;
  std::vector<std::unique_ptr<TTextMeasure>> metrics;
  const double padding = 2 * kCellPadding * grid.logicalDpiX() / 72.0;
  walk.OnRow = [&] {
    if (!spool_) rows_.push_back(source_.GetBookmark());
    ++rowCount_;
    // The widest text of each column, in the grid's pixels.
    const std::vector<int>& columns = walk.ExportedColumns();
    if (textWidths_.empty()) {
      textWidths_.assign(columns.size(), 0);
      metrics.resize(columns.size());
    }
    for (size_t i = 0; i < columns.size(); ++i) {
      source_.GetCellParams(columns[i], params);
      if (!metrics[i]) {
        metrics[i] = std::make_unique<TTextMeasure>(platform::ToQFont(params.Font), nullptr);
      }
      textWidths_[i] = std::max(textWidths_[i], metrics[i]->Width(params.Text) + padding);
      if (spool_) spool_->AddCell(params);
    }
    if (spool_) spool_->EndRow();
    if (!hasChart_) return;
    const double cost = FieldNumber(unitCost);
    if (!chart_.Wants(cost)) return chart_.Skip();
    std::vector<double> values;
    for (const TField* part : parts) values.push_back(FieldNumber(part));
    chart_.Add(label->DisplayText(), cost, std::move(values));
  };
  TNoStream sink;
  // Nothing selected prints everything.
  walk.RenderToStream(sink, source_.SelectionType() == TExportSelectionType::gstNon);
  columns_ = walk.ExportedColumns();
  textWidths_.resize(columns_.size(), 0);
  hasChart_ = hasChart_ && rowCount_ > 0;
  if (hasChart_) {
    chartTitles_.UnitCost = unitCost->DisplayLabel();
    for (const TField* part : parts) chartTitles_.Parts.push_back(part->DisplayLabel());
  }
}

bool TReportPages::IsKey(int column) const {
  const std::string& field = grid_.Columns()[column]->FieldName();
  return std::find(spec_.KeyFields.begin(), spec_.KeyFields.end(), field) !=
         spec_.KeyFields.end();
}

void TReportPages::SetPageLayout(const QPageLayout& layout) {
  pageLayout_ = layout;
  const QRectF paint = layout.paintRect(QPageLayout::Point);
  TPageLayoutInput input;
  input.Columns = widths_;
  input.PageWidth = paint.width();
  input.PageHeight = paint.height();
  input.HeaderHeight = kHeaderHeight;
  input.TitleHeight = titleHeight_;
  input.RowHeight = rowHeight_;
  input.MinScale = std::min(1.0, kMinTextPoints / gridFontPoints_);
  input.Rows = RowCount();
  input.ChartPage = hasChart_;
  layout_ = ComputePageLayout(input);
}

void TReportPages::DrawPage(QPainter& painter, int page) {
  if (page < 0 || page >= PageCount()) return;
  painter.save();
  ScaleToDots(painter);
  DrawHeader(painter, page);
  if (hasChart_ && page == PageCount() - 1) {
    DrawCharts(painter);
  } else {
    DrawRows(painter, page);
  }
  painter.restore();
}

void TReportPages::DrawHeader(QPainter& painter, int page) const {
  const QPaintDevice& device = *painter.device();
  const double width = Dots(pageLayout_.paintRect(QPageLayout::Point).width());
  platform::TFontSpec bold = kHeaderFont;
  bold.Bold = true;
  painter.setPen(Qt::black);
  painter.setFont(PrintFont(bold, 12, device));
  painter.drawText(QRectF(0, 0, width, Dots(16)), Qt::AlignLeft | Qt::AlignVCenter,
                   platform::ToQString(kReportTitle));
  painter.setFont(PrintFont(kHeaderFont, 8, device));
  const TReportHeading& h = spec_.Heading;
  const auto line = [&](double top, const QString& left, const std::string& right) {
    const QRectF rect(0, Dots(top), width, Dots(11));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, left);
    painter.drawText(rect, Qt::AlignRight | Qt::AlignVCenter, platform::ToQString(right));
  };
  painter.drawText(QRectF(0, 0, width, Dots(16)), Qt::AlignRight | Qt::AlignVCenter,
                   platform::ToQString("P\xe1gina " + std::to_string(page + 1) + " de " +
                                       std::to_string(PageCount())));
  line(17,
       platform::ToQString("Compa\xf1\xed" "a: ") + QString::fromStdString(h.Company) +
           QStringLiteral("    Servidor: ") + QString::fromStdString(h.Server),
       "Impreso: " + h.Printed);
  std::string part;
  const int bands = static_cast<int>(layout_.Bands.size());
  if (bands > 1 && !(hasChart_ && page == PageCount() - 1)) {
    part = "Columnas: parte " + std::to_string(page % bands + 1) + " de " +
           std::to_string(bands);
  }
  line(29, platform::ToQString("Per\xedodo: Desde " + h.From + " Hasta " + h.To), part);
  painter.setPen(QPen(Qt::black, Dots(0.8)));
  painter.drawLine(QPointF(0, Dots(kHeaderHeight - 4)), QPointF(width, Dots(kHeaderHeight - 4)));
}

void TReportPages::DrawRows(QPainter& painter, int page) {
  const QPaintDevice& device = *painter.device();
  const TPagePlace place = PlaceOfPage(layout_, RowCount(), page);
  const std::vector<int>& band = layout_.Bands[place.Band];
  const double scale = layout_.Scale;
  std::vector<double> left{0};
  for (int i : band) left.push_back(left.back() + Dots(widths_[i].Width * scale));
  const double padding = Dots(kCellPadding * scale);
  const double titleHeight = Dots(titleHeight_ * scale);
  const double rowHeight = Dots(rowHeight_ * scale);
  const double top = Dots(kHeaderHeight);
  const double tableWidth = left.back();
  const double bottom = top + titleHeight + rowHeight * (place.EndRow - place.FirstRow);

  // Column titles.
  painter.fillRect(QRectF(0, top, tableWidth, titleHeight), kTitleBackground);
  painter.setPen(Qt::black);
  for (size_t i = 0; i < band.size(); ++i) {
    const int column = columns_[band[i]];
    const platform::TFontSpec font = source_.TitleFont(column);
    painter.setFont(PrintFont(font, font.Size * scale, device));
    DrawFittedText(painter,
                   QRectF(left[i] + padding, top, left[i + 1] - left[i] - 2 * padding,
                          titleHeight),
                   AlignmentFlags(source_.TitleAlignment(column)),
                   platform::ToQString(source_.TitleCaption(column)));
  }

  // The page's rows, read from the spool or from the grid's data set, where the grid keeps
  // its position.
  TFontCache fonts;
  TExportCellParams params;
  if (spool_) {
    spool_->ReadRows(place.FirstRow, place.EndRow);
  } else {
    source_.BeginWalk();
  }
  try {
    platform::TColor penColor = platform::clNone;
    for (int row = place.FirstRow; row < place.EndRow; ++row) {
      const double y = top + titleHeight + rowHeight * (row - place.FirstRow);
      if (!spool_) source_.GotoBookmark(rows_[row]);
      // A striped row is filled once across the table, under cells of their own colours.
      if (row % 2 == 1) painter.fillRect(QRectF(0, y, tableWidth, rowHeight), kStripe);
      for (size_t i = 0; i < band.size(); ++i) {
        if (!spool_) source_.GetCellParams(columns_[band[i]], params);
        const TExportCellParams& cell = spool_ ? spool_->Cell(row, band[i]) : params;
        const QRectF rect(left[i], y, left[i + 1] - left[i], rowHeight);
        if (cell.Background != platform::clWindow) {
          painter.fillRect(rect, platform::ToQColor(cell.Background));
        }
        if (fonts.Select(cell.Font, cell.Font.Size * scale, device)) painter.setFont(fonts.Font());
        if (cell.Font.Color != penColor) {
          penColor = cell.Font.Color;
          painter.setPen(platform::ToQColor(penColor));
        }
        fonts.Measure().Draw(painter, rect.adjusted(padding, 0, -padding, 0),
                             AlignmentFlags(cell.Alignment), platform::ToQString(cell.Text),
                             fonts.Measure().Width(cell.Text));
      }
    }
  } catch (...) {
    if (!spool_) source_.EndWalk();
    throw;
  }
  if (!spool_) source_.EndWalk();

  // Lines: around the table, under the titles and every row, between the columns.
  painter.setPen(QPen(kLineColor, Dots(0.3)));
  for (int row = 0; row <= place.EndRow - place.FirstRow; ++row) {
    const double y = top + titleHeight + rowHeight * row;
    painter.drawLine(QPointF(0, y), QPointF(tableWidth, y));
  }
  for (double x : left) painter.drawLine(QPointF(x, top), QPointF(x, bottom));
  painter.setPen(QPen(Qt::black, Dots(0.5)));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(0, top, tableWidth, bottom - top));
}

void TReportPages::DrawCharts(QPainter& painter) const {
  const QRectF paint = pageLayout_.paintRect(QPageLayout::Point);
  const QRectF area(0, Dots(kHeaderHeight + 4), Dots(paint.width()),
                    Dots(paint.height() - kHeaderHeight - 4));
  DrawCostCharts(painter, area, chart_, chartTitles_);
}
