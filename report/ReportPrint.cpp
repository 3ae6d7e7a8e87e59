#include "report/ReportPrint.h"

#include <QTime>

#include "data/DateText.h"
#include "print/PrintPreview.h"

namespace report {

TReportHeading ReportHeading(const std::string& company, const std::string& server,
                             TDateTime from, TDateTime to) {
  TReportHeading heading;
  heading.Company = company;
  heading.Server = server;
  heading.From = DateToStr(from);
  heading.To = DateToStr(to);
  heading.Printed = PrintedNow();
  return heading;
}

std::string PrintedNow() {
  return DateToStr(Date()) + " " +
         QTime::currentTime().toString(QStringLiteral("HH:mm")).toStdString();
}

TReportPrintSpec ReportPrintSpec(TReportHeading heading) {
  TReportPrintSpec spec;
  spec.Heading = std::move(heading);
  spec.KeyFields = {"CODBOD", "NOMBOD"};
  spec.ChartLabelField = "CODBOD";
  spec.UnitCostField = "COSTOUNIT";
  spec.PartFields = {"COSTOALM", "VACUNAS",  "OTROSINS",  "AMORTIZA",
                     "MANOBDIR", "MANOBIND", "INDIRECTOS"};
  return spec;
}

void PreviewReport(TDBGridEh& grid, TReportHeading heading, QWidget* parent) {
  TReportPages pages(grid, ReportPrintSpec(std::move(heading)));
  TPrintPreview preview(pages, parent);
  preview.PrintTime = PrintedNow;
  preview.exec();
}

}  // namespace report
