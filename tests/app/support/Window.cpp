#include "tests/app/support/Window.h"

#include <QApplication>
#include <QTest>

#include "app/rngrepcostoav.h"

namespace apptest {

void Type(QLineEdit* edit, const std::string& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, QString::fromStdString(text));
}

bool ShowAndConnect(Tfrepcostoav& window, const std::string& company) {
  window.show();
  window.activateWindow();
  if (!QTest::qWaitForWindowActive(&window)) return false;
  Type(window.Tusua, "SYSDBA");
  Type(window.TClave, "masterkey");
  Type(window.Cia, company);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  return true;
}

}  // namespace apptest
