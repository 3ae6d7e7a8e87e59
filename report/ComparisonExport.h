#pragma once

// The report's workbook with the comparison: the sheet "Costos" as the workbook writer makes
// it from the report grid, then the sheet "Comparativo".

#include <string>

#include "export/DBGridEhImpExp.h"
#include "report/Comparison.h"

class TDBGridEh;
class TStream;

namespace report {

// Writes the grid's selection and the comparison into a new file that replaces `fileName`
// only when complete.
void ExportReportWorkbookToFile(TDBGridEh& grid, const TComparison& comparison,
                                const std::string& fileName, const TExportDocumentInfo& info);
// The same workbook's bytes into `stream`.
void ExportReportWorkbookToStream(TDBGridEh& grid, const TComparison& comparison, TStream& stream,
                                  const TExportDocumentInfo& info);

}  // namespace report
