#pragma once

// The report's 100,000 rows opened once in a report grid with every row selected, for the
// benchmarks that work on the window's grid: from the demo installation in BENCH_EXPORT_DEMO
// (default /tmp/galvora-bench-100k, made by bench_export_batch).

#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/ProcessCost.h"
#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/Provider.h"
#include "data/SqlExpr.h"
#include "grid/DBGridEh.h"
#include "report/ReportFields.h"
#include "report/dm.h"

namespace bench {

struct OpenReport {
  Tfdm dataModule;
  TProviderOwner providers;
  TDataSetProvider provider{"PRepcliente", &providers};
  TClientDataSet report{"CRepcliente", &providers};
  std::vector<std::unique_ptr<TField>> fields;
  TDataSource source{&report};
  TDBGridEh grid;
  double residentGrowth = 0;  // process memory the first open added
  double heldByRows = 0;      // of which closing the result set gives back

  explicit OpenReport(const std::string& demo) {
    TSQLConnection& connection = *dataModule.Galvora;
    connection.Params().SetValue("Database", report::ReportDatabaseName(demo, "001"));
    connection.Params().SetValue("User_Name", "SYSDBA");
    connection.Params().SetValue("password", "masterkey");
    connection.Open();
    provider.SetDataSet(dataModule.QRepcliente.get());
    provider.SetOptions(poAllowCommandText);
    report.SetProviderName("PRepcliente");
    report::CreateReportFields(report, fields);
    report::SetupReportGrid(grid, &source);
    grid.resize(1418, 484);
    grid.setAttribute(Qt::WA_DontShowOnScreen);
    grid.show();
    report.SetCommandText(
        report::ReportCommandText(EncodeDate(2022, 1, 1), EncodeDate(2022, 1, 31)));
    // The database engine runs inside this process; one run of the procedure first warms its
    // page cache, so that the open's growth is what the result set and its provider keep.
    TSQLQuery warmUp;
    warmUp.SetSQLConnection(&connection);
    warmUp.SetSQL(report.CommandText());
    warmUp.Open();
    while (!warmUp.Eof()) warmUp.Next();
    warmUp.Close();
    const double before = bench::ResidentBytes();
    report.Open();
    residentGrowth = bench::ResidentBytes() - before;
    // What closing gives back (freed pages returned to the system) is what the rows hold.
    report.Close();
    malloc_trim(0);
    heldByRows = residentGrowth - (bench::ResidentBytes() - before);
    report.Open();
    grid.Selection().SelectEverything();
  }
};

inline std::unique_ptr<OpenReport>& ReportSlot() {
  static std::unique_ptr<OpenReport> report;
  return report;
}

// The open report, or nullptr when there is no demo installation.
inline OpenReport* Report() {
  std::unique_ptr<OpenReport>& report = ReportSlot();
  if (!report) {
    const char* folder = std::getenv("BENCH_EXPORT_DEMO");
    const std::string demo = folder ? folder : "/tmp/galvora-bench-100k";
    if (!std::filesystem::exists(demo + "/datos/001/galvora.fdb")) return nullptr;
    report = std::make_unique<OpenReport>(demo);
  }
  return report.get();
}

// Closes the report; call before the application object goes (the grid needs its fonts).
inline void CloseReport() { ReportSlot().reset(); }

}  // namespace bench
