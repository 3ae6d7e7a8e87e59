#pragma once

// The save-selection command: asks for a file name and a format in the save dialog and writes
// the report grid's selection with the writer of that format.

#include <functional>
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

// What the window's save dialog keeps for its lifetime: the filter entry and the folder
// chosen last. OnFolderChosen, when set, hears of the folder of each accepted file name.
struct TSaveDialog {
  int FilterIndex = 1;
  std::string Folder;
  std::function<void(const std::string&)> OnFolderChosen;
};

// The folder the save dialog was last accepted in, per user between runs: the key
// "SaveDialog/Folder" of $XDG_CONFIG_HOME/Galvora/repcostoav.conf (~/.config when unset),
// file-system text. Empty when none is stored or the file cannot be read.
std::string RememberedSaveFolder();
// Stores `folder` there; a file that cannot be written keeps what it had, without a message.
void RememberSaveFolder(const std::string& folder);

// The writer of filter entry `filterIndex` (1 txt, 2 csv, 3 htm, 4 rtf, 5 xls, 6 xlsx);
// nullptr for any other index.
TDBGridEhExportClass SaveExporterClass(int filterIndex);
// The extension of filter entry `filterIndex` ("txt", ...); empty for any other index.
std::string SaveExtension(int filterIndex);

// The file name after the extension check: when the last characters of `fileName`, as many as
// the entry's extension has, differ from it (upper-cased, ASCII letters only), "." + the
// extension is appended ("Costos" -> "Costos.txt"; "Costoscsv" stays with the csv entry).
std::string SaveFileName(const std::string& fileName, int filterIndex);

// Shows the dialog with the name "Costos", the entry and the folder chosen last; on OK keeps
// the chosen folder and writes the
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
