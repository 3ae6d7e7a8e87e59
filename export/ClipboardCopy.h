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
// clipboard, replacing its contents. The grid's selection, current record and scroll position
// are kept. Where the grid's rows can be shared with a snapshot (see
// export/ClipboardSnapshot.h) the five formats are offered at once and each is written when a
// program reads it, from what was selected at the copy. Otherwise they are written now, with
// the data set's controls disabled: an error then leaves the formats placed before it on the
// clipboard. Raises EClipboardException "Cannot open clipboard" when the clipboard is in use,
// leaving it as it was.
void CopyGridToClipboard(TDBGridEh& grid, bool wholeGrid);

// Places the buffer's bytes on the open clipboard under `format`. `emptyFirst` removes all
// earlier contents first (the first placement of a copy).
void PutClipboardBlock(platform::ClipboardSession& clipboard, unsigned format,
                       const TMemoryStream& buffer, bool emptyFirst);

// Makes Ctrl+C / Ctrl+Insert on the grid run CopyGridToClipboard(grid, false).
void InstallClipboardCopy(TDBGridEh& grid);
