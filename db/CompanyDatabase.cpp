#include "db/CompanyDatabase.h"

#include <filesystem>
#include <system_error>

#include "db/FbClient.h"
#include "db/SampleGenerator.h"

namespace db {

namespace embedded {
// Generated at build time from the .sql files beside this one.
extern const char kSchema[];
extern const char kIndexes[];
extern const char kConfiguration[];
extern const char kProcedure[];
}  // namespace embedded

std::string_view SchemaScript() { return embedded::kSchema; }
std::string_view IndexesScript() { return embedded::kIndexes; }
std::string_view ConfigurationScript() { return embedded::kConfiguration; }
std::string_view ProcedureScript() { return embedded::kProcedure; }

namespace {

void RunScript(Attachment& attachment, std::string_view script) {
  for (const std::string& statement : SplitScript(script)) attachment.Execute(statement);
}

}  // namespace

void CreateCompanyDatabase(const std::string& path, const CompanyDatabaseOptions& options) {
  std::error_code error;
  if (std::filesystem::exists(path, error))
    throw DatabaseError("The database file already exists: " + path);
  try {
    // Forced writes stay off: the file is rebuilt rather than recovered, and loading is
    // many times faster without a disk flush per page write.
    Attachment attachment =
        Attachment::Create(path, options.user, options.password, options.pageSize, false);
    if (options.schema) {
      RunScript(attachment, SchemaScript());
      RunScript(attachment, ConfigurationScript());
      RunScript(attachment, ProcedureScript());
      if (options.sample) LoadSampleRows(attachment, *options.sample);
      RunScript(attachment, IndexesScript());
    } else if (options.sample) {
      throw DatabaseError("Sample data needs the schema");
    }
  } catch (...) {
    std::filesystem::remove(path, error);
    throw;
  }
}

void FillSampleData(const std::string& path, const SampleData& sample, const std::string& user,
                    const std::string& password) {
  Attachment attachment = Attachment::Open(path, user, password);
  LoadSampleRows(attachment, sample);
}

void FillSampleData(const std::string& path, uint64_t seed, int warehouses, int months) {
  SampleData sample;
  sample.seed = seed;
  sample.warehouses = warehouses;
  sample.months = months;
  FillSampleData(path, sample);
}

void ExecuteScript(const std::string& path, std::string_view script, const std::string& user,
                   const std::string& password) {
  Attachment attachment = Attachment::Open(path, user, password);
  RunScript(attachment, script);
}

QueryResult QueryText(const std::string& path, const std::string& sql, const std::string& user,
                      const std::string& password) {
  Attachment attachment = Attachment::Open(path, user, password);
  return attachment.Query(sql);
}

}  // namespace db
