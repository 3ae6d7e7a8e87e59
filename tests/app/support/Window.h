#pragma once

// The report window as an operator starts it in the tests: shown, active, the origin typed and
// the company input left, so that it connects.

#include <QLineEdit>
#include <QString>
#include <memory>
#include <string>

#include "report/CommandLine.h"

class Tfrepcostoav;

namespace apptest {

// Replaces the text of `edit` by typing `text` into it.
void Type(QLineEdit* edit, const std::string& text);

// Makes `window` anew from `arguments`, shows it and waits until it is active (the first
// activation runs the command line); a window that does not become active fails the test.
Tfrepcostoav& OpenWindow(std::unique_ptr<Tfrepcostoav>& window,
                         report::CommandLineArguments arguments = {});

// Types user, password and `company` into the shown window and leaves the company input with
// Tab: the connect step.
void TypeOrigin(Tfrepcostoav& window, const std::string& company);

// Shows `window`, waits until it is active, types user, password and `company` and leaves the
// company input with Tab. Returns false when the window did not become active.
bool ShowAndConnect(Tfrepcostoav& window, const std::string& company = "001");

// The path of `name` under the build's artifacts/ folder, which it makes when missing: where
// the tests keep their screenshots.
QString ArtifactPath(const QString& name);

}  // namespace apptest
