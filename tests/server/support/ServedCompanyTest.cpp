#include "tests/server/support/ServedCompanyTest.h"

#include "db/CompanyDatabase.h"

namespace servertest {

void ServedCompanyTest::SetUp() {
  if (!ServerAnswers(settings)) {
    GTEST_SKIP() << "no Firebird server answers on " << settings.host
                 << " (scripts/server start runs one)";
  }
  company = std::make_unique<ServedCompany>(settings, 5);
}

int ServedCompanyTest::ConfigurationRows() const {
  return static_cast<int>(
      db::QueryText(company->Database(), "select * from CONFIGURA_COSTOS_PROD", "SYSDBA",
                    settings.password)
          .rows.size());
}

}  // namespace servertest
