#pragma once

// The hand-over of the clipboard's contents to an X11 clipboard manager when the program
// stops offering them (the CLIPBOARD_MANAGER selection and its SAVE_TARGETS request).

#include <QByteArray>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// One target offered to the manager: its atom name and the writer of its bytes (a null array
// when they cannot be written; the manager is then refused that target). Targets with the
// same `source` (>= 0) have the same bytes: asked one after the other, they are written once.
struct HandOverTarget {
  std::string name;
  std::function<QByteArray()> render;
  int source = -1;
};

enum class HandOverResult {
  NoDisplay,  // no X display could be reached
  NoManager,  // no program owns CLIPBOARD_MANAGER: nothing was written
  Saved,      // the manager took what it asked for
  Refused,    // the manager answered that it saved nothing
  TimedOut,   // the manager went quiet for longer than allowed
};

// Takes the CLIPBOARD selection on a connection of its own to the display named by DISPLAY,
// asks the running clipboard manager to save it and serves the targets it asks for, one at a
// time and each in pieces (INCR) when larger than one piece, so that at most one target's
// bytes are held at once. Returns when the manager answers, or after `quietMs` without any
// word from it. With no manager it returns at once and writes nothing.
// Requires: the program's other connections no longer own CLIPBOARD.
HandOverResult HandOverToClipboardManager(const std::vector<HandOverTarget>& targets,
                                          int quietMs = 5000);

// Waits until the X server has handled every request that Qt's own connection has sent so
// far (when Qt runs on X11; otherwise does nothing).
void SyncQtDisplayConnection();

}  // namespace platform
