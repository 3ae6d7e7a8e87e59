#pragma once
// The company database of the poultry cost report, built for the demo installation, tests and
// benchmarks: a real Firebird file (embedded engine, WIN1252) with the ERP's poultry tables,
// CONFIGURA_COSTOS_PROD with one row, and the selectable procedure COSTOS_AVICOLA.
//
//   db::CreateCompanyDatabase(dir + "/galvora.fdb");                     // empty company
//   db::CreateCompanyDatabase(path, {.sample = db::SampleData{.warehouses = 2}});
//   db::ExecuteScript(path, "CREATE OR ALTER PROCEDURE COSTOS_AVICOLA ...");  // custom content
//
// Every function attaches, does its work and detaches; none keeps the file open (a program in
// the exclusive engine mode could not open it meanwhile). Paths are the file system's bytes
// (UTF-8); other text given and returned is Windows-1252 bytes. Failures throw DatabaseError.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace db {

// A failure of the database client (its messages, one per line) or of the generator.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the sample generator writes: `warehouses` warehouses (ids 1..N, codes "01".."99" and
// then two letters or digits, repeating past 1,295), each with an opening flock dated the day
// before the first month and `months` months of movements and period costs from
// firstYear/firstMonth on. The same options give the same rows; warehouse k's quantities and
// values depend only on the seed, k and the months (document numbers run across warehouses).
struct SampleData {
  uint64_t seed = 1;
  int warehouses = 12;
  int months = 1;
  int firstYear = 2022;
  int firstMonth = 1;
};

struct CompanyDatabaseOptions {
  std::string user = "SYSDBA";
  std::string password = "masterkey";
  // Tables, the CONFIGURA_COSTOS_PROD row and COSTOS_AVICOLA; false gives an empty database
  // (WIN1252) for tests that build their own content with ExecuteScript.
  bool schema = true;
  // Sample rows, loaded before the indexes are built; none gives tables without warehouses.
  std::optional<SampleData> sample;
  int pageSize = 16384;
};

// Creates the database file at path, with forced writes off (a demo or test file is rebuilt,
// not recovered). Requires: path names no existing file and its folder exists. On failure the
// partly written file is removed.
void CreateCompanyDatabase(const std::string& path, const CompanyDatabaseOptions& options = {});

// Adds sample rows to a database made by CreateCompanyDatabase; warehouse ids continue after
// the highest one present.
void FillSampleData(const std::string& path, const SampleData& sample,
                    const std::string& user = "SYSDBA", const std::string& password = "masterkey");
void FillSampleData(const std::string& path, uint64_t seed, int warehouses, int months);

// Runs a script of statements ended by ";" (or by the terminator chosen with SET TERM, as
// isql reads it), each committed on its own. Comments /* */ and -- are skipped.
void ExecuteScript(const std::string& path, std::string_view script,
                   const std::string& user = "SYSDBA", const std::string& password = "masterkey");

// Rows of a query as text: integers and exact numbers in plain notation with their scale
// ("1234.50", "-0.05"), dates "yyyy-mm-dd", timestamps "yyyy-mm-dd hh:mm:ss", text as stored
// (CHAR keeps its padding), NULL as an empty optional.
struct QueryResult {
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
};
QueryResult QueryText(const std::string& path, const std::string& sql,
                      const std::string& user = "SYSDBA",
                      const std::string& password = "masterkey");

// The statements of a script, split as ExecuteScript does (SET TERM lines removed).
std::vector<std::string> SplitScript(std::string_view script);

// The scripts built into the library: tables, keys and indexes, the configuration row, and the
// report procedure with its helper function.
std::string_view SchemaScript();
std::string_view IndexesScript();
std::string_view ConfigurationScript();
std::string_view ProcedureScript();

}  // namespace db
