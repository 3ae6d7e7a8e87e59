#include "print/ComparisonPages.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/Cp1252.h"
#include "platform/RegionalSettings.h"
#include "print/CostChart.h"
#include "print/PrintUnits.h"

namespace {

// Lengths in points.
constexpr double kHeaderHeight = 58;
constexpr double kTextPoints = 7;
constexpr double kRowHeight = 10;
constexpr double kTitleHeight = 2 * kRowHeight;  // the column title above its four cells
constexpr double kCellPadding = 2;
// The smallest scale before the compared columns are split across pages.
constexpr double kMinScale = 0.7;

const platform::TFontSpec kFont{.Name = "Arial", .Size = 8};
const QColor kLineColor(0xA0, 0xA0, 0xA0);
const QColor kTitleBackground(0xE4, 0xE4, 0xE4);
const QColor kStripe(0xF4, 0xF4, 0xF4);
const QColor kTotalsBackground(0xC0, 0xDC, 0xC0);
const QColor kRiseColor(0xC0, 0x50, 0x4D);
const QColor kFallColor(0x4F, 0x81, 0xBD);

// What each compared column's four cells are.
const char* const kCellTitles[] = {"Actual", "Ref.", "Dif.", "% Var."};
constexpr int kCells = 4;

platform::TFontSpec Bold() {
  platform::TFontSpec bold = kFont;
  bold.Bold = true;
  return bold;
}

// A device of 72 dots per inch, on which text is measured in points.
const QImage& PointDevice() {
  static const QImage image = [] {
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(72 / 0.0254));
    device.setDotsPerMeterY(qRound(72 / 0.0254));
    return device;
  }();
  return image;
}

TTextMeasure PointMeasure(const platform::TFontSpec& spec) {
  QFont font = platform::ToQFont(spec);
  font.setPointSizeF(kTextPoints);
  return TTextMeasure(font, &PointDevice());
}

// A change in percent with its sign and `decimals` decimals, in the regional decimal separator.
QString ChangeText(double change, int decimals = 2) {
  QString text = QString::number(change, 'f', decimals);
  const char separator = platform::FormatSettings().DecimalSeparator;
  if (separator != '.') text.replace('.', QChar::fromLatin1(separator));
  return (change > 0 ? QStringLiteral("+") : QString()) + text + QStringLiteral(" %");
}

}  // namespace

TComparisonChartData PickLargestChanges(const std::vector<std::pair<int, double>>& changes,
                                        int limit) {
  TComparisonChartData data;
  for (const auto& change : changes) {
    if (std::isnan(change.second) || change.second == 0) continue;
    (change.second > 0 ? data.Rises : data.Falls).push_back(change);
  }
  data.RiseCount = static_cast<long>(data.Rises.size());
  data.FallCount = static_cast<long>(data.Falls.size());
  // The larger change first; of equal ones, the earlier line.
  const auto keep = [limit](std::vector<std::pair<int, double>>& list, bool rises) {
    const auto larger = [rises](const auto& a, const auto& b) {
      const double x = rises ? a.second : -a.second, y = rises ? b.second : -b.second;
      return x != y ? x > y : a.first < b.first;
    };
    const size_t kept = std::min(list.size(), static_cast<size_t>(std::max(limit, 0)));
    std::partial_sort(list.begin(), list.begin() + static_cast<long>(kept), list.end(), larger);
    list.resize(kept);
  };
  keep(data.Rises, true);
  keep(data.Falls, false);
  return data;
}

TComparisonPages::TComparisonPages(const TComparisonLines& lines, TComparisonPrintSpec spec)
    : lines_(lines), spec_(std::move(spec)) {
  MeasureLines();
  SetPageLayout(TReportPages::DefaultPageLayout());
}

void TComparisonPages::MeasureLines() {
  const TTextMeasure plain = PointMeasure(kFont);
  const TTextMeasure bold = PointMeasure(Bold());
  const double padding = 2 * kCellPadding;
  const size_t measures = spec_.Titles.size();
  widths_.assign(2 + kCells * measures, 0);
  widths_[0] = bold.Width("C\xf3" "digo") + padding;
  widths_[1] = bold.Width("Nombre") + padding;
  for (size_t m = 0; m < measures; ++m) {
    titleWidth_ = std::max(titleWidth_, bold.Width(spec_.Titles[m]) + padding);
    for (int c = 0; c < kCells; ++c) {
      widths_[2 + kCells * m + c] = bold.Width(kCellTitles[c]) + padding;
    }
  }
  std::vector<std::pair<int, double>> changes;
  TComparisonLine line;
  const int count = lines_.Count();
  for (int index = 0; index <= count; ++index) {
    lines_.Read(index, line);
    const TTextMeasure& measure = index == count ? bold : plain;
    widths_[0] = std::max(widths_[0], measure.Width(line.Code) + padding);
    widths_[1] = std::max(widths_[1], measure.Width(line.Name) + padding);
    for (size_t cell = 0; cell < line.Cells.size() && 2 + cell < widths_.size(); ++cell) {
      widths_[2 + cell] = std::max(widths_[2 + cell], measure.Width(line.Cells[cell]) + padding);
    }
    if (index < count) changes.emplace_back(index, line.ChartChange);
  }
  chart_ = PickLargestChanges(changes, kChartLimit);
}

