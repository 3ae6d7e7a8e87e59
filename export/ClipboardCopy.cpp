#include "export/ClipboardCopy.h"

#include <array>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "export/ClipboardSnapshot.h"
#include "export/ClipboardUtf8Stream.h"
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

// One block of the copy: its format, the writer and the bytes after the document.
struct CopyFormat {
  unsigned number;
  TDBGridEhExportClass exporter;
  std::string_view terminator;
};

const std::array<CopyFormat, 5>& CopyFormats() {
  static const std::array<CopyFormat, 5> formats = [] {
    const TGridClipboardFormats& registered = GridClipboardFormats();
    return std::array<CopyFormat, 5>{{
        {platform::CF_TEXT, &CreateExporter<TDBGridEhExportAsText>, std::string_view("\0", 1)},
        {platform::CF_UNICODETEXT, &CreateExporter<TDBGridEhExportAsUnicodeText>,
         std::string_view("\0\0", 2)},
        {registered.Csv, &CreateExporter<TDBGridEhExportAsCSV>, std::string_view("\0", 1)},
        {registered.RichTextFormat, &CreateExporter<TDBGridEhExportAsRTF>,
         std::string_view("\0", 1)},
        {registered.GRIDBIF, &CreateExporter<TDBGridEhExportAsGRIDBIF>, std::string_view()},
    }};
  }();
  return formats;
}

// Writes a block of a copy from its snapshot when a program reads it.
class DelayedGridCopy : public platform::IClipboardRenderer {
 public:
  DelayedGridCopy(std::unique_ptr<TGridClipboardSnapshot> snapshot, bool wholeGrid)
      : snapshot_(std::move(snapshot)), wholeGrid_(wholeGrid) {}

  QByteArray Render(unsigned number) override {
    for (const CopyFormat& format : CopyFormats()) {
      if (format.number != number) continue;
      TMemoryStream buffer;
      ExportGridToStream(format.exporter, *snapshot_, buffer, wholeGrid_);
      buffer.Write(format.terminator);
      // The document moves into the array step by step, so it is never held twice in full.
      QByteArray bytes(static_cast<qsizetype>(buffer.Size()), Qt::Uninitialized);
      buffer.MoveTo(bytes.data());
      return bytes;
    }
    return QByteArray();
  }

  // The Unicode block's text converted while the writer writes it.
  QByteArray RenderUtf8Text() override {
    TClipboardUtf8Stream text;
    ExportGridToStream(&CreateExporter<TDBGridEhExportAsUnicodeText>, *snapshot_, text,
                       wholeGrid_);
    QByteArray bytes = text.Take();
    return bytes.isNull() ? QByteArray("") : bytes;
  }

 private:
  std::unique_ptr<TGridClipboardSnapshot> snapshot_;
  bool wholeGrid_;
};

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
    block.assign(buffer.Bytes());
  } catch (const std::bad_alloc&) {
    throw platform::EClipboardException("Out of memory");
  }
  if (emptyFirst) clipboard.Empty();
  clipboard.SetData(format, block);
}

void CopyGridToClipboard(TDBGridEh& grid, bool wholeGrid) {
  (void)startupFormats;
  const std::array<CopyFormat, 5>& formats = CopyFormats();
  platform::ClipboardSession clipboard;  // held open across all five placements

  // Usually the formats are only offered now and written from a snapshot of the copy when a
  // program asks for one.
  if (std::unique_ptr<TGridClipboardSnapshot> snapshot = TGridClipboardSnapshot::Take(grid)) {
    std::vector<unsigned> numbers;
    for (const CopyFormat& format : formats) numbers.push_back(format.number);
    clipboard.SetDelayedData(std::move(numbers),
                             std::make_shared<DelayedGridCopy>(std::move(snapshot), wholeGrid));
    clipboard.Close();
    return;
  }

  TDataSet* data = grid.DataSet();
  if (data != nullptr) data->DisableControls();
  try {
    TMemoryStream buffer;
    TDBGridEhValueSource source(grid);
    bool first = true;
    for (const CopyFormat& format : formats) {
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
