#pragma once

// The window's "Comparativo" command (F8, the popup menu's "Comparativo..."): the reference
// period chosen in a dialog, the comparison run while the window shows that it runs and Esc
// stops it, and the result in the print preview, savable as a PDF or a workbook.

#include <string>

#include "export/DBGridEhImpExp.h"
#include "report/Comparison.h"

class QWidget;
struct TSaveDialog;

namespace app {

// Opens the print preview of `comparison` over `parent`, with a command saving it as a
// workbook (sheet "Comparativo"), and returns when the operator closes it. `company` and
// `server` are UTF-8; `info` describes the workbook; the save dialog opens in the folder of
// `saveDialog`, which keeps the folder chosen.
void PreviewComparison(const report::TComparison& comparison, const std::string& company,
                       const std::string& server, const TExportDocumentInfo& info,
                       TSaveDialog& saveDialog, QWidget* parent);

// Asks for a file name in the save dialog and writes `comparison` there as a workbook of the
// sheet "Comparativo" (".xlsx" added when missing); cancelled, nothing is written.
void SaveComparisonWorkbook(const report::TComparison& comparison,
                            const TExportDocumentInfo& info, TSaveDialog& saveDialog);

}  // namespace app
