#pragma once

// The window that shows the whole text of a cell cut off by its width, laid over the cell in
// the cell's font. It goes when the pointer leaves the cell, on a click, a key or the wheel, and
// after ten seconds.

#include <QLabel>
#include <QRect>
#include <QTimer>

class TToolTipsWindow : public QLabel {
 public:
  // `owner` is the widget whose cells it shows (its events end the hint). It is a child of
  // the owner's window, drawn above the other controls, so that it may reach past the owner.
  explicit TToolTipsWindow(QWidget* owner);
  // Shows `text` in `font` with the window's top-left corner at `at`, both in global
  // coordinates, while the pointer stays within `cell`.
  void ShowHint(const QString& text, const QFont& font, QPoint at, QRect cell);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QRect cell_;
  QTimer timer_;
};
