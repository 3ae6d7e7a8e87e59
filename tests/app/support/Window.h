#pragma once

// The report window as an operator starts it in the tests: shown, active, the origin typed and
// the company input left, so that it connects.

#include <QLineEdit>
#include <string>

class Tfrepcostoav;

namespace apptest {

// Replaces the text of `edit` by typing `text` into it.
void Type(QLineEdit* edit, const std::string& text);

// Shows `window`, waits until it is active, types user, password and `company` and leaves the
// company input with Tab. Returns false when the window did not become active.
bool ShowAndConnect(Tfrepcostoav& window, const std::string& company = "001");

}  // namespace apptest
