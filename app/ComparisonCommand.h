#pragma once

// The window's "Comparativo" command (F8, the popup menu's "Comparativo..."): the reference
// period chosen in a dialog, the comparison run while the window shows that it runs and Esc
// stops it, and the result in the print preview, savable as a PDF or a workbook.

#include <string>

#include "report/Comparison.h"

class QWidget;

namespace app {

// Opens the print preview of `comparison` over `parent`, with a command saving it as a
// workbook (sheet "Comparativo"), and returns when the operator closes it. `company` and
// `server` are UTF-8.
void PreviewComparison(const report::TComparison& comparison, const std::string& company,
                       const std::string& server, QWidget* parent);

}  // namespace app
