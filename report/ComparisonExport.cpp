#include "report/ComparisonExport.h"

#include "export/DBGridEhSource.h"
#include "export/ExportAsXLSX.h"
#include "report/ComparisonWorkbook.h"

namespace report {

namespace {

// The workbook writer over the grid, adding the comparison's sheet before it closes.
void Render(TDBGridEh& grid, const TComparison& comparison, const TExportDocumentInfo& info,
            const std::function<void(TDBGridEhExportAsXLSX&)>& render) {
  TDBGridEhExportSource source(grid);
  TDBGridEhExportAsXLSX exporter;
  exporter.SetGrid(&source);
  exporter.SetDocumentInfo(info);
  exporter.MoreSheets = [&comparison](lxw_workbook* workbook, const std::string& tmpFolder) {
    AddComparisonSheet(workbook, comparison, tmpFolder);
  };
  render(exporter);
}

}  // namespace

void ExportReportWorkbookToFile(TDBGridEh& grid, const TComparison& comparison,
                                const std::string& fileName, const TExportDocumentInfo& info) {
  Render(grid, comparison, info,
         [&fileName](TDBGridEhExportAsXLSX& exporter) { exporter.RenderToFile(fileName, false); });
}

void ExportReportWorkbookToStream(TDBGridEh& grid, const TComparison& comparison, TStream& stream,
                                  const TExportDocumentInfo& info) {
  Render(grid, comparison, info,
         [&stream](TDBGridEhExportAsXLSX& exporter) { exporter.RenderToStream(stream, false); });
}

}  // namespace report
