#include "app/WindowFit.h"

#include <QWidget>
#include <algorithm>

namespace app {

namespace {

// The start and length of a frame of `outer` length in an area from `start` of `room` length:
// centred where it fits, else from the area's start and shrunk to it.
std::pair<int, int> FitSpan(int outer, int start, int room) {
  if (outer <= room) return {start + (room - outer) / 2, outer};
  return {start, room};
}

}  // namespace

QRect FitWindowRect(QSize client, QMargins frame, QRect available) {
  const int frameWidth = frame.left() + frame.right();
  const int frameHeight = frame.top() + frame.bottom();
  const auto [left, width] = FitSpan(client.width() + frameWidth, available.left(),
                                     available.width());
  const auto [top, height] = FitSpan(client.height() + frameHeight, available.top(),
                                     available.height());
  return QRect(left + frame.left(), top + frame.top(), std::max(width - frameWidth, 1),
               std::max(height - frameHeight, 1));
}

void FitWindowInto(QWidget& window, QRect available) {
  const QRect outer = window.frameGeometry();
  const QRect inner = window.geometry();
  QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                 outer.right() - inner.right(), outer.bottom() - inner.bottom());
  if (frame.isNull()) frame = kAssumedFrame;
  const QRect client = FitWindowRect(window.size(), frame, available);
  window.resize(client.size());
  // move() places the frame: its top-left corner goes where the title bar begins.
  window.move(client.left() - frame.left(), client.top() - frame.top());
}

std::array<QPoint, 4> CommandButtonPlaces(int panelWidth, int panelHeight, int firstFree,
                                          const TButtonRow& row) {
  constexpr int kEdge = 4;  // room kept free at the panel's right edge
  constexpr int kGap = 2;   // the narrowest gap between two buttons
  const int width = row.Button.width();
  std::array<QPoint, 4> places;
  if (row.Left[3] + width + kEdge <= panelWidth) {
    for (size_t i = 0; i < 4; ++i) places[i] = {row.Left[i], row.Top};
    return places;
  }
  const int right = panelWidth - kEdge;
  const int givenStep = row.Left[1] - row.Left[0];
  const int step = std::min(givenStep, (right - firstFree - width) / 3);
  if (step >= width + kGap) {
    const int left = right - 3 * step - width;
    for (size_t i = 0; i < 4; ++i) places[i] = {left + static_cast<int>(i) * step, row.Top};
    return places;
  }
  // Two rows of two, centred in the panel's height, as far right as they fit.
  const int height = row.Button.height();
  const int top = std::max((panelHeight - 2 * height - kGap) / 2, 0);
  const int left = std::max(right - 2 * width - kGap, kEdge);
  for (size_t i = 0; i < 4; ++i) {
    places[i] = {left + static_cast<int>(i % 2) * (width + kGap),
                 top + static_cast<int>(i / 2) * (height + kGap)};
  }
  return places;
}

}  // namespace app
