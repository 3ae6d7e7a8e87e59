#include "report/ReportSource.h"

#include "data/SqlExpr.h"
#include "report/ReportFields.h"
#include "report/dm.h"

namespace report {

TReportSource::TReportSource(Tfdm& dataModule) : TReportSource(*dataModule.QRepcliente) {}

TReportSource::TReportSource(TSQLQuery& query)
    : provider_("PRepcliente", &providers_), report_("CRepcliente", &providers_) {
  provider_.SetDataSet(&query);
  provider_.SetOptions(poAllowCommandText);
  report_.SetProviderName("PRepcliente");
  CreateReportFields(report_, fields_);
}

}  // namespace report
