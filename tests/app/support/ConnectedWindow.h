#pragma once

// The report window as most window tests start it: over an installation of one company, shown,
// active and connected through its origin fields typed as the operator types them.

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "app/dm.h"
#include "app/rngrepcostoav.h"
#include "tests/app/support/Installation.h"

namespace apptest {

// An installation whose company 001 has `warehouses` sample warehouses, its folder listed in
// SERVIDORES.cfg. Owned by the caller.
inline Installation* NewInstallation(int warehouses) {
  auto* install = new Installation;
  install->AddCompany("001", warehouses);
  install->WriteFile("SERVIDORES.cfg", install->Folder() + "\r\n");
  return install;
}

// Replaces the text of `edit` by typing `text` into it.
inline void TypeInto(QLineEdit* edit, const char* text) {
  edit->setFocus();
  edit->clear();
  QTest::keyClicks(edit, text);
}

// Creates the data module and the window, shows and activates it, types SYSDBA, masterkey
// and `company` and tabs out of the company field, which connects. False when the window
// did not become active.
inline bool OpenConnectedWindow(std::unique_ptr<Tfdm>& dataModule,
                                std::unique_ptr<Tfrepcostoav>& window, const char* company) {
  dataModule = std::make_unique<Tfdm>();
  window = std::make_unique<Tfrepcostoav>(app::CommandLineArguments{});
  window->show();
  window->activateWindow();
  if (!QTest::qWaitForWindowActive(window.get())) return false;
  TypeInto(window->Tusua, "SYSDBA");
  TypeInto(window->TClave, "masterkey");
  TypeInto(window->Cia, company);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  return true;
}

}  // namespace apptest
