#pragma once

// The window's building blocks: controls docked to an edge of their parent (or filling what
// is left), a bevelled panel with a centred caption, and the flat command button with its
// picture above the caption.

#include <QFrame>
#include <QString>
#include <QToolButton>
#include <QWidget>

#include "platform/Fonts.h"
#include "platform/SystemColors.h"

namespace app {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TBevelCut { bvNone, bvLowered, bvRaised };

// Docks `control` within its parent: the parent's ArrangeControls places it.
void SetAlign(QWidget* control, TAlign align);
TAlign Align(const QWidget* control);

// Places the docked children of `parent` inside `client`: top ones first, stacked downwards in
// creation order, then bottom ones upwards, then left and right ones, and the client ones fill
// the rest. Hidden children take no room.
void ArrangeControls(QWidget* parent, const QRect& client);

// A panel: background in its colour, an outer and an inner bevel of one pixel each, a caption
// centred in its font, and docked children arranged inside the bevels.
class TPanel : public QWidget {
 public:
  explicit TPanel(QWidget* parent = nullptr);

  TBevelCut BevelOuter = bvRaised;
  TBevelCut BevelInner = bvNone;
  platform::TColor Color = platform::clBtnFace;
  QString Caption;
  // The area docked children share: the panel less its bevels.
  QRect ClientArea() const;
  void SetCaption(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void childEvent(QChildEvent* event) override;
};

// A group box: an etched frame whose top line runs through the middle of the caption, the
// caption at the left; children keep their positions relative to the box.
class TGroupBox : public QWidget {
 public:
  TGroupBox(const QString& caption, QWidget* parent);
  QString Caption;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A flat command button, 65 x 50, the picture above the caption; it never takes the focus.
class TSpeedButton : public QToolButton {
 public:
  TSpeedButton(const QString& caption, const QPixmap& picture, QWidget* parent);
};

}  // namespace app
