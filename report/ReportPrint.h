#pragma once

// Printing the poultry cost report: which of its fields repeat on split pages and feed the
// cost charts, the page header of a calculated report, and the print preview of the window.

#include <string>

#include "data/DB.h"
#include "print/ReportPages.h"

class QWidget;
class TDBGridEh;

namespace report {

// The header of the report of `company` on `server` for `from` .. `to` (dates in the short
// date form), printed now. Company and server are UTF-8.
TReportHeading ReportHeading(const std::string& company, const std::string& server,
                             TDateTime from, TDateTime to);

// The report's print settings: the warehouse code and name repeat on every band of split
// columns; the charts show the unit cost and the seven cost items that make up the total.
TReportPrintSpec ReportPrintSpec(TReportHeading heading);

// The date and time of printing: the short date form and hours:minutes.
std::string PrintedNow();

// Opens the print preview of `grid`'s report (its selection, or everything when nothing is
// selected) over `parent` and returns when the operator closes it.
void PreviewReport(TDBGridEh& grid, TReportHeading heading, QWidget* parent);

}  // namespace report
