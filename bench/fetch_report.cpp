// Fetches 100,000 rows of the report's shape (2 text columns, 20 NUMERIC(15,2)) reading every
// value once: through TSQLQuery over the driver library, and directly with the client API.
// The ratio of the two is the cost of the connection, statement and driver layers.

#include <benchmark/benchmark.h>
#include <ibase.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/support/ProcessCost.h"
#include "data/SqlExpr.h"

namespace {

constexpr int kRows = 100000;
constexpr int kNumbers = 20;
const char kSelect[] = "select * from REPORT";

// A database with the REPORT table filled, made once per run.
class ReportDatabase {
 public:
  ReportDatabase() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "galvora-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    folder_ = pattern;
    path_ = folder_ + "/bench.fdb";
    std::string columns = "CODBOD varchar(10), NOMBOD varchar(40)";
    std::string values = "'B' || :i, 'Bodega ' || :i";
    for (int i = 1; i <= kNumbers; ++i) {
      columns += ", V" + std::to_string(i) + " numeric(15,2)";
      values += ", (:i + " + std::to_string(i) + ") * 1.25";
    }
    std::ofstream script(folder_ + "/create.sql");
    script << "create database '" << path_
           << "' user 'SYSDBA' password 'masterkey' default character set WIN1252;\n"
           << "create table REPORT (" << columns << ");\n"
           << "set term ^ ;\nexecute block as declare i integer = 0; begin\n"
           << "while (i < " << kRows << ") do begin insert into REPORT values (" << values
           << "); i = i + 1; end end^\nset term ; ^\ncommit;\n";
    script.close();
    std::string command = "isql-fb -q -i '" + folder_ + "/create.sql' > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("isql-fb failed");
  }
  ~ReportDatabase() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

const ReportDatabase& Database() {
  static ReportDatabase database;
  return database;
}

void Check(ISC_STATUS* status) {
  if (status[0] == 1 && status[1] != 0) {
    char text[512];
    const ISC_STATUS* cursor = status;
    fb_interpret(text, sizeof text, &cursor);
    throw std::runtime_error(text);
  }
}

void BM_FetchDirectClientApi(benchmark::State& state) {
  const std::string& path = Database().Path();
  ISC_STATUS_ARRAY status;
  isc_db_handle db = 0;
  char dpb[] = {isc_dpb_version1, isc_dpb_lc_ctype, 7, 'W', 'I', 'N', '1', '2', '5', '2'};
  isc_attach_database(status, 0, path.c_str(), &db, sizeof dpb, dpb);
  Check(status);
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    isc_tr_handle transaction = 0;
    static char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed,
                         isc_tpb_rec_version, isc_tpb_wait};
    isc_start_transaction(status, &transaction, 1, &db, sizeof tpb, tpb);
    Check(status);
    isc_stmt_handle statement = 0;
    isc_dsql_allocate_statement(status, &db, &statement);
    std::vector<char> daSpace(XSQLDA_LENGTH(kNumbers + 2));
    auto* da = reinterpret_cast<XSQLDA*>(daSpace.data());
    da->version = SQLDA_VERSION1;
    da->sqln = kNumbers + 2;
    isc_dsql_prepare(status, &transaction, &statement, 0, kSelect, 3, da);
    Check(status);
    std::vector<int64_t> storage(static_cast<size_t>(da->sqld) * 8);
    std::vector<short> nulls(static_cast<size_t>(da->sqld));
    for (int i = 0; i < da->sqld; ++i) {
      da->sqlvar[i].sqldata = reinterpret_cast<char*>(&storage[static_cast<size_t>(i) * 8]);
      da->sqlvar[i].sqlind = &nulls[static_cast<size_t>(i)];
    }
    isc_dsql_execute(status, &transaction, &statement, 3, nullptr);
    Check(status);
    int64_t sum = 0;
    char text[64];
    int rows = 0;
    while (isc_dsql_fetch(status, &statement, 3, da) == 0) {
      for (int i = 0; i < da->sqld; ++i) {
        const XSQLVAR& var = da->sqlvar[i];
        if (*var.sqlind < 0) continue;
        if ((var.sqltype & ~1) == SQL_VARYING) {
          uint16_t length;
          std::memcpy(&length, var.sqldata, 2);
          std::memcpy(text, var.sqldata + 2, length);
          text[length] = 0;
          sum += text[0];
        } else {
          int64_t value;
          std::memcpy(&value, var.sqldata, 8);
          sum += value;
        }
      }
      ++rows;
    }
    benchmark::DoNotOptimize(sum);
    isc_dsql_free_statement(status, &statement, DSQL_drop);
    isc_commit_transaction(status, &transaction);
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  isc_detach_database(status, &db);
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_FetchTSQLQuery(benchmark::State& state) {
  TSQLConnection connection("Galvora");
  connection.SetDriverName("Interbase");
  connection.SetGetDriverFunc("getSQLDriverINTERBASE");
  connection.SetLibraryName("libibdriver.so");
  connection.SetVendorLib("libfbclient.so.2");
  connection.SetLoginPrompt(false);
  connection.Params().SetValue("Database", Database().Path());
  connection.Params().SetValue("User_Name", "sysdba");
  connection.Params().SetValue("password", "masterkey");
  connection.Params().SetValue("SQLDialect", "3");
  TSQLQuery query("QRepcliente");
  query.SetSQLConnection(&connection);
  query.SetMaxBlobSize(-1);
  const bench::ProcessCost cost(state);
  for (auto _ : state) {
    query.PSSetCommandText(kSelect);
    query.Open();
    std::vector<TField*> fields;
    for (int i = 0; i < query.Fields().Count(); ++i) fields.push_back(&query.Fields()[i]);
    alignas(8) char buffer[64];
    int64_t sum = 0;
    int rows = 0;
    while (!query.Eof()) {
      for (TField* field : fields) {
        if (field->GetData(buffer)) sum += buffer[1];
      }
      ++rows;
      query.Next();
    }
    benchmark::DoNotOptimize(sum);
    query.Close();
    if (rows != kRows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_FetchDirectClientApi)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FetchTSQLQuery)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
