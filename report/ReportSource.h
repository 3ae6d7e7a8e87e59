#pragma once

// The report's rows outside the window: the data module's report query behind a provider and
// a client result set with the report's fields, wired as the window wires its own.

#include <memory>
#include <vector>

#include "data/DBClient.h"
#include "data/Provider.h"

class Tfdm;
class TSQLQuery;

namespace report {

class TReportSource {
 public:
  explicit TReportSource(Tfdm& dataModule);
  // The same over another query, for a run on a connection of its own.
  explicit TReportSource(TSQLQuery& query);
  TReportSource(const TReportSource&) = delete;
  TReportSource& operator=(const TReportSource&) = delete;

  TClientDataSet& Report() { return report_; }

 private:
  TProviderOwner providers_;
  TDataSetProvider provider_;
  TClientDataSet report_;
  std::vector<std::unique_ptr<TField>> fields_;
};

}  // namespace report
