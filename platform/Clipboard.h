#pragma once

#include <QByteArray>
#include <memory>
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

// Writes a clipboard block when a program asks for it.
class IClipboardRenderer {
 public:
  virtual ~IClipboardRenderer() = default;
  // The bytes of `format`, exactly what placing them at once would have placed. May throw;
  // the asking program then gets nothing.
  virtual QByteArray Render(unsigned format) = 0;
  // The text of the CF_UNICODETEXT block (up to its zero code unit) in UTF-8, what a program
  // pasting plain text receives. May throw. The default converts Render(CF_UNICODETEXT); a
  // renderer that can write the text straight as UTF-8 saves holding the block.
  virtual QByteArray RenderUtf8Text();
};

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
  // Replaces the clipboard's contents with `formats` (in order), each written by `renderer`
  // only when a program asks for it, as often as it asks. The renderer stays with the
  // contents and is released when they leave the clipboard.
  void SetDelayedData(std::vector<unsigned> formats, std::shared_ptr<IClipboardRenderer> renderer);
  // Ends the session; later calls of SetData() throw.
  void Close();

 private:
  void Publish();

  std::vector<std::pair<unsigned, std::string>> blocks_;  // placed so far, in order
  bool open_ = false;
};

// When the clipboard holds this program's delayed blocks, writes them all now and leaves
// the bytes in their place, releasing the renderer: for the moment before what the renderer
// reads goes away. A block whose writing fails is left out.
void RenderDelayedClipboard();
// For the moment the program stops offering the clipboard (its window closes). When the
// clipboard holds this program's delayed blocks: on X11 they leave the clipboard and a running
// clipboard manager is handed the blocks it asks for, one at a time (with none running
// nothing is written); on a clipboard kept by the program itself they are written out as by
// RenderDelayedClipboard().
void HandOverClipboardAtClose();
// True when the clipboard holds this program's delayed blocks.
bool ClipboardHoldsDelayedData();

// The bytes of `format` on the clipboard now ("" when absent). For tests and diagnostics.
std::string ReadClipboardFormat(unsigned format);

}  // namespace platform
