#pragma once

// The report grid over a client result set of a real Firebird database in a temporary folder:
// client C fed by provider P over a query, shown through the grid DBGridEh2.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "data/DBClient.h"
#include "data/Provider.h"
#include "data/SqlExpr.h"
#include "grid/DBGridEh.h"

class GridDatabaseTest : public ::testing::Test {
 protected:
  // Makes the folder `name` (with the process id) under the temporary folder, a database
  // without the company tables in it, runs `script` and wires connection, query, provider,
  // client, source and grid. Opens nothing.
  void MakeDatabase(const std::string& name, const std::string& script);
  // Closes the client and the connection and removes the folder.
  void TearDown() override;

  std::filesystem::path folder_;
  TSQLConnection connection_;
  TSQLQuery query_;
  TProviderOwner owner_;
  TDataSetProvider provider_{"P", &owner_};
  TClientDataSet client_{"C", &owner_};
  TDataSource source_;
  TDBGridEh grid_;
};