void TComparisonPages::SetPageLayout(const QPageLayout& layout) {
  pageLayout_ = layout;
  const QRectF paint = layout.paintRect(QPageLayout::Point);
  TPageLayoutInput input;
  // The code and name repeat on every band; a compared column's four cells stay together.
  input.Columns = {{widths_[0], true}, {widths_[1], true}};
  for (size_t m = 0; m < spec_.Titles.size(); ++m) {
    double group = 0;
    for (int c = 0; c < kCells; ++c) group += widths_[2 + kCells * m + c];
    input.Columns.push_back({std::max(group, titleWidth_), false});
  }
  input.PageWidth = paint.width();
  input.PageHeight = paint.height();
  input.HeaderHeight = kHeaderHeight;
  input.TitleHeight = kTitleHeight;
  input.RowHeight = kRowHeight;
  input.MinScale = kMinScale;
  input.Rows = lines_.Count() + 1;
  input.ChartPage = HasChartPage();
  layout_ = ComputePageLayout(input);
}

void TComparisonPages::DrawPage(QPainter& painter, int page) {
  if (page < 0 || page >= PageCount()) return;
  painter.save();
  ScaleToDots(painter);
  DrawHeader(painter, page);
  if (HasChartPage() && page == PageCount() - 1) {
    DrawChart(painter);
  } else {
    DrawRows(painter, page);
  }
  painter.restore();
}

void TComparisonPages::DrawHeader(QPainter& painter, int page) const {
  const QPaintDevice& device = *painter.device();
  const double width = Dots(pageLayout_.paintRect(QPageLayout::Point).width());
  painter.setPen(Qt::black);
  platform::TFontSpec title = Bold();
  painter.setFont(PrintFont(title, 12, device));
  painter.drawText(QRectF(0, 0, width, Dots(16)), Qt::AlignLeft | Qt::AlignVCenter,
                   platform::ToQString(std::string(kReportTitle) + " - Comparativo"));
  painter.setFont(PrintFont(kFont, 8, device));
  painter.drawText(QRectF(0, 0, width, Dots(16)), Qt::AlignRight | Qt::AlignVCenter,
                   platform::ToQString("P\xe1gina " + std::to_string(page + 1) + " de " +
                                       std::to_string(PageCount())));
  const TReportHeading& h = spec_.Heading;
  const auto line = [&](double top, const QString& left, const std::string& right) {
    const QRectF rect(0, Dots(top), width, Dots(11));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, left);
    painter.drawText(rect, Qt::AlignRight | Qt::AlignVCenter, platform::ToQString(right));
  };
  line(17,
       platform::ToQString("Compa\xf1\xed" "a: ") + QString::fromStdString(h.Company) +
           QStringLiteral("    Servidor: ") + QString::fromStdString(h.Server),
       "Impreso: " + h.Printed);
  std::string part;
  const int bands = static_cast<int>(layout_.Bands.size());
  if (bands > 1 && !(HasChartPage() && page == PageCount() - 1)) {
    part = "Columnas: parte " + std::to_string(page % bands + 1) + " de " +
           std::to_string(bands);
  }
  line(29,
       platform::ToQString("Per\xedodo: Desde " + h.From + " Hasta " + h.To +
                           "    Referencia: Desde " + spec_.RefFrom + " Hasta " + spec_.RefTo),
       part);
  line(41,
       platform::ToQString("Ref.: valor del per\xedodo de referencia    Dif.: Actual - Ref."
                           "    % Var.: Dif. / Ref."),
       "");
  painter.setPen(QPen(Qt::black, Dots(0.8)));
  painter.drawLine(QPointF(0, Dots(kHeaderHeight - 4)), QPointF(width, Dots(kHeaderHeight - 4)));
}

