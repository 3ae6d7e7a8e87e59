// repcostoav: the poultry cost report. Creates the data module, then the report window (the
// main window), and runs the message loop until the window is closed.

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>
#include <memory>

#include "app/CommandLine.h"
#include "app/ErrorReport.h"
#include "app/dm.h"
#include "app/rngrepcostoav.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"
#include "platform/RegionalSettings.h"
#include "platform/StopRequests.h"

int main(int argc, char** argv) {
  // A stop request (SIGTERM, SIGINT, SIGHUP) ends the message loop as closing the program
  // would, and the program exits with 128 + the signal number.
  platform::TakeStopRequests([](int signal) {
    QCoreApplication* running = QCoreApplication::instance();
    if (running == nullptr) std::_Exit(128 + signal);
    QMetaObject::invokeMethod(running, [signal] { QCoreApplication::exit(128 + signal); },
                              Qt::QueuedConnection);
  });
  app::TApplication application(argc, argv);
  platform::RegisterFontSubstitutions();
  platform::InstallQtTranslations();
  platform::WatchLocaleChanges(&application);

  Tfdm dataModule;
  // The window goes before the data module and the application object.
  std::unique_ptr<Tfrepcostoav> window;
  try {
    window = std::make_unique<Tfrepcostoav>(app::ParseCommandLine(argc, argv));
  } catch (...) {
    app::ShowCurrentException();
    return 1;
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
  }
  window->show();
  return application.exec();
}
