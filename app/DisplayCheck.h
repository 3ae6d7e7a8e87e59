#pragma once

// Whether the window has a display to open on, asked before the application object exists:
// without one Qt would abort the program with a core dump instead of saying what is missing.

#include <string>

namespace app {

// "" when the window can start: QT_QPA_PLATFORM names a platform that needs no display server
// (offscreen, minimal, vnc, ...), WAYLAND_DISPLAY is set, or DISPLAY names an X server that
// accepts a connection. Otherwise the message to print, naming what is missing and the batch
// exporter for work without a display.
std::string MissingDisplay();

}  // namespace app
