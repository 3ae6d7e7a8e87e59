// Opening CRepcliente over 100,000 report rows (2 text, 20 NUMERIC(15,2)) through statement,
// provider and record store, against the raw client-API fetch of the same rows.
#include <benchmark/benchmark.h>
#include <ibase.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "bench/support/ProcessCost.h"
#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "tests/data/support/SqlTestDatabase.h"

namespace {

constexpr int kRows = 100000;
const char kSelect[] = "select * from REPORT_ROWS";

// A database file with kRows rows of the report's shape, made once per run.
const std::string& Database() {
  static std::string path = [] {
    char pattern[] = "/tmp/bench-dataset-open-XXXXXX";
    std::string folder = mkdtemp(pattern);
    std::string file = folder + "/galvora.fdb";
    db::CreateCompanyDatabase(file, {.schema = false});
    std::string columns, values;
    for (int i = 1; i <= 20; ++i) {
      columns += ", V" + std::to_string(i) + " numeric(15,2)";
      values += ", (:i * 1000 + " + std::to_string(i) + ") / 100.0";
    }
    db::ExecuteScript(file, "create table REPORT_ROWS (CODBOD varchar(2), NOMBOD varchar(60)" +
                                columns +
                                ");\n"
                                "set term ^ ;\n"
                                "execute block as declare i integer = 0; begin\n"
                                "  while (i < " +
                                std::to_string(kRows) +
                                ") do begin\n"
                                "    insert into REPORT_ROWS values (lpad(mod(:i, 100), 2, '0'),\n"
                                "      'Granja ' || :i" +
                                values +
                                ");\n"
                                "    i = i + 1;\n"
                                "  end\n"
                                "end^\n"
                                "set term ; ^\n");
    std::atexit(
        [] { std::filesystem::remove_all(std::filesystem::path(Database()).parent_path()); });
    return file;
  }();
  return path;
}

void Check(const ISC_STATUS* status) {
  if (status[0] == 1 && status[1] != 0) {
    char text[512];
    const ISC_STATUS* vector = status;
    fb_interpret(text, sizeof text, &vector);
    throw std::runtime_error(text);
  }
}

// The raw fetch: prepare, execute and fetch every row into the client API's buffers.
void BM_RawClientFetch(benchmark::State& state) {
  ISC_STATUS_ARRAY status;
  isc_db_handle database = 0;
  const std::string path = Database();
  const char dpb[] = {isc_dpb_version1,
                      isc_dpb_user_name,
                      6,
                      'S',
                      'Y',
                      'S',
                      'D',
                      'B',
                      'A',
                      isc_dpb_lc_ctype,
                      7,
                      'W',
                      'I',
                      'N',
                      '1',
                      '2',
                      '5',
                      '2'};
  isc_attach_database(status, 0, path.c_str(), &database, sizeof dpb, dpb);
  Check(status);
  isc_tr_handle transaction = 0;
  isc_start_transaction(status, &transaction, 1, &database, 0, nullptr);
  Check(status);
  int64_t rows = 0;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    isc_stmt_handle statement = 0;
    isc_dsql_allocate_statement(status, &database, &statement);
    Check(status);
    std::vector<char> daBytes(XSQLDA_LENGTH(22));
    auto* da = reinterpret_cast<XSQLDA*>(daBytes.data());
    da->version = SQLDA_VERSION1;
    da->sqln = 22;
    isc_dsql_prepare(status, &transaction, &statement, 0, kSelect, 3, da);
    Check(status);
    std::vector<std::vector<char>> buffers(da->sqld);
    std::vector<short> nulls(da->sqld);
    for (int i = 0; i < da->sqld; ++i) {
      XSQLVAR& var = da->sqlvar[i];
      buffers[i].resize(var.sqllen + 2);
      var.sqldata = buffers[i].data();
      var.sqlind = &nulls[i];
    }
    isc_dsql_execute(status, &transaction, &statement, 1, nullptr);
    Check(status);
    while (isc_dsql_fetch(status, &statement, 1, da) == 0) ++rows;
    isc_dsql_free_statement(status, &statement, DSQL_drop);
  }
  isc_commit_transaction(status, &transaction);
  isc_detach_database(status, &database);
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_RawClientFetch)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The report window's path: CRepcliente.Open over PRepcliente and QRepcliente.
void BM_ClientDataSetOpen(benchmark::State& state) {
  TSQLConnection connection;
  SetupDataModuleConnection(connection, Database(), "SYSDBA", "masterkey");
  connection.SetConnected(true);
  TSQLQuery query("QRepcliente");
  query.SetSQLConnection(&connection);
  TProviderOwner owner;
  TDataSetProvider provider("PRepcliente", &owner);
  provider.SetDataSet(&query);
  provider.SetOptions(poAllowCommandText);
  TClientDataSet client("CRepcliente", &owner);
  client.SetProviderName("PRepcliente");
  client.SetCommandText(kSelect);
  int64_t rows = 0;
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    client.Open();
    rows += client.RecordCount();
    client.Close();
  }
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_ClientDataSetOpen)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
