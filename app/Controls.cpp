#include "app/Controls.h"

#include <QChildEvent>
#include <QPainter>
#include <QVariant>

namespace app {

namespace {
constexpr char kAlignProperty[] = "galvoraAlign";

void DrawBevel(QPainter& painter, QRect& rect, TBevelCut cut) {
  if (cut == bvNone) return;
  const QColor light = platform::ToQColor(platform::clBtnHighlight);
  const QColor dark = platform::ToQColor(platform::clBtnShadow);
  const QColor topLeft = cut == bvRaised ? light : dark;
  const QColor bottomRight = cut == bvRaised ? dark : light;
  painter.setPen(topLeft);
  painter.drawLine(rect.left(), rect.top(), rect.right(), rect.top());
  painter.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom());
  painter.setPen(bottomRight);
  painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
  painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
  rect.adjust(1, 1, -1, -1);
}
}  // namespace

void SetAlign(QWidget* control, TAlign align) {
  control->setProperty(kAlignProperty, static_cast<int>(align));
  if (control->parentWidget() != nullptr) {
    QWidget* parent = control->parentWidget();
    auto* panel = dynamic_cast<TPanel*>(parent);
    ArrangeControls(parent, panel != nullptr ? panel->ClientArea() : parent->rect());
  }
}

TAlign Align(const QWidget* control) {
  const QVariant value = control->property(kAlignProperty);
  return value.isValid() ? static_cast<TAlign>(value.toInt()) : alNone;
}

void ArrangeControls(QWidget* parent, const QRect& client) {
  QRect rest = client;
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (QObject* object : parent->children()) {
      auto* control = qobject_cast<QWidget*>(object);
      if (control == nullptr || control->isWindow() || Align(control) != pass) continue;
      if (control->isHidden()) continue;
      switch (pass) {
        case alTop:
          control->setGeometry(rest.left(), rest.top(), rest.width(), control->height());
          rest.setTop(rest.top() + control->height());
          break;
        case alBottom:
          control->setGeometry(rest.left(), rest.bottom() + 1 - control->height(), rest.width(),
                               control->height());
          rest.setBottom(rest.bottom() - control->height());
          break;
        case alLeft:
          control->setGeometry(rest.left(), rest.top(), control->width(), rest.height());
          rest.setLeft(rest.left() + control->width());
          break;
        case alRight:
          control->setGeometry(rest.right() + 1 - control->width(), rest.top(), control->width(),
                               rest.height());
          rest.setRight(rest.right() - control->width());
          break;
        default:
          control->setGeometry(rest.left(), rest.top(), std::max(0, rest.width()),
                               std::max(0, rest.height()));
          break;
      }
    }
  }
}

TPanel::TPanel(QWidget* parent) : QWidget(parent) {}

QRect TPanel::ClientArea() const {
  const int inset = (BevelOuter != bvNone ? 1 : 0) + (BevelInner != bvNone ? 1 : 0);
  return rect().adjusted(inset, inset, -inset, -inset);
}

void TPanel::SetCaption(const QString& caption) {
  Caption = caption;
  update();
}

void TPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect area = rect();
  painter.fillRect(area, platform::ToQColor(Color));
  DrawBevel(painter, area, BevelOuter);
  DrawBevel(painter, area, BevelInner);
  if (!Caption.isEmpty()) {
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    // A caption of several lines (the row count under the calculating text) is centred as a block.
    const int lines = Caption.contains('\n') ? 0 : Qt::TextSingleLine;
    painter.drawText(area, Qt::AlignCenter | lines, Caption);
  }
}

void TPanel::resizeEvent(QResizeEvent*) { ArrangeControls(this, ClientArea()); }

void TPanel::childEvent(QChildEvent* event) {
  QWidget::childEvent(event);
  if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved) {
    ArrangeControls(this, ClientArea());
  }
}

TGroupBox::TGroupBox(const QString& caption, QWidget* parent)
    : QWidget(parent), Caption(caption) {}

void TGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const int top = metrics.height() / 2;
  const QRect frame = rect().adjusted(0, top, -1, -1);
  painter.setPen(platform::ToQColor(platform::clBtnShadow));
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  painter.setPen(platform::ToQColor(platform::clBtnHighlight));
  painter.drawRect(frame.adjusted(1, 1, 0, 0));
  if (!Caption.isEmpty()) {
    const QRect text(8, 0, metrics.horizontalAdvance(Caption) + 2, metrics.height());
    painter.fillRect(text, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, Caption);
  }
}

TSpeedButton::TSpeedButton(const QString& caption, const QPixmap& picture, QWidget* parent)
    : QToolButton(parent) {
  setText(caption);
  setIcon(QIcon(picture));
  setIconSize(picture.size());
  setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  setAutoRaise(true);
  setFocusPolicy(Qt::NoFocus);
  setFont(platform::ToQFont({.Name = "Arial Narrow", .Size = 8}));
  resize(65, 50);
}

}  // namespace app