std::vector<double> TComparisonPages::CellEdges(const std::vector<int>& band) const {
  const double scale = layout_.Scale;
  std::vector<double> edges{0};
  for (int column : band) {
    if (column < 2) {
      edges.push_back(edges.back() + Dots(widths_[column] * scale));
      continue;
    }
    // A title wider than the four cells widens each of them alike.
    const size_t first = 2 + kCells * static_cast<size_t>(column - 2);
    double group = 0;
    for (int c = 0; c < kCells; ++c) group += widths_[first + c];
    const double extra = std::max(0.0, titleWidth_ - group) / kCells;
    for (int c = 0; c < kCells; ++c) {
      edges.push_back(edges.back() + Dots((widths_[first + c] + extra) * scale));
    }
  }
  return edges;
}

void TComparisonPages::DrawRows(QPainter& painter, int page) const {
  const QPaintDevice& device = *painter.device();
  const int rows = lines_.Count() + 1;
  const TPagePlace place = PlaceOfPage(layout_, rows, page);
  const std::vector<int>& band = layout_.Bands[place.Band];
  const double scale = layout_.Scale;
  const std::vector<double> edges = CellEdges(band);
  const double padding = Dots(kCellPadding * scale);
  const double rowHeight = Dots(kRowHeight * scale);
  const double top = Dots(kHeaderHeight);
  const double body = top + Dots(kTitleHeight * scale);
  const double tableWidth = edges.back();
  const double bottom = body + rowHeight * (place.EndRow - place.FirstRow);
  const QFont plainFont = PrintFont(kFont, kTextPoints * scale, device);
  const QFont boldFont = PrintFont(Bold(), kTextPoints * scale, device);
  const auto text = [&](double left, double right, double y, double height, int flags,
                        const std::string& cp1252) {
    DrawFittedText(painter, QRectF(left + padding, y, right - left - 2 * padding, height),
                   flags | Qt::AlignVCenter, platform::ToQString(cp1252));
  };

  // Titles: code and name over both title rows; each compared column over its four cells.
  painter.fillRect(QRectF(0, top, tableWidth, body - top), kTitleBackground);
  painter.setPen(Qt::black);
  painter.setFont(boldFont);
  std::vector<double> groupLines;
  size_t cell = 0;
  for (int column : band) {
    if (column < 2) {
      text(edges[cell], edges[cell + 1], top, body - top, Qt::AlignLeft,
           column == 0 ? "C\xf3" "digo" : "Nombre");
      ++cell;
      continue;
    }
    groupLines.push_back(edges[cell]);
    text(edges[cell], edges[cell + kCells], top, rowHeight, Qt::AlignHCenter,
         spec_.Titles[static_cast<size_t>(column - 2)]);
    for (int c = 0; c < kCells; ++c, ++cell) {
      text(edges[cell], edges[cell + 1], top + rowHeight, rowHeight, Qt::AlignRight,
           kCellTitles[c]);
    }
  }

  TComparisonLine line;
  const int count = lines_.Count();
  for (int row = place.FirstRow; row < place.EndRow; ++row) {
    const double y = body + rowHeight * (row - place.FirstRow);
    lines_.Read(row, line);
    const bool totals = row == count;
    if (totals) {
      painter.fillRect(QRectF(0, y, tableWidth, rowHeight), kTotalsBackground);
    } else if (row % 2 == 1) {
      painter.fillRect(QRectF(0, y, tableWidth, rowHeight), kStripe);
    }
    painter.setFont(totals ? boldFont : plainFont);
    painter.setPen(Qt::black);
    cell = 0;
    for (int column : band) {
      if (column < 2) {
        text(edges[cell], edges[cell + 1], y, rowHeight, Qt::AlignLeft,
             column == 0 ? line.Code : line.Name);
        ++cell;
        continue;
      }
      const size_t first = kCells * static_cast<size_t>(column - 2);
      for (int c = 0; c < kCells; ++c, ++cell) {
        const size_t at = first + static_cast<size_t>(c);
        if (at < line.Cells.size()) {
          text(edges[cell], edges[cell + 1], y, rowHeight, Qt::AlignRight, line.Cells[at]);
        }
      }
    }
  }

  // Lines: under the titles and every row, between the cells; darker between the groups.
  painter.setPen(QPen(kLineColor, Dots(0.3)));
  painter.drawLine(QPointF(edges[2], top + rowHeight), QPointF(tableWidth, top + rowHeight));
  for (int row = 0; row <= place.EndRow - place.FirstRow; ++row) {
    const double y = body + rowHeight * row;
    painter.drawLine(QPointF(0, y), QPointF(tableWidth, y));
  }
  for (size_t i = 0; i < edges.size(); ++i) {
    painter.drawLine(QPointF(edges[i], i <= 2 ? top : top + rowHeight), QPointF(edges[i], bottom));
  }
  painter.setPen(QPen(Qt::black, Dots(0.5)));
  for (double x : groupLines) painter.drawLine(QPointF(x, top), QPointF(x, bottom));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(0, top, tableWidth, bottom - top));
}

