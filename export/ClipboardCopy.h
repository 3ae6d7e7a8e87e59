#pragma once

// The grid's copy command: the selection goes to the clipboard as plain text, Unicode text,
// CSV, RTF and GRIDBIF at once, each written by its exporter into one memory buffer.

#include "export/Stream.h"

class TDBGridEh;
namespace platform {
class ClipboardSession;
}

// The numbers of the registered formats "GRIDBIF", "Csv" and "Rich Text Format", registered
// once at program start in this order.
struct TGridClipboardFormats {
  unsigned GRIDBIF;
  unsigned Csv;
  unsigned RichTextFormat;
};
const TGridClipboardFormats& GridClipboardFormats();

// Copies the grid's selection (every record with all visible columns when `wholeGrid`) to the
// clipboard, replacing its contents. The data set's controls are disabled during the copy and
// the grid's selection, current record and scroll position are kept. Raises
// EClipboardException "Cannot open clipboard" when the clipboard is in use, leaving it as it
// was; an error in a later step leaves the formats placed before it on the clipboard.
void CopyGridToClipboard(TDBGridEh& grid, bool wholeGrid);

// Places the buffer's bytes on the open clipboard under `format`. `emptyFirst` removes all
// earlier contents first (the first placement of a copy).
void PutClipboardBlock(platform::ClipboardSession& clipboard, unsigned format,
                       const TMemoryStream& buffer, bool emptyFirst);

// Makes Ctrl+C / Ctrl+Insert on the grid run CopyGridToClipboard(grid, false).
void InstallClipboardCopy(TDBGridEh& grid);
