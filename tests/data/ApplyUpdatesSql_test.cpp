// Applying the configuration editor's changes to a real embedded database: the statement sent,
// the transaction, and the table left exactly as it was whenever the apply fails.

#include <gtest/gtest.h>

#include <filesystem>

#include "db/CompanyDatabase.h"
#include "db/FbClient.h"
#include "tests/data/support/ConfigEditorTest.h"
#include "tests/data/support/ErrorOf.h"

namespace {

// Serves one fixed packet, so a client result set can read an error packet.
class PacketProvider : public TCustomProvider {
 public:
  PacketProvider(TProviderOwner* owner, TDataPacket packet)
      : TCustomProvider("PErrors", owner), packet_(std::move(packet)) {}
  TDataPacket GetRecords(int, int& recsOut, int, const std::string&, TParams&,
                         TVariant&) override {
    recsOut = -1;
    return packet_;
  }
  TDataPacket ApplyUpdates(const TDataPacket&, int, int& errorCount, TVariant&) override {
    errorCount = 0;
    return std::nullopt;
  }
  TParams GetParams(TVariant&) override { return {}; }
  void Execute(const std::string&, TParams&, TVariant&) override {}

 private:
  TDataPacket packet_;
};

// The configuration table without its primary key, for contents the real one refuses.
const char kPlainTable[] =
    "CREATE TABLE CONFIGURA_COSTOS_PROD (COCP_ID INTEGER NOT NULL, COCP_CODINS2 VARCHAR(15),"
    " COCP_PREFEP VARCHAR(4), COCP_VRAMOR NUMERIC(15,2));";

class ApplyUpdatesSql : public ConfigEditorTest {
 protected:
  // The company database (`schema` true) or an empty one, then each script on its own (a
  // table must be created before a separate script fills it); opens CConfrep on it.
  void Create(bool schema, const std::string& first = "", const std::string& second = "") {
    db::CreateCompanyDatabase(path_, {.schema = schema});
    if (!first.empty()) db::ExecuteScript(path_, first);
    if (!second.empty()) db::ExecuteScript(path_, second);
    Wire();
    client.Open();
  }

  std::vector<std::vector<std::optional<std::string>>> Rows(const char* columns) {
    return db::QueryText(path_, std::string("select ") + columns +
                                    " from CONFIGURA_COSTOS_PROD order by COCP_ID")
        .rows;
  }

  void SetValue(int recNo, const char* field, const std::string& text) {
    client.SetRecNo(recNo);
    client.Edit();
    client.FieldByName(field).SetText(text);
    client.Post();
  }

