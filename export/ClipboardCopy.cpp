#include "export/ClipboardCopy.h"

#include <new>
#include <string_view>

#include "export/DBGridEhImpExp.h"
#include "export/ExportAsGRIDBIF.h"
#include "grid/DBGridEh.h"
#include "platform/Clipboard.h"

namespace {

TGridClipboardFormats RegisterFormats() {
  TGridClipboardFormats formats{};
  formats.GRIDBIF = platform::RegisterClipboardFormat("GRIDBIF");
  formats.Csv = platform::RegisterClipboardFormat("Csv");
  formats.RichTextFormat = platform::RegisterClipboardFormat("Rich Text Format");
  return formats;
}

// Registered while the program starts, before any copy can run.
const TGridClipboardFormats& startupFormats = GridClipboardFormats();

}  // namespace

const TGridClipboardFormats& GridClipboardFormats() {
  static const TGridClipboardFormats formats = RegisterFormats();
  return formats;
}

void PutClipboardBlock(platform::ClipboardSession& clipboard, unsigned format,
                       const TMemoryStream& buffer, bool emptyFirst) {
  // The block handed over is a copy of exactly the buffer's bytes; the buffer is reused.
  std::string block;
  try {
    block = buffer.Bytes();
  } catch (const std::bad_alloc&) {
    throw platform::EClipboardException("Out of memory");
  }
  if (emptyFirst) clipboard.Empty();
  clipboard.SetData(format, block);
}

void CopyGridToClipboard(TDBGridEh& grid, bool wholeGrid) {
  (void)startupFormats;
  const TGridClipboardFormats& registered = GridClipboardFormats();
  struct Format {
    unsigned number;
    TDBGridEhExportClass exporter;
    std::string_view terminator;
  };
  const Format formats[] = {
      {platform::CF_TEXT, &CreateExporter<TDBGridEhExportAsText>, std::string_view("\0", 1)},
      {platform::CF_UNICODETEXT, &CreateExporter<TDBGridEhExportAsUnicodeText>,
       std::string_view("\0\0", 2)},
      {registered.Csv, &CreateExporter<TDBGridEhExportAsCSV>, std::string_view("\0", 1)},
      {registered.RichTextFormat, &CreateExporter<TDBGridEhExportAsRTF>, std::string_view("\0", 1)},
      {registered.GRIDBIF, &CreateExporter<TDBGridEhExportAsGRIDBIF>, std::string_view()},
  };

  platform::ClipboardSession clipboard;  // held open across all five placements
  TDataSet* data = grid.DataSet();
  if (data != nullptr) data->DisableControls();
  try {
    TMemoryStream buffer;
    TDBGridEhValueSource source(grid);
    bool first = true;
    for (const Format& format : formats) {
      ExportGridToStream(format.exporter, source, buffer, wholeGrid);
      buffer.Write(format.terminator);
      PutClipboardBlock(clipboard, format.number, buffer, first);
      first = false;
      buffer.Clear();
    }
  } catch (...) {
    clipboard.Close();
    if (data != nullptr) data->EnableControls();
    throw;
  }
  clipboard.Close();
  if (data != nullptr) data->EnableControls();
}

void InstallClipboardCopy(TDBGridEh& grid) {
  grid.OnCopyToClipboard = [](TDBGridEh& target) { CopyGridToClipboard(target, false); };
}
