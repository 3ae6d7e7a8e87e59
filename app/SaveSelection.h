#pragma once

// The save-selection command: asks for a file name and a format in the save dialog and writes
// the report grid's selection with the writer of that format.

#include <string>

#include "export/DBGridEhImpExp.h"
#include "export/DBGridEhSource.h"
#include "platform/Dialogs.h"

class TDBGridEh;

// The save dialog's filter entries, numbered from 1; the workbook entry comes after the
// first five, so that their numbers keep their meaning.
inline constexpr const char kSaveFilter[] =
    "Archivo texto (*.txt)|*.TXT|Valores separados por comas (*.csv)|*.CSV|"
    "Archivo HTML (*.htm)|*.HTM|Texto con formato (*.rtf)|*.RTF|"
    "Libro de Microsoft Excel (*.xls)|*.XLS|Libro de Excel (*.xlsx)|*.XLSX";
inline constexpr int kSaveFormatCount = 6;

// What the window's save dialog keeps for its lifetime: the filter entry chosen last.
struct TSaveDialog {
  int FilterIndex = 1;
};

// The writer of filter entry `filterIndex` (1 txt, 2 csv, 3 htm, 4 rtf, 5 xls, 6 xlsx);
// nullptr for any other index.
TDBGridEhExportClass SaveExporterClass(int filterIndex);
// The extension of filter entry `filterIndex` ("txt", ...); empty for any other index.
std::string SaveExtension(int filterIndex);

// The file name after the extension check: when the last characters of `fileName`, as many as
// the entry's extension has, differ from it (upper-cased, ASCII letters only), "." + the
// extension is appended ("Costos" -> "Costos.txt"; "Costoscsv" stays with the csv entry).
std::string SaveFileName(const std::string& fileName, int filterIndex);

// Shows the dialog with the name "Costos" and the entry chosen last; on OK writes the
// selection of `grid` (never all rows by itself) to the chosen file, replacing it. A cancelled
// dialog writes nothing. Write errors propagate to the caller (the general error report).
// The same over any export source.
// `info` describes the report to the formats that record it.
void SaveSelection(IExportGrid& grid, platform::ISaveDialogs& dialogs, TSaveDialog& saveDialog,
                   const TExportDocumentInfo& info = {});
inline void SaveSelection(TDBGridEh& grid, platform::ISaveDialogs& dialogs,
                          TSaveDialog& saveDialog, const TExportDocumentInfo& info = {}) {
  TDBGridEhExportSource source(grid);
  SaveSelection(static_cast<IExportGrid&>(source), dialogs, saveDialog, info);
}
