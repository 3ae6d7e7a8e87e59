#pragma once

// A test over a company database the server serves: it holds the server lock from before
// SetUp to the end, is skipped when no server answers, and serves company 001 with five sample
// warehouses.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/CompanyDatabase.h"
#include "tests/server/support/ServerSupport.h"

namespace servertest {

class ServedCompanyTest : public ::testing::Test {
 public:  // tests reach these through references to the fixture as well
  void SetUp() override;

  // The result of `sql` on the served company's database, read as SYSDBA.
  db::QueryResult Query(const std::string& sql) const;
  // The number of rows in the served company's CONFIGURA_COSTOS_PROD.
  int ConfigurationRows() const;

  ServerLock lock;  // one server test at a time, taken before SetUp
  ServerSettings settings = Settings();
  std::unique_ptr<ServedCompany> company;
};

}  // namespace servertest
