#include "tests/app/support/Window.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

#include "app/rngrepcostoav.h"

namespace apptest {

void Type(QLineEdit* edit, const std::string& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, QString::fromStdString(text));
}

Tfrepcostoav& OpenWindow(std::unique_ptr<Tfrepcostoav>& window,
                         report::CommandLineArguments arguments) {
  window = std::make_unique<Tfrepcostoav>(std::move(arguments));
  window->show();
  window->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  return *window;
}

void TypeOrigin(Tfrepcostoav& window, const std::string& company) {
  Type(window.Tusua, "SYSDBA");
  Type(window.TClave, "masterkey");
  Type(window.Cia, company);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

bool ShowAndConnect(Tfrepcostoav& window, const std::string& company) {
  window.show();
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) return false;
  TypeOrigin(window, company);
  return true;
}

QString ArtifactPath(const QString& name) {
  const QString folder = QString::fromLocal8Bit(qgetenv("GALVORA_BINARY_DIR")) + "/artifacts";
  QDir().mkpath(folder);
  return folder + "/" + name;
}

}  // namespace apptest
