#include "print/CostChart.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "data/FMTBcd.h"
#include "platform/Cp1252.h"
#include "platform/Errors.h"
#include "platform/RegionalSettings.h"
#include "print/PrintUnits.h"

namespace {

// A unit cost for ranking: a missing one below every figure.
double Rank(double unitCost) {
  return std::isnan(unitCost) ? -std::numeric_limits<double>::infinity() : unitCost;
}

// Whether `a` is kept before `b` when the lowest must go: lower unit cost, later row.
bool GoesFirst(const TCostChartEntry& a, const TCostChartEntry& b) {
  if (Rank(a.UnitCost) != Rank(b.UnitCost)) return Rank(a.UnitCost) > Rank(b.UnitCost);
  return a.Order < b.Order;
}

const QColor kPartColors[] = {QColor(0x4E, 0x79, 0xA7), QColor(0xF2, 0x8E, 0x2B),
                              QColor(0xE1, 0x57, 0x59), QColor(0x76, 0xB7, 0xB2),
                              QColor(0x59, 0xA1, 0x4F), QColor(0xED, 0xC9, 0x48),
                              QColor(0xB0, 0x7A, 0xA1), QColor(0xFF, 0x9D, 0xA7),
                              QColor(0x9C, 0x75, 0x5F), QColor(0xBA, 0xB0, 0xAC)};
const QColor kBarColor(0x4E, 0x79, 0xA7);

const platform::TFontSpec kChartFont{.Name = "Arial", .Size = 8};

// An axis or bar label: grouped thousands, decimals only when the step needs them.
QString NumberText(double value, bool decimals) {
  const platform::TFormatSettings& settings = platform::FormatSettings();
  const std::string format = decimals ? "#,##0.00" : "#,##0";
  std::string text;
  try {
    text = FormatBcd(format, DoubleToBcd(value, 18, decimals ? 2 : 0), settings);
  } catch (const platform::Exception&) {
    text = std::to_string(value);
  }
  return platform::ToQString(text);
}

struct Plot {
  QRectF Area;   // the bars' area
  double Low = 0, High = 1, Step = 1;
  double Y(double value) const {
    return Area.bottom() - (value - Low) / (High - Low) * Area.height();
  }
};

// The title, the value axis with its grid lines and the warehouse labels under the bars.
Plot DrawFrame(QPainter& painter, const QRectF& box, const QString& title, double low,
               double high, const std::vector<TCostChartEntry>& entries) {
  const QPaintDevice& device = *painter.device();
  platform::TFontSpec bold = kChartFont;
  bold.Bold = true;
  painter.setFont(PrintFont(bold, 10, device));
  const QRectF titleRect(box.left(), box.top(), box.width(), Dots(14));
  painter.setPen(Qt::black);
  painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, title);

  Plot plot;
  plot.Step = AxisStep(low, high, 6, plot.Low, plot.High);
  const bool decimals = plot.Step < 1;
  painter.setFont(PrintFont(kChartFont, 7, device));
  const double labelWidth = Dots(58);
  plot.Area = QRectF(box.left() + labelWidth, titleRect.bottom() + Dots(6),
                     box.width() - labelWidth - Dots(4),
                     box.height() - titleRect.height() - Dots(6) - Dots(14));
  for (double tick = plot.Low; tick <= plot.High + plot.Step / 2; tick += plot.Step) {
    const double y = plot.Y(tick);
    painter.setPen(QPen(QColor(0xD0, 0xD0, 0xD0), Dots(0.4)));
    painter.drawLine(QPointF(plot.Area.left(), y), QPointF(plot.Area.right(), y));
    painter.setPen(Qt::black);
    painter.drawText(QRectF(box.left(), y - Dots(5), labelWidth - Dots(4), Dots(10)),
                     Qt::AlignRight | Qt::AlignVCenter, NumberText(tick, decimals));
  }
  painter.setPen(QPen(Qt::black, Dots(0.6)));
  painter.drawLine(QPointF(plot.Area.left(), plot.Y(0)), QPointF(plot.Area.right(), plot.Y(0)));
  painter.drawLine(plot.Area.topLeft(), plot.Area.bottomLeft());
  const double slot = plot.Area.width() / std::max<size_t>(entries.size(), 1);
  for (size_t i = 0; i < entries.size(); ++i) {
    const QRectF label(plot.Area.left() + i * slot, plot.Area.bottom() + Dots(2), slot,
                       Dots(10));
    DrawFittedText(painter, label, Qt::AlignHCenter | Qt::AlignTop,
                   platform::ToQString(entries[i].Label));
  }
  return plot;
}

QRectF Bar(const Plot& plot, size_t index, size_t count, double from, double to) {
  const double slot = plot.Area.width() / std::max<size_t>(count, 1);
  const double width = slot * 0.7;
  const double left = plot.Area.left() + index * slot + (slot - width) / 2;
  return QRectF(QPointF(left, plot.Y(std::max(from, to))),
                QPointF(left + width, plot.Y(std::min(from, to))));
}

