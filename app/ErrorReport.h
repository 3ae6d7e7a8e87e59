#pragma once

// The program's general error report: every exception that leaves an event handler is caught
// around event delivery and shown in a modal box with the stop icon, the program file's name as
// caption and the message with a full stop added when due. An abort is silent.

#include <QApplication>
#include <exception>
#include <string>

namespace app {

// The text the report shows for `message`: a full stop is appended when the last character
// sorts after "." (as a Windows-1252 byte); an empty message stays empty.
std::string ErrorReportText(const std::string& message);

// Shows the exception in flight (call from a catch block): platform::EAbort shows nothing,
// platform::Exception its Message(), other std::exceptions their what(), anything else
// "Unknown exception". The box goes through platform::MessageBoxes(), with
// platform::ProgramTitle() as caption.
void ShowCurrentException();

// The program's application object: event delivery with the general error report around it.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace app
