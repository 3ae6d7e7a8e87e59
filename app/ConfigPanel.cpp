#include "app/ConfigPanel.h"

#include <QPainter>

namespace app {

TConfigPanel::TConfigPanel(QWidget* parent) : TPanel(parent) {
  setObjectName("AdvPanel1");
  setGeometry(456, 64, 313, 169);
  hide();
}

void TConfigPanel::paintEvent(QPaintEvent* event) {
  TPanel::paintEvent(event);
  QPainter painter(this);
  const QRect bar = ClientArea().adjusted(0, 0, 0, 0);
  const QRect caption(bar.left(), bar.top(), bar.width(), kCaptionHeight);
  painter.fillRect(caption, platform::ToQColor(platform::clHighlight));
  painter.setPen(platform::ToQColor(platform::clHighlightText));
  painter.setFont(platform::ToQFont({.Name = "MS Sans Serif", .Size = 8}));
  painter.drawText(caption.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Configuraciones"));
}

}  // namespace app
