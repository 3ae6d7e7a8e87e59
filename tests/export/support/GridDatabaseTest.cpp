#include "tests/export/support/GridDatabaseTest.h"

#include <unistd.h>

#include "db/CompanyDatabase.h"
#include "tests/data/support/SqlTestDatabase.h"

void GridDatabaseTest::MakeDatabase(const std::string& name, const std::string& script) {
  folder_ = std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder_);
  const std::string path = (folder_ / "galvora.fdb").string();
  db::CreateCompanyDatabase(path, {.schema = false});
  db::ExecuteScript(path, script);
  SetupDataModuleConnection(connection_, path);
  query_.SetSQLConnection(&connection_);
  provider_.SetDataSet(&query_);
  provider_.SetOptions(poAllowCommandText);
  client_.SetProviderName("P");
  source_.SetDataSet(&client_);
  grid_.setObjectName("DBGridEh2");
  grid_.SetDataSource(&source_);
}

void GridDatabaseTest::TearDown() {
  client_.Close();
  connection_.Close();
  if (!folder_.empty()) std::filesystem::remove_all(folder_);
}
