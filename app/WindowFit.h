#pragma once

// Fitting the report window to the screen it opens on: its start size and place in the
// screen's available area, and the places of the command buttons in a narrow window.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

class QWidget;

namespace app {

// The outer margins assumed while the window manager has not framed the window yet: borders
// and title bar around the client area (1436 x 693 outside, 1420 x 654 inside).
inline constexpr QMargins kAssumedFrame{8, 31, 8, 8};

// The client rectangle of a window of client size `client` with frame margins `frame` in the
// screen's `available` area. Where the framed window fits, it keeps its size and is centred;
// each dimension that does not fit shrinks to the room there is and its frame starts at the
// area's edge, so that no part is off screen and the title bar can be reached.
QRect FitWindowRect(QSize client, QMargins frame, QRect available);

// Resizes and moves the top-level `window` (not yet shown, or shown and framed) by
// FitWindowRect on `available`, with its real frame margins once it has them.
void FitWindowInto(QWidget& window, QRect available);

// The command buttons' row: four buttons of `button` size, at their given left edges and top
// while the panel is wide enough for them.
struct TButtonRow {
  std::array<int, 4> Left{856, 952, 1048, 1144};
  int Top = 25;
  QSize Button{65, 50};
};

// The top-left places of the four command buttons in a panel of `panelWidth` x `panelHeight`
// whose controls on the left end at x = `firstFree`. The given places where the row fits;
// else one row at the right, its spacing narrowed down to 2 pixels between buttons; else two
// rows of two at the right. The buttons never leave the panel's right edge.
std::array<QPoint, 4> CommandButtonPlaces(int panelWidth, int panelHeight, int firstFree,
                                          const TButtonRow& row = {});

}  // namespace app
