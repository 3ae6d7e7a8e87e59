// The report as the window runs it (CRepcliente over PRepcliente over QRepcliente, every row
// fetched into the client result set) with COSTOS_AVICOLA returning 100,000 rows, from one
// company database: opened as a local file through the embedded engine, and as
// "localhost:/path" through the Firebird server on loopback. Needs a running server
// (scripts/server start); without one the server case is skipped.

#include <benchmark/benchmark.h>
#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/support/ProcessCost.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "tests/server/support/ServerSupport.h"

namespace {

constexpr int kRows = 100000;
const char kReport[] = " select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')";

// The report's 22 columns, kRows rows of plausible figures.
std::string ProcedureScript() {
  std::string outputs = "CODBOD varchar(2), NOMBOD varchar(60)";
  std::string body;
  const char* names[] = {"EXINIAVE", "SALAVE",   "VTAAVE",    "EXFINAVE", "PORSALAVE",
                         "ENTHUEVO", "RENDHUEVO", "SALALIM",  "GRAMHUEVO", "GRAMAVE",
                         "VRALIM",   "COSTOALM",  "VACUNAS",  "OTROSINS",  "AMORTIZA",
                         "MANOBDIR", "MANOBIND",  "INDIRECTOS", "TOTCOSTO", "COSTOUNIT"};
  int k = 1;
  for (const char* name : names) {
    outputs += std::string(", ") + name + " numeric(15,2)";
    body += std::string("    ") + name + " = (I * " + std::to_string(k++) + ") / 7.0;\n";
  }
  return "set term ^ ;\ncreate or alter procedure COSTOS_AVICOLA (FECINI date, FECFIN date)\n"
         "returns (" + outputs + ")\nas\n  declare variable I integer = 0;\nbegin\n"
         "  while (I < " + std::to_string(kRows) + ") do begin\n    I = I + 1;\n"
         "    CODBOD = mod(I, 99);\n    NOMBOD = 'Bodega ' || I;\n" + body +
         "    suspend;\n  end\nend^\nset term ; ^\n";
}

// A company folder handed to the user firebird, its database made through the server so that
// both the server and this process (root) may open it.
class BenchCompany {
 public:
  BenchCompany() : settings_(servertest::Settings()) {
    served_ = servertest::ServerAnswers(settings_);
    if (!served_) return;
    company_ = std::make_unique<servertest::ServedCompany>(settings_, 0);
    db::ExecuteScript(company_->Database(), ProcedureScript(), "SYSDBA", settings_.password);
  }
  bool Served() const { return served_; }
  // The same file by plain path (embedded engine) or through the server.
  std::string LocalName() const { return company_->Folder() + "/datos/001/galvora.fdb"; }
  std::string ServerName() const { return company_->Database(); }
  const std::string& Password() const { return settings_.password; }

 private:
  servertest::ServerSettings settings_;
  bool served_ = false;
  std::unique_ptr<servertest::ServedCompany> company_;
};

const BenchCompany& Company() {
  static BenchCompany company;
  return company;
}

void RunReport(benchmark::State& state, const std::string& database) {
  TSQLConnection connection;
  servertest::SetupConnection(connection, database, Company().Password());
  TSQLQuery query{"QRepcliente"};
  query.SetSQLConnection(&connection);
  query.SetMaxBlobSize(-1);
  TProviderOwner owner;
  TDataSetProvider provider{"PRepcliente", &owner};
  provider.SetDataSet(&query);
  provider.SetOptions(poAllowCommandText);
  TClientDataSet client{"CRepcliente", &owner};
  client.SetProviderName("PRepcliente");
  connection.Open();
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    client.Close();
    client.SetCommandText(kReport);
    client.Open();
    if (client.RecordCount() != kRows) state.SkipWithError("wrong number of rows");
  }
  client.Close();
  connection.Close();  // lets the other engine open the file
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(kRows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_ReportEmbedded(benchmark::State& state) {
  if (!Company().Served()) {
    state.SkipWithError("no Firebird server answers (scripts/server start); nothing to compare");
    return;
  }
  RunReport(state, Company().LocalName());
}

void BM_ReportServer(benchmark::State& state) {
  if (!Company().Served()) {
    state.SkipWithError("no Firebird server answers (scripts/server start)");
    return;
  }
  RunReport(state, Company().ServerName());
}

BENCHMARK(BM_ReportEmbedded)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();
BENCHMARK(BM_ReportServer)->Unit(benchmark::kMillisecond)->MinTime(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
