#pragma once

// The poultry cost report's result set and grid: the 22 persistent fields of CRepcliente
// (names, sizes, labels, display formats) and the report grid's settings with its 22 columns
// bound by field name. Shared by the report window and the batch exporter, so that both show
// and write the same texts.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "data/DB.h"
#include "export/DBGridEhImpExp.h"

class TDBGridEh;
class TDataSource;

namespace report {

// One field of the report: a text field when Size > 0, else a decimal field of precision 15
// and 2 places. DisplayFormat is nullptr for none. Texts are Windows-1252.
struct TReportFieldSpec {
  const char* FieldName;
  int Size;
  const char* DisplayLabel;
  const char* DisplayFormat;
};

inline constexpr int kReportFieldCount = 22;
extern const std::array<TReportFieldSpec, kReportFieldCount> kReportFields;

// The stored width of a report column in pixels, or 0 when the column takes the grid's
// default.
int ReportColumnWidth(const char* fieldName);

// Creates the 22 persistent fields in order on `dataSet`, each named dataSet.Name() + field
// name (CRepclienteCODBOD, ...). The fields are owned by `owner`, which must not outlive the
// need for them; they leave the data set when destroyed. Requires: `dataSet` is closed.
void CreateReportFields(TDataSet& dataSet, std::vector<std::unique_ptr<TField>>& owner);

// Gives `grid` the report grid's settings (read-only, flat, fitted columns, striped rows,
// fonts, a footer row in money green, copy and select-all) and its 22 columns in field order,
// each bound by field name, with the stored widths, showing `source`.
void SetupReportGrid(TDBGridEh& grid, TDataSource* source);

// The company database the report connects to: server + "/datos/" + company + "/galvora.fdb".
std::string ReportDatabaseName(const std::string& server, const std::string& company);

// The report's command text for the period `start` .. `end`: " select * from COSTOS_AVICOLA ("
// + Q(start) + "," + Q(end) + ")", each date quoted in ISO form ('2024-01-05'), which the
// database reads as the same day whatever the regional settings. The operator sees and types
// the dates in the short date form; only the text for the database is ISO.
std::string ReportCommandText(TDateTime start, TDateTime end);

// The report as exported files describe it: its title, the company code and the period
// start .. end in the short date form.
TExportDocumentInfo ReportDocumentInfo(const std::string& company, TDateTime start,
                                       TDateTime end);

}  // namespace report
