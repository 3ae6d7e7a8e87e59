#include "app/ReportSource.h"

#include "app/ReportFields.h"
#include "app/dm.h"
#include "data/SqlExpr.h"

namespace app {

TReportSource::TReportSource(Tfdm& dataModule)
    : provider_("PRepcliente", &providers_), report_("CRepcliente", &providers_) {
  provider_.SetDataSet(dataModule.QRepcliente.get());
  provider_.SetOptions(poAllowCommandText);
  report_.SetProviderName("PRepcliente");
  CreateReportFields(report_, fields_);
}

}  // namespace app
