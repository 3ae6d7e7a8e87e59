#include "tests/server/support/ServedCompanyTest.h"

namespace servertest {

void ServedCompanyTest::SetUp() {
  if (!ServerAnswers(settings)) {
    GTEST_SKIP() << "no Firebird server answers on " << settings.host
                 << " (scripts/server start runs one)";
  }
  company = std::make_unique<ServedCompany>(settings, 5);
}

db::QueryResult ServedCompanyTest::Query(const std::string& sql) const {
  return db::QueryText(company->Database(), sql, "SYSDBA", settings.password);
}

int ServedCompanyTest::ConfigurationRows() const {
  return static_cast<int>(Query("select * from CONFIGURA_COSTOS_PROD").rows.size());
}

}  // namespace servertest
