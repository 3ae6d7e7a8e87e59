// Message boxes stay within the screen whatever the length of their text.

#include "platform/ElideText.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "platform/Dialogs.h"

namespace {

TEST(ElideTextTest, LongLinesAreCutInTheMiddleAndManyLinesInTheMiddle) {
  const QFontMetrics metrics(QApplication::font());
  const QString longLine = "'" + QString(100000, 'x') + "' is not a valid date.";
  const QString cut = platform::ElideLines(longLine, metrics, 400, 30);
  EXPECT_LE(metrics.horizontalAdvance(cut), 400);
  EXPECT_TRUE(cut.startsWith("'xxx"));
  EXPECT_TRUE(cut.endsWith("valid date."));
  EXPECT_TRUE(cut.contains(QChar(0x2026)));

  // Short texts stay as they are.
  for (const QString& text : {QString("No hay datos para el reporte."), QString("a\nb"),
                              QString()}) {
    EXPECT_EQ(platform::ElideLines(text, metrics, 400, 30), text);
  }

  QStringList many;
  for (int i = 0; i < 100; ++i) many << QString::number(i);
  const QStringList kept = platform::ElideLines(many.join('\n'), metrics, 400, 5).split('\n');
  EXPECT_EQ(kept, QStringList({"0", "1", QString(QChar(0x2026)), "98", "99"}));
}

// Qt's box with a 100 KB argument in its text is no wider than the screen.
TEST(ElideTextTest, AMessageBoxWithAHugeTextFitsTheScreen) {
  platform::SetMessageBoxes(nullptr);
  int width = 0;
  QTimer closer;
  closer.setInterval(10);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    width = box->frameGeometry().width();
    box->accept();
  });
  closer.start();
  platform::MessageBoxes().Show("'" + std::string(100000, '9') + "' is not a valid date.",
                                "repcostoav", platform::MsgIcon::Stop);
  ASSERT_GT(width, 0);
  EXPECT_LE(width, QGuiApplication::primaryScreen()->availableGeometry().width());
}

}  // namespace