void TComparisonPages::DrawChart(QPainter& painter) const {
  const QPaintDevice& device = *painter.device();
  const QRectF paint = pageLayout_.paintRect(QPageLayout::Point);
  QRectF area(0, Dots(kHeaderHeight + 4), Dots(paint.width()),
              Dots(paint.height() - kHeaderHeight - 4));
  painter.setPen(Qt::black);
  painter.setFont(PrintFont(Bold(), 10, device));
  painter.drawText(QRectF(area.left(), area.top(), area.width(), Dots(14)),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   platform::ToQString("% Var. de " + spec_.ChartTitle +
                                       ": las bodegas de mayor alza y de mayor baja"));
  painter.setFont(PrintFont(kFont, 8, device));
  painter.drawText(
      QRectF(area.left(), area.top() + Dots(14), area.width(), Dots(12)),
      Qt::AlignLeft | Qt::AlignVCenter,
      platform::ToQString("Alzas: " + std::to_string(chart_.Rises.size()) + " de " +
                          std::to_string(chart_.RiseCount) + "    Bajas: " +
                          std::to_string(chart_.Falls.size()) + " de " +
                          std::to_string(chart_.FallCount)));
  area.setTop(area.top() + Dots(32));

  // One bar per warehouse, the rises above the falls, each from the zero line.
  std::vector<std::pair<int, double>> bars = chart_.Rises;
  bars.insert(bars.end(), chart_.Falls.rbegin(), chart_.Falls.rend());
  double low = 0, high = 0;
  for (const auto& bar : bars) {
    low = std::min(low, bar.second);
    high = std::max(high, bar.second);
  }
  double first = 0, last = 0;
  const double step = AxisStep(low, high, 8, first, last);
  const double labelWidth = area.width() * 0.28;
  const double valueRoom = Dots(40);
  const QRectF plot(area.left() + labelWidth + valueRoom, area.top(),
                    area.width() - labelWidth - 2 * valueRoom, area.height() - Dots(14));
  const auto x = [&](double value) {
    return plot.left() + (value - first) / (last - first) * plot.width();
  };
  const double slot = std::min(plot.height() / std::max<size_t>(bars.size(), 1), Dots(16));

  painter.setPen(QPen(kLineColor, Dots(0.3)));
  painter.setFont(PrintFont(kFont, 6, device));
  for (double tick = first; tick <= last + step / 2; tick += step) {
    painter.setPen(QPen(kLineColor, Dots(0.3)));
    painter.drawLine(QPointF(x(tick), plot.top()), QPointF(x(tick), plot.top() + slot * bars.size()));
    painter.setPen(Qt::black);
    DrawFittedText(painter, QRectF(x(tick) - Dots(20), plot.top() + slot * bars.size() + Dots(2),
                                   Dots(40), Dots(9)),
                   Qt::AlignHCenter | Qt::AlignVCenter, ChangeText(std::abs(tick) < step / 2 ? 0 : tick, step >= 1 ? 0 : 2));
  }
  TComparisonLine line;
  painter.setFont(PrintFont(kFont, 7, device));
  for (size_t i = 0; i < bars.size(); ++i) {
    const double y = plot.top() + slot * i;
    const double change = bars[i].second;
    lines_.Read(bars[i].first, line);
    painter.setPen(Qt::black);
    DrawFittedText(painter, QRectF(area.left(), y, labelWidth - Dots(4), slot),
                   Qt::AlignRight | Qt::AlignVCenter,
                   platform::ToQString(line.Code + " " + line.Name));
    const QRectF bar(QPointF(x(std::min(change, 0.0)), y + slot * 0.15),
                     QPointF(x(std::max(change, 0.0)), y + slot * 0.85));
    painter.fillRect(bar, change > 0 ? kRiseColor : kFallColor);
    const QRectF value = change > 0 ? QRectF(bar.right() + Dots(2), y, valueRoom, slot)
                                    : QRectF(bar.left() - valueRoom - Dots(2), y, valueRoom, slot);
    DrawFittedText(painter, value,
                   (change > 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                   ChangeText(change));
  }
  painter.setPen(QPen(Qt::black, Dots(0.6)));
  painter.drawLine(QPointF(x(0), plot.top()), QPointF(x(0), plot.top() + slot * bars.size()));
}
