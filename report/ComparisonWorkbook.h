#pragma once

// The comparison as a workbook sheet "Comparativo", in the conventions of the report's sheet
// "Costos": bold titles kept in view, a filter over the warehouses, typed numbers shown with
// the report's formats, widths that fit the texts shown; rises and falls of each compared
// column coloured (green where the change is good, red where it is not).

#include <string>

#include "export/DBGridEhImpExp.h"
#include "report/Comparison.h"

struct lxw_workbook;

namespace report {

// Adds the sheet to `workbook`, made in constant-memory mode; its rows go to a temporary file
// in `tmpFolder` (named in messages). Raises EWriteError when that file cannot be written.
void AddComparisonSheet(lxw_workbook* workbook, const TComparison& comparison,
                        const std::string& tmpFolder);

// Writes a workbook holding the sheet alone into a new file that replaces `fileName` only when
// complete: a failure leaves the former file as it was and nothing beside it. `info` gives the
// workbook's title, company and period.
void SaveComparisonWorkbook(const TComparison& comparison, const std::string& fileName,
                            const TExportDocumentInfo& info);

}  // namespace report
