// Applying the change log through the provider: the generated statements, the transaction,
// counting failures and what stays in the client's change log.

#include <gtest/gtest.h>

#include "data/DBClient.h"
#include "tests/data/DBClientFixture.h"
#include "tests/data/support/ErrorOf.h"

using namespace dbclienttest;

namespace {

// The configuration editor's chain, open.
struct Config : ProviderChain {
  Config()
      : ProviderChain("TConfcostos", "PConfrep", "CConfrep",
                      {{"01", "A", "5", "12500.00"},
                       {"02", "ab", std::nullopt, "-3.10"},
                       {"03", "a", "-7", "1.00"}}) {
    client.Open();
  }

  void SetName(int recNo, const std::string& name) {
    client.SetRecNo(recNo);
    client.Edit();
    client.FieldByName("NOMBRE").SetAsString(name);
    client.Post();
  }
};

}  // namespace

TEST(ProviderApply, AModifiedColumnGivesOneUpdateWithTheFullWhereClause) {
  Config c;
  c.SetName(2, "nuevo");
  EXPECT_EQ(c.client.ApplyUpdates(0), 0);
  ASSERT_EQ(c.source.statements.size(), 1u);
  EXPECT_EQ(c.source.statements[0],
            "update \"CONFIGURA_COSTOS_PROD\"  set\r\n"
            " \"NOMBRE\" = ?\r\n"
            "where\r\n"
            " \"CODBOD\" = ? and\r\n"
            " \"NOMBRE\" = ? and\r\n"
            " \"CANT\" is null and\r\n"
            " \"VALOR\" = ?\r\n");
  const TParams& params = c.source.statementParams[0];
  ASSERT_EQ(params.Count(), 4);
  EXPECT_EQ(params[0].AsString(), "nuevo");
  EXPECT_EQ(params[1].AsString(), "02");
  EXPECT_EQ(params[2].AsString(), "ab");
  EXPECT_EQ(params[3].AsString(), "-3.1");
  EXPECT_EQ(c.source.commits, 1);
  EXPECT_EQ(c.client.ChangeCount(), 0);
  EXPECT_EQ(c.client.FieldByName("NOMBRE").AsString(), "nuevo");
}

TEST(ProviderApply, InsertsListGivenColumnsDeletesUseTheWhereClause) {
  Config c;
  c.client.Append();
  c.client.FieldByName("CODBOD").SetAsString("09");
  c.client.FieldByName("CANT").SetAsInteger(3);
  c.client.Post();
  c.client.First();
  c.client.Delete();
  c.SetName(2, "a");  // the same value again: no statement
  EXPECT_EQ(c.client.ApplyUpdates(-1), 0);
  ASSERT_EQ(c.source.statements.size(), 2u);
  EXPECT_EQ(c.source.statements[1],
            "delete from \"CONFIGURA_COSTOS_PROD\" \r\n"
            "where\r\n"
            " \"CODBOD\" = ? and\r\n"
            " \"NOMBRE\" = ? and\r\n"
            " \"CANT\" = ? and\r\n"
            " \"VALOR\" = ?\r\n");
  EXPECT_EQ(c.source.statements[0],
            "insert into \"CONFIGURA_COSTOS_PROD\"\r\n"
            "  (\"CODBOD\", \"CANT\")\r\n"
            "values\r\n"
            "  (?, ?)\r\n");
  EXPECT_EQ(c.source.statementParams[0][1].AsString(), "3");  // in change-log order
  EXPECT_EQ(c.client.ChangeCount(), 0);
}

TEST(ProviderApply, FailuresAreCountedAndTheTransactionEndsByTheLimit) {
  struct Case {
    const char* what;
    int maxErrors;
    std::vector<int> affected;  // per statement, in change-log order
    int errors;
    int commits, rollbacks;
    int changesLeft;
    size_t statementsRun;
  } cases[] = {
      {"changed by another user", 0, {0}, 1, 0, 1, 3, 1},
      {"duplicate rows", 0, {2}, 1, 0, 1, 3, 1},  // rolled back at once
      {"no limit keeps going", -1, {1, -1, 0}, 2, 1, 0, 2, 3},
      {"limit 1", 1, {-1, -1, 1}, 2, 0, 1, 3, 2},  // the second failure aborts
      {"all applied", 0, {1, 1, 1}, 0, 1, 0, 0, 3},
  };
  for (const Case& k : cases) {
    Config c;
    c.source.affected = k.affected;
    c.SetName(1, "x");
    c.SetName(2, "y");
    c.SetName(3, "z");
    EXPECT_EQ(c.client.ApplyUpdates(k.maxErrors), k.errors) << k.what;
    // One message for each failed row.
    EXPECT_EQ(c.client.ApplyErrors().size(), static_cast<size_t>(k.errors)) << k.what;
    EXPECT_EQ(c.source.commits, k.commits) << k.what;
    EXPECT_EQ(c.source.rollbacks, k.rollbacks) << k.what;
    EXPECT_EQ(c.client.ChangeCount(), k.changesLeft) << k.what;
    EXPECT_EQ(c.source.statements.size(), k.statementsRun) << k.what;
    EXPECT_FALSE(c.source.inTransaction) << k.what;
  }
}

TEST(ProviderApply, RefusalsReachTheClientAsExceptions) {
  {
    Config c;
    c.SetName(1, "x");
    c.provider.SetOptions(poAllowCommandText | poReadOnly);
    EXPECT_EQ(ErrorOf([&] { c.client.ApplyUpdates(0); }),
              "Cannot apply updates to a ReadOnly provider");
    EXPECT_FALSE(c.source.inTransaction);  // the transaction it started was ended
    EXPECT_EQ(c.source.commits + c.source.rollbacks, 1);
    EXPECT_EQ(c.client.ChangeCount(), 1);
  }
  {
    Config c;
    c.SetName(1, "x");
    c.source.tableName.clear();
    EXPECT_EQ(ErrorOf([&] { c.client.ApplyUpdates(0); }),
              "Unable to resolve records.  Table name not found.");
  }
  {
    // Nothing to apply: the provider is not asked.
    Config c;
    EXPECT_EQ(c.client.ApplyUpdates(0), 0);
    EXPECT_EQ(c.source.commits + c.source.rollbacks, 0);
  }
  {
    // A transaction already open is neither started nor ended by the provider.
    Config c;
    c.SetName(1, "x");
    c.source.inTransaction = true;
    EXPECT_EQ(c.client.ApplyUpdates(0), 0);
    EXPECT_TRUE(c.source.inTransaction);
    EXPECT_EQ(c.source.commits, 0);
  }
}
