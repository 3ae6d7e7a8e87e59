#include "grid/ToolTipsWindow.h"

#include <QEvent>
#include <QMouseEvent>
#include <QToolTip>

TToolTipsWindow::TToolTipsWindow(QWidget* owner) : QLabel(owner->window()) {
  setObjectName("TToolTipsWindow");
  // It lies over the cell under the pointer: the pointer's moves go on to the grid below it.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setPalette(QToolTip::palette());
  setForegroundRole(QPalette::ToolTipText);
  setBackgroundRole(QPalette::ToolTipBase);
  setAutoFillBackground(true);
  // One pixel of frame and two of indent put the text where the cell draws it.
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setIndent(2);
  setMargin(0);
  setTextFormat(Qt::PlainText);
  timer_.setSingleShot(true);
  timer_.setInterval(10000);
  connect(&timer_, &QTimer::timeout, this, &QWidget::hide);
  owner->installEventFilter(this);
  if (owner->parentWidget() != nullptr) owner->parentWidget()->installEventFilter(this);
}

void TToolTipsWindow::ShowHint(const QString& text, const QFont& font, QPoint at, QRect cell) {
  cell_ = cell;
  setFont(font);
  setText(text);
  adjustSize();
  resize(width(), QFontMetrics(font).height() + 4);
  move(parentWidget()->mapFromGlobal(at));
  show();
  raise();
  timer_.start();
}

bool TToolTipsWindow::eventFilter(QObject*, QEvent* event) {
  if (!isVisible()) return false;
  switch (event->type()) {
    case QEvent::MouseMove:
      if (!cell_.contains(static_cast<QMouseEvent*>(event)->globalPosition().toPoint())) hide();
      break;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::FocusOut:
    case QEvent::Hide:
      hide();
      break;
    default:
      break;
  }
  return false;
}