  // Sends the change log straight to the provider (the client keeps it) and returns the
  // messages of the error packet.
  std::vector<std::string> ApplyThroughProvider(int maxErrors, int& errorCount) {
    TVariant ownerData;
    const TDataPacket result = provider.ApplyUpdates(client.Delta(), maxErrors, errorCount,
                                                     ownerData);
    std::vector<std::string> messages;
    if (!result) return messages;
    TProviderOwner owner;
    PacketProvider source(&owner, result);
    TClientDataSet errors("CErrors", &owner);
    errors.SetProviderName("PErrors");
    errors.Open();
    for (errors.First(); !errors.Eof(); errors.Next()) {
      messages.push_back(errors.FieldByName("ERROR_MESSAGE").AsString());
    }
    return messages;
  }
};

TEST_F(ApplyUpdatesSql, OneChangedColumnIsTheOnlySetColumnAndNullOldValuesUseIsNull) {
  Create(true, "update CONFIGURA_COSTOS_PROD set COCP_CODINS21 = null;");
  SetValue(1, "COCP_VRAMOR", "17250.5");
  EXPECT_EQ(client.ApplyUpdates(0), 0);
  ASSERT_EQ(provider.ExecutedStatements().size(), 1u);
  EXPECT_EQ(provider.ExecutedStatements()[0],
            "update \"CONFIGURA_COSTOS_PROD\"  set\r\n \"COCP_VRAMOR\" = ?\r\nwhere\r\n" +
                ConfigurationWhere("COCP_CODINS21") + "\r\n");
  EXPECT_EQ(client.ChangeCount(), 0);
  EXPECT_FALSE(connection.InTransaction());
  EXPECT_EQ(Rows("COCP_VRAMOR, COCP_CODINS21, COCP_PREFEP")[0],
            (std::vector<std::optional<std::string>>{"17250.50", std::nullopt, "EH"}));
}

TEST_F(ApplyUpdatesSql, TextsWithTrailingBlanksKeepTheirBytesUnlessTheyChange) {
  struct Case {
    const char* field;
    const char* typed;
    size_t statements;
    const char* prefsa;  // the column afterwards
  } cases[] = {
      {"COCP_PREFSA", "SA ", 0, "SA "},  // retyped as it was: nothing to send
      {"COCP_PREFSA", "SA", 0, "SA "},   // equal up to trailing blanks
      {"COCP_PREFEP", "EH", 0, "SA "},   // another column retyped
      {"COCP_VRAMOR", "17250.5", 1, "SA "},  // another column changed: only it is set
      {"COCP_PREFSA", "SB", 1, "SB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " <- '" + c.typed + "'");
    client.Close();
    connection.Close();
    std::filesystem::remove(path_);
    Create(true, "update CONFIGURA_COSTOS_PROD set COCP_PREFSA = 'SA ', COCP_PREFEP = 'EH';");
    SetValue(1, c.field, c.typed);
    EXPECT_EQ(client.ApplyUpdates(0), 0);
    EXPECT_EQ(provider.ExecutedStatements().size(), c.statements);
    EXPECT_EQ(client.ChangeCount(), 0);
    EXPECT_EQ(Rows("COCP_PREFSA")[0][0], c.prefsa);
  }
}

TEST_F(ApplyUpdatesSql, ARowHeldByAnotherTransactionFailsAfterTheLockTimeout) {
  db::CreateCompanyDatabase(path_, {.schema = true});
  Wire();
  connection.Params().SetValue("Lock Timeout", "1");
  client.Open();
  // Another program changes the row and keeps its transaction open.
  db::Attachment other = db::Attachment::Open(path_, "SYSDBA", "masterkey");
  other.StartTransaction();
  other.Execute("update CONFIGURA_COSTOS_PROD set COCP_PREFEP = 'XX'");
  SetValue(1, "COCP_VRAMOR", "17250.5");
  // The wait ends at the bound (the other transaction never ends by itself).
  EXPECT_EQ(client.ApplyUpdates(0), 1);
  ASSERT_EQ(client.ApplyErrors().size(), 1u);
  EXPECT_NE(client.ApplyErrors()[0].find("update conflicts with concurrent update"),
            std::string::npos)
      << client.ApplyErrors()[0];
  EXPECT_EQ(client.ChangeCount(), 1);  // the change stays for another try
  EXPECT_FALSE(connection.InTransaction());
  other.Rollback();
  EXPECT_EQ(client.ApplyUpdates(0), 0);
  EXPECT_EQ(Rows("COCP_VRAMOR")[0][0], "17250.50");
}

TEST_F(ApplyUpdatesSql, AnUpdateHittingDuplicateRowsIsRolledBackWithItsMessage) {
  Create(false, kPlainTable,
         "INSERT INTO CONFIGURA_COSTOS_PROD VALUES (1, 'VAC', 'EH', 100);"
         "INSERT INTO CONFIGURA_COSTOS_PROD VALUES (1, 'VAC', 'EH', 100);");
  SetValue(1, "COCP_VRAMOR", "250");
  int errorCount = -1;
  EXPECT_EQ(ApplyThroughProvider(0, errorCount),
            std::vector<std::string>{"Update affected more than 1 record."});
  EXPECT_EQ(errorCount, 1);
  EXPECT_FALSE(connection.InTransaction());
  // The client sees one error, raises nothing and keeps its change.
  EXPECT_EQ(client.ApplyUpdates(0), 1);
  EXPECT_EQ(client.ChangeCount(), 1);
  EXPECT_EQ(Rows("COCP_VRAMOR"),
            (std::vector<std::vector<std::optional<std::string>>>{{"100.00"}, {"100.00"}}));
}

TEST_F(ApplyUpdatesSql, TheErrorLimitDecidesBetweenCommittingTheGoodRowsAndNoneAtAll) {
  struct Case {
    int maxErrors;
    std::vector<std::string> stored;  // COCP_VRAMOR of rows 1..3 afterwards
    int changesLeft;
  } cases[] = {
      {0, {"100.00", "7.00", "300.00"}, 3},  // row 1 was written, then rolled back
      {-1, {"101.00", "7.00", "301.00"}, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.maxErrors);
    if (&k != &cases[0]) {  // a fresh database for each case
      TearDown();
      SetUp();
    }
    Create(false, kPlainTable,
           "INSERT INTO CONFIGURA_COSTOS_PROD VALUES (1, 'A', 'EH', 100);"
           "INSERT INTO CONFIGURA_COSTOS_PROD VALUES (2, 'B', 'EH', 200);"
           "INSERT INTO CONFIGURA_COSTOS_PROD VALUES (3, 'C', 'EH', 300);");
    SetValue(1, "COCP_VRAMOR", "101");
    SetValue(2, "COCP_VRAMOR", "201");
    SetValue(3, "COCP_VRAMOR", "301");
    // Another connection changes row 2 between open and save.
    db::ExecuteScript(path_, "update CONFIGURA_COSTOS_PROD set COCP_VRAMOR = 7 where COCP_ID = 2;");
    EXPECT_EQ(client.ApplyUpdates(k.maxErrors), 1);
    EXPECT_EQ(client.ChangeCount(), k.changesLeft);
    EXPECT_FALSE(connection.InTransaction());
    std::vector<std::string> stored;
    for (const auto& row : Rows("COCP_VRAMOR")) stored.push_back(row[0].value_or("<null>"));
    EXPECT_EQ(stored, k.stored);
  }
}

TEST_F(ApplyUpdatesSql, AReadOnlyProviderRefusesAndStillEndsItsTransaction) {
  Create(true);
  SetValue(1, "COCP_PREFEP", "HV");
  provider.SetOptions(poAllowCommandText | poReadOnly);
  EXPECT_EQ(ErrorOf([&] { client.ApplyUpdates(0); }),
            "Cannot apply updates to a ReadOnly provider");
  EXPECT_FALSE(connection.InTransaction());
  EXPECT_EQ(client.ChangeCount(), 1);
  EXPECT_EQ(Rows("COCP_PREFEP")[0][0], "EH");
  // The connection is usable again: the same change now goes through.
  provider.SetOptions(poAllowCommandText);
  EXPECT_EQ(client.ApplyUpdates(0), 0);
  EXPECT_EQ(Rows("COCP_PREFEP")[0][0], "HV");
}

TEST_F(ApplyUpdatesSql, ANewRowNeedsItsIdAndThenListsOnlyTheGivenColumns) {
  Create(true, "delete from CONFIGURA_COSTOS_PROD;");
  client.Append();
  client.FieldByName("COCP_CODINS2").SetAsString("VAC");
  EXPECT_EQ(ErrorOf([&] { client.Post(); }), "Field 'COCP_ID' must have a value");
  EXPECT_EQ(client.State(), dsInsert);
  // Saving posts first and stops there: nothing is sent.
  EXPECT_EQ(ErrorOf([&] { client.ApplyUpdates(0); }), "Field 'COCP_ID' must have a value");
  EXPECT_TRUE(provider.ExecutedStatements().empty());
  client.Cancel();
  EXPECT_TRUE(Rows("COCP_ID").empty());

  client.Append();
  client.FieldByName("COCP_ID").SetAsInteger(1);
  client.FieldByName("COCP_CODINS2").SetAsString("VAC");
  client.Post();
  EXPECT_EQ(client.ApplyUpdates(0), 0);
  ASSERT_EQ(provider.ExecutedStatements().size(), 1u);
  EXPECT_EQ(provider.ExecutedStatements()[0],
            "insert into \"CONFIGURA_COSTOS_PROD\"\r\n"
            "  (\"COCP_ID\", \"COCP_CODINS2\")\r\n"
            "values\r\n"
            "  (?, ?)\r\n");
  EXPECT_EQ(Rows("COCP_ID, COCP_CODINS2, COCP_VRAMOR"),
            (std::vector<std::vector<std::optional<std::string>>>{
                {"1", "VAC", std::nullopt}}));
}

}  // namespace
