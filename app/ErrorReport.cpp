#include "app/ErrorReport.h"

#include <new>

#include "platform/Dialogs.h"
#include "platform/EngineLimits.h"
#include "platform/Errors.h"
#include "platform/ProgramFolder.h"
#include "platform/ResourceLimits.h"

namespace app {

std::string ErrorReportText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
    return message + ".";
  }
  return message;
}

void ShowCurrentException() {
  std::string message;
  try {
    throw;
  } catch (const platform::EAbort&) {
    return;
  } catch (const platform::Exception& error) {
    message = error.Message();
  } catch (const std::bad_alloc&) {
    message = platform::OutOfMemoryMessage("");
  } catch (const std::exception& error) {
    message = error.what();
  } catch (...) {
    message = "Unknown exception";
  }
  // A file grown past the file size limit says which limit.
  message = platform::WithFileSizeLimitCause(message);
  platform::MessageBoxes().Show(ErrorReportText(message), platform::ProgramTitle(),
                                platform::MsgIcon::Stop);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowCurrentException();
    return true;
  }
}

}  // namespace app
