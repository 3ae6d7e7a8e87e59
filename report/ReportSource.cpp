#include "report/ReportSource.h"

#include "data/SqlExpr.h"
#include "report/ReportFields.h"
#include "report/dm.h"

namespace report {

TReportSource::TReportSource(Tfdm& dataModule)
    : provider_("PRepcliente", &providers_), report_("CRepcliente", &providers_) {
  provider_.SetDataSet(dataModule.QRepcliente.get());
  provider_.SetOptions(poAllowCommandText);
  report_.SetProviderName("PRepcliente");
  CreateReportFields(report_, fields_);
}

}  // namespace report