void DrawUnitCostChart(QPainter& painter, const QRectF& box,
                       const std::vector<TCostChartEntry>& entries, const QString& title) {
  double low = 0, high = 0;
  for (const TCostChartEntry& e : entries) {
    if (std::isnan(e.UnitCost)) continue;
    low = std::min(low, e.UnitCost);
    high = std::max(high, e.UnitCost);
  }
  const Plot plot = DrawFrame(painter, box, title, low, high, entries);
  painter.setFont(PrintFont(kChartFont, 6, *painter.device()));
  for (size_t i = 0; i < entries.size(); ++i) {
    if (std::isnan(entries[i].UnitCost)) continue;  // no figure, no bar
    const QRectF bar = Bar(plot, i, entries.size(), 0, entries[i].UnitCost);
    painter.fillRect(bar, kBarColor);
    const double top = entries[i].UnitCost >= 0 ? bar.top() - Dots(9) : bar.bottom();
    const double slot = plot.Area.width() / entries.size();
    painter.setPen(Qt::black);
    DrawFittedText(painter,
                   QRectF(plot.Area.left() + i * slot, top, slot, Dots(9)),
                   Qt::AlignHCenter | Qt::AlignVCenter, NumberText(entries[i].UnitCost, true));
  }
}

void DrawPartsChart(QPainter& painter, const QRectF& box,
                    const std::vector<TCostChartEntry>& entries, const QString& title,
                    const std::vector<std::string>& parts) {
  // Positive parts stack up from zero, negative ones (credits) down from it.
  double low = 0, high = 0;
  for (const TCostChartEntry& e : entries) {
    double up = 0, down = 0;
    for (double part : e.Parts) {
      if (!std::isnan(part)) (part >= 0 ? up : down) += part;
    }
    high = std::max(high, up);
    low = std::min(low, down);
  }
  const double legendHeight = Dots(14);
  const QRectF chartBox(box.left(), box.top(), box.width(), box.height() - legendHeight);
  const Plot plot = DrawFrame(painter, chartBox, title, low, high, entries);
  for (size_t i = 0; i < entries.size(); ++i) {
    double up = 0, down = 0;
    for (size_t p = 0; p < entries[i].Parts.size(); ++p) {
      const double part = entries[i].Parts[p];
      if (std::isnan(part)) continue;
      double& base = part >= 0 ? up : down;
      painter.fillRect(Bar(plot, i, entries.size(), base, base + part),
                       kPartColors[p % std::size(kPartColors)]);
      base += part;
    }
  }
  // The legend: a swatch and the column title of each part, in one line.
  painter.setFont(PrintFont(kChartFont, 7, *painter.device()));
  painter.setPen(Qt::black);
  const double itemWidth = plot.Area.width() / std::max<size_t>(parts.size(), 1);
  const double y = box.bottom() - legendHeight + Dots(3);
  for (size_t p = 0; p < parts.size(); ++p) {
    const double x = plot.Area.left() + p * itemWidth;
    painter.fillRect(QRectF(x, y + Dots(2), Dots(7), Dots(7)),
                     kPartColors[p % std::size(kPartColors)]);
    DrawFittedText(painter, QRectF(x + Dots(10), y, itemWidth - Dots(12), Dots(11)),
                   Qt::AlignLeft | Qt::AlignVCenter, platform::ToQString(parts[p]));
  }
}

}  // namespace

void TCostChartData::Add(std::string label, double unitCost, std::vector<double> parts) {
  TCostChartEntry entry{std::move(label), unitCost, std::move(parts), total_++};
  heap_.push_back(std::move(entry));
  std::push_heap(heap_.begin(), heap_.end(), GoesFirst);
  if (static_cast<long>(heap_.size()) > limit_) {
    std::pop_heap(heap_.begin(), heap_.end(), GoesFirst);
    heap_.pop_back();
  }
}

bool TCostChartData::Wants(double unitCost) const {
  // The heap's top is the kept warehouse that would go first: the lowest unit cost.
  return static_cast<long>(heap_.size()) < limit_ || Rank(unitCost) > Rank(heap_.front().UnitCost);
}

std::vector<TCostChartEntry> TCostChartData::Entries() const {
  std::vector<TCostChartEntry> entries = heap_;
  if (Truncated()) {
    std::sort(entries.begin(), entries.end(), GoesFirst);
  } else {
    std::sort(entries.begin(), entries.end(),
              [](const TCostChartEntry& a, const TCostChartEntry& b) { return a.Order < b.Order; });
  }
  return entries;
}

double AxisStep(double low, double high, int maxTicks, double& first, double& last) {
  const double span = high - low;
  double step = 1;
  if (span > 0) {
    const double raw = span / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    step = power * 10;
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
      if (power * factor >= raw) {
        step = power * factor;
        break;
      }
    }
  }
  first = std::floor(low / step) * step;
  last = std::ceil(high / step) * step;
  if (last <= first) last = first + step;
  return step;
}

void DrawCostCharts(QPainter& painter, const QRectF& area, const TCostChartData& data,
                    const TCostChartTitles& titles) {
  const std::vector<TCostChartEntry> entries = data.Entries();
  double top = area.top();
  if (data.Truncated()) {
    painter.setFont(PrintFont(kChartFont, 8, *painter.device()));
    painter.setPen(Qt::black);
    const std::string note = "Se muestran las " + std::to_string(data.Limit()) +
                             " bodegas de mayor costo unitario de " +
                             "%1.";
    painter.drawText(QRectF(area.left(), top, area.width(), Dots(12)),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     platform::ToQString(note).arg(NumberText(static_cast<double>(data.Total()),
                                                              false)));
    top += Dots(16);
  }
  const double gap = Dots(14);
  const double half = (area.bottom() - top - gap) / 2;
  DrawUnitCostChart(painter, QRectF(area.left(), top, area.width(), half), entries,
                    platform::ToQString(titles.UnitCost) + QStringLiteral(" por bodega"));
  DrawPartsChart(painter, QRectF(area.left(), top + half + gap, area.width(), half), entries,
                 QStringLiteral("Costo total por bodega y sus partes"), titles.Parts);
}
