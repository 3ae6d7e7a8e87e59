#pragma once

// CConfrep fed by PConfrep over TConfcostos, as the configuration editor wires them, on a
// database file in a temporary folder of each test.

#include <gtest/gtest.h>

#include <string>

#include "data/DBClient.h"
#include "data/SqlExpr.h"

class ConfigEditorTest : public ::testing::Test {
 protected:
  // Makes the folder; the test makes the database at path_ and then calls Wire.
  void SetUp() override;
  // Closes the client, disconnects and removes the folder.
  void TearDown() override;

  // Points the connection at path_ and wires statement, provider and client to read the whole
  // configuration table. Opens nothing.
  void Wire();

  std::string folder_, path_;
  TSQLConnection connection;
  TSQLQuery statement{"TConfcostos"};
  TProviderOwner owner;
  TDataSetProvider provider{"PConfrep", &owner};
  TClientDataSet client{"CConfrep", &owner};
};

// The where clause the provider writes for a row of the company database's configuration
// table: every column in table order as "= ?", except `nullColumn`, which is "is null".
std::string ConfigurationWhere(const std::string& nullColumn = "");
