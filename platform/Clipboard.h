#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

// Clipboard format numbers as the system numbers them.
constexpr unsigned CF_TEXT = 1;
constexpr unsigned CF_UNICODETEXT = 13;

// The number of a named clipboard format: the same name (compared without regard to case)
// always gives the same number; new names are numbered from 0xC000 on.
unsigned RegisterClipboardFormat(const std::string& name);

// The name registered for `format` ("" for CF_TEXT, CF_UNICODETEXT and unknown numbers).
std::string ClipboardFormatName(unsigned format);

// The MIME type a format's bytes are offered under: CF_TEXT
// "text/plain;charset=windows-1252", CF_UNICODETEXT "text/plain;charset=utf-16le", "Csv"
// "text/csv", "Rich Text Format" "text/rtf", "GRIDBIF" "application/x-gridbif"; any other
// registered name "application/x-qor-clipboard-<name>".
std::string ClipboardMimeType(unsigned format);

// One use of the system clipboard, open from construction to Close() (or destruction).
// Blocks placed with SetData() go into one mime data object which is put on the clipboard
// after every block, so blocks placed before a failure stay there. Only one session can be
// open at a time in the program.
class ClipboardSession {
 public:
  // Opens the clipboard. Throws EClipboardException "Cannot open clipboard" when there is
  // no application object, no clipboard, or another session is open.
  ClipboardSession();
  ~ClipboardSession();
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;

  // Removes everything from the clipboard.
  void Empty();
  // Adds `bytes` under `format` (replacing an earlier block of the same format). For
  // CF_UNICODETEXT, whose bytes are UTF-16LE ending in a zero code unit, the text is also
  // offered as ordinary text.
  void SetData(unsigned format, const std::string& bytes);
  // Ends the session; later calls of SetData() throw.
  void Close();

 private:
  void Publish();

  std::vector<std::pair<unsigned, std::string>> blocks_;  // placed so far, in order
  bool open_ = false;
};

// The bytes of `format` on the clipboard now ("" when absent). For tests and diagnostics.
std::string ReadClipboardFormat(unsigned format);

}  // namespace platform
