#include "tests/data/support/ConfigEditorTest.h"

#include <stdlib.h>

#include <filesystem>

#include "tests/data/support/SqlTestDatabase.h"

void ConfigEditorTest::SetUp() {
  char pattern[] = "/tmp/config-editor-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  folder_ = pattern;
  path_ = folder_ + "/galvora.fdb";
}

void ConfigEditorTest::TearDown() {
  client.Close();
  connection.SetConnected(false);
  if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

void ConfigEditorTest::Wire() {
  SetupDataModuleConnection(connection, path_);
  statement.SetSQLConnection(&connection);
  provider.SetDataSet(&statement);
  provider.SetOptions(poAllowCommandText);
  client.SetProviderName("PConfrep");
  client.SetCommandText("SELECT * FROM CONFIGURA_COSTOS_PROD");
}

std::string ConfigurationWhere(const std::string& nullColumn) {
  std::string where;
  for (const char* column :
       {"COCP_ID", "COCP_CODAVE1", "COCP_CODAVE2", "COCP_CODHVO1", "COCP_CODHVO2", "COCP_CODINS1",
        "COCP_CODINS2", "COCP_CODINS3", "COCP_CODINS21", "COCP_PREFEP", "COCP_PREFSA",
        "COCP_VRAMOR", "COCP_PORCA1"}) {
    where += std::string(where.empty() ? "" : " and\r\n") + " \"" + column + "\"" +
             (column == nullColumn ? " is null" : " = ?");
  }
  return where;
}
