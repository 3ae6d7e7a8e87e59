#include "grid/GridLayout.h"

#include <algorithm>

#include "grid/GridsEh.h"

void SetColumnWidth(TColumnWidthEh& column, int value) {
  if (value == -1) return;
  if (!column.Assigned && value == column.DefaultWidth) return;
  column.Assigned = true;
  if (column.MaxWidth > 0 && value > column.MaxWidth) value = column.MaxWidth;
  if (value < column.MinWidth) value = column.MinWidth;
  column.Width = std::max(value, 0);
}

int SpreadAutoFitWidths(std::vector<TColumnWidthEh>& columns, const TAutoFitFrameEh& frame) {
  const int n = static_cast<int>(columns.size());
  for (auto& c : columns) c.Fixed = false;
  int avail = 0;
  int sum = 0;
  for (int pass = 0; pass < n; ++pass) {
    int other = 0;
    int total = 0;
    for (const auto& c : columns) {
      if (!c.AutoFit || c.Fixed) {
        other += c.Width;
      } else {
        total += c.RefWidth;
      }
    }
    avail = std::max(std::max(frame.ClientWidth, frame.MinAutoFitWidth) - other, 0);
    if (frame.Indicator) avail -= frame.IndicatorWidth;
    if (frame.ColLines) avail -= n;
    if (frame.Indicator && frame.ColLines) avail -= 1;
    // A client area narrower than the indicator and the lines leaves nothing to share.
    avail = std::max(avail, 0);
    sum = 0;
    bool changed = false;
    for (auto& c : columns) {
      if (!c.AutoFit || c.Fixed) continue;
      int w = MulDiv(c.RefWidth, avail, total);
      SetColumnWidth(c, w);
      if (c.Width != w) {
        c.Fixed = true;
        changed = true;
      }
      sum += c.Width;
    }
    if (!changed) break;
  }
  if (sum != avail) {
    for (int i = n - 1; i >= 0; --i) {
      TColumnWidthEh& c = columns[i];
      if (!c.AutoFit || c.Fixed) continue;
      c.Width = std::max(c.Width + avail - sum, 0);
      c.Assigned = true;
      break;
    }
  }
  return avail;
}

bool ResizeColumnByMouse(std::vector<TColumnWidthEh>& columns, int index, int newWidth,
                         bool autoFit) {
  if (newWidth <= 1 || index < 0 || index >= static_cast<int>(columns.size())) return false;
  TColumnWidthEh& c = columns[index];
  if (!autoFit || !c.AutoFit) {
    SetColumnWidth(c, newWidth);
    return true;
  }
  int old = c.RefWidth;
  c.RefWidth = MulDiv(old, newWidth, c.Width);
  if (c.RefWidth < 0) c.RefWidth = 0;
  if (index + 1 < static_cast<int>(columns.size())) {
    TColumnWidthEh& next = columns[index + 1];
    next.RefWidth = std::max(next.RefWidth + old - c.RefWidth, 0);
  }
  return true;
}

std::vector<int> NavigatorButtonWidths(int barWidth, int buttons, bool aligned) {
  int n = std::max(buttons, 1);
  int bw = barWidth / n;
  std::vector<int> widths(n, bw);
  if (!aligned) return widths;
  int r = barWidth - n * bw;
  int counter = n / 2;
  for (int i = 0; i < n; ++i) {
    int d = counter - r;
    if (d < 0) {
      widths[i] = bw + 1;
      counter = d + n;
    } else {
      counter = d;
    }
  }
  return widths;
}
