// repcostoav: the poultry cost report. Creates the data module, then the report window (the
// main window), and runs the message loop until the window is closed.

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "app/DisplayCheck.h"
#include "app/ErrorReport.h"
#include "app/WindowFit.h"
#include "app/rngrepcostoav.h"
#include "platform/Dialogs.h"
#include "platform/EngineStop.h"
#include "platform/Fonts.h"
#include "platform/ProcessSecrets.h"
#include "platform/ProgramInfo.h"
#include "platform/RegionalSettings.h"
#include "platform/StandardDescriptors.h"
#include "platform/StopRequests.h"
#include "report/CommandLine.h"
#include "report/dm.h"

namespace {

// Set once the program's message loop runs; stop requests before it end the program at once.
std::atomic<bool> mainLoopRunning{false};

constexpr const char* kUsage =
    "usage: repcostoav [SERVER USER PASSWORD COMPANY [5 6 7 8 9] SWITCH [START]]\n"
    "       repcostoav --help | --version\n"
    "Reporte Costos Avícola: the poultry production cost report of the Galvora ERP.\n"
    "When SWITCH (position 10) is not empty, positions 1 to 4 fill Servidor, Usuario, Clave\n"
    "and Compañía, and the window connects and calculates the current month, or from START\n"
    "(position 11, short date form) to its end; otherwise the arguments are not used.\n"
    "The installation folder is the value Directorio of the registry file QOR_REGISTRY or\n"
    "/etc/qor/registry.reg; its SERVIDORES.cfg lists the server folders.\n"
    "Keys: F2 Calcular, F4 Exportar, F7 Configura, Esc Cancelar. See repcostoav(1).\n";

}  // namespace

int main(int argc, char** argv) {
  // Before any library opens a file: descriptors 0-2 are never the engine's lock files.
  platform::OpenStandardDescriptors();
  // The password (typed, or at position 3) stays in memory while the window is open.
  platform::KeepSecretsFromDumps();
  // Answered before the application object exists, so they work without a display.
  if (std::optional<int> status = platform::AnswerInfoRequest(argc, argv, "repcostoav", kUsage))
    return *status;
  // A stop request (SIGTERM, SIGINT, SIGHUP) ends the message loop as closing the program
  // would, and the program exits with 128 + the signal number. Before the message loop runs
  // (the start-up message boxes) nothing is open that closing would finish, and a box's own
  // loop would swallow the request: the program ends at once, once the engine has stopped
  // (a connect may run). A calculation running in the loop is cancelled first.
  platform::TakeStopRequests([](int signal) {
    QCoreApplication* running = QCoreApplication::instance();
    if (running == nullptr || !mainLoopRunning.load()) {
      platform::ShutDownEngine();
      std::_Exit(128 + signal);
    }
    platform::CancelEngineWork();
    QMetaObject::invokeMethod(running, [signal] { QCoreApplication::exit(128 + signal); },
                              Qt::QueuedConnection);
  });
  // Without a display Qt would abort; the program says why and ends with status 1.
  if (const std::string missing = app::MissingDisplay(); !missing.empty()) {
    std::fprintf(stderr, "%s\n", missing.c_str());
    return 1;
  }
  app::TApplication application(argc, argv);
  // Ties the windows to the desktop entry repcostoav.desktop (its icon and name).
  QGuiApplication::setDesktopFileName("repcostoav");
  platform::RegisterFontSubstitutions();
  platform::InstallQtTranslations();
  platform::WatchLocaleChanges(&application);

  Tfdm dataModule;
  // The window goes before the data module and the application object.
  std::unique_ptr<Tfrepcostoav> window;
  try {
    report::CommandLineArguments arguments = report::ParseCommandLine(argc, argv);
    // Read: the password at position 3 leaves the process list.
    platform::BlankArgument(argc, argv, 3);
    window = std::make_unique<Tfrepcostoav>(std::move(arguments));
  } catch (...) {
    app::ShowCurrentException();
    return 1;
  }
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    app::FitWindowInto(*window, screen->availableGeometry());
  }
  window->show();
  // The first event the message loop delivers: no box's loop runs between here and there.
  QTimer::singleShot(0, [] { mainLoopRunning.store(true); });
  return application.exec();
}
