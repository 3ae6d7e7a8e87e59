// The client result set over a real company database: CRepcliente fed by PRepcliente over
// QRepcliente running COSTOS_AVICOLA through the Firebird driver, as the report window does.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "data/DBClient.h"
#include "data/SqlExpr.h"
#include "db/CompanyDatabase.h"
#include "tests/data/support/ConfigEditorTest.h"
#include "tests/data/support/ErrorOf.h"
#include "tests/data/support/PersistentField.h"
#include "tests/data/support/SqlTestDatabase.h"

namespace {

const char kReport[] = " select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')";

class DBClientSql : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/dbclient-sql-XXXXXX";
    folder = mkdtemp(pattern);
    path = folder + "/galvora.fdb";
    db::CreateCompanyDatabase(path, {.sample = db::SampleData{.warehouses = 5}});
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(folder); }

  void SetUp() override {
    SetupDataModuleConnection(connection, path);
    query.SetSQLConnection(&connection);
    provider.SetDataSet(&query);
    provider.SetOptions(poAllowCommandText);
    provider.BeforeGetRecords = [this](TDataSetProvider&, TVariant&) { ++getRecordsCalls; };
    client.SetProviderName("PRepcliente");
  }

  static std::string folder;
  static std::string path;
  TSQLConnection connection;
  TSQLQuery query{"QRepcliente"};
  TProviderOwner owner;
  TDataSetProvider provider{"PRepcliente", &owner};
  TClientDataSet client{"CRepcliente", &owner};
  int getRecordsCalls = 0;
};

std::string DBClientSql::folder;
std::string DBClientSql::path;

TEST_F(DBClientSql, TheReportOpensWithEveryRowAndTheStatementClosedAgain) {
  const db::QueryResult expected = db::QueryText(path, kReport);
  ASSERT_EQ(expected.rows.size(), 5u);
  client.SetCommandText(kReport);
  client.Open();
  EXPECT_FALSE(query.Active());
  EXPECT_EQ(client.RecordCount(), 5);
  ASSERT_EQ(client.Fields().Count(), 22);
  TField& total = client.FieldByName("TOTCOSTO");
  EXPECT_EQ(total.DataType(), ftFMTBcd);
  EXPECT_EQ(total.Size(), 2);
  EXPECT_EQ(dynamic_cast<TFMTBCDField&>(total).Precision(), 15);
  EXPECT_EQ(client.FieldByName("NOMBOD").Size(), 60);
  // Every value as the database gives it (plain notation drops trailing zeros).
  for (size_t row = 0; row < expected.rows.size(); ++row) {
    for (size_t column = 0; column < expected.columns.size(); ++column) {
      TField& field = client.FieldByName(expected.columns[column]);
      const auto& want = expected.rows[row][column];
      if (!want) {
        EXPECT_TRUE(field.IsNull()) << expected.columns[column];
        continue;
      }
      if (field.DataType() == ftFMTBcd) {
        TBcd value;
        ASSERT_TRUE(TryTextToBcd(*want, '.', value));
        EXPECT_EQ(BcdCompare(field.AsBCD(), value), 0) << expected.columns[column] << " " << *want;
      } else {
        EXPECT_EQ(field.AsString(), *want) << expected.columns[column];
      }
    }
    client.Next();
  }
  EXPECT_TRUE(client.Eof());
  // Closing sends one reset request; reopening runs the statement again.
  EXPECT_EQ(getRecordsCalls, 1);
  client.Close();
  EXPECT_EQ(getRecordsCalls, 2);
  EXPECT_FALSE(query.Active());
  client.Open();
  EXPECT_EQ(client.RecordCount(), 5);
}

// With rows per request set, the rows come in packets as the cursor moves past the last one
// received; going to the last row takes every remaining packet.
TEST_F(DBClientSql, RowsInPacketsArriveAsTheCursorReachesThem) {
  const db::QueryResult expected = db::QueryText(path, kReport);
  ASSERT_EQ(expected.rows.size(), 5u);
  auto codes = [&] {
    std::vector<std::string> list;
    for (client.First(); !client.Eof(); client.Next()) {
      list.push_back(client.FieldByName("CODBOD").AsString());
    }
    return list;
  };
  std::vector<std::string> all;
  for (const auto& row : expected.rows) all.push_back(*row[0]);
  client.SetCommandText(kReport);
  // 2 + 2 + 1 rows: the short packet ends the provider's rows and closes the statement.
  client.SetPacketRecords(2);
  client.Open();
  EXPECT_EQ(client.RecordCount(), 2);
  EXPECT_TRUE(query.Active());
  EXPECT_EQ(codes(), all);
  EXPECT_EQ(getRecordsCalls, 3);
  EXPECT_EQ(client.RecordCount(), 5);
  EXPECT_FALSE(query.Active());
  client.Close();
  // A packet size that divides the rows: one more request finds none.
  client.SetPacketRecords(5);
  getRecordsCalls = 0;
  client.Open();
  EXPECT_EQ(codes(), all);
  EXPECT_EQ(getRecordsCalls, 2);
  client.Close();
  client.SetPacketRecords(2);
  client.Open();
  client.Last();
  EXPECT_EQ(client.RecordCount(), 5);
  EXPECT_EQ(client.FieldByName("CODBOD").AsString(), all.back());
}

TEST_F(DBClientSql, AUnidirectionalSetKeepsOnlyThePacketItReads) {
  const db::QueryResult expected = db::QueryText(path, kReport);
  ASSERT_EQ(expected.rows.size(), 5u);
  std::vector<std::string> all;
  for (const auto& row : expected.rows) all.push_back(*row[0]);
  client.SetCommandText(kReport);
  client.SetUniDirectional(true);
  for (const int packet : {2, 5, 7}) {
    SCOPED_TRACE(packet);
    client.SetPacketRecords(packet);
    client.Open();
    std::vector<std::string> codes;
    std::vector<int> recNos;
    for (client.First(); !client.Eof(); client.Next()) {
      codes.push_back(client.FieldByName("CODBOD").AsString());
      recNos.push_back(client.RecNo());
      DSProps props = {};
      ASSERT_EQ(client.DSBase()->DsProps(&props), DBERR_NONE);
      EXPECT_LE(props.iRecordCount, static_cast<uint32_t>(packet));  // one packet held
      EXPECT_TRUE(client.GetBookmark().empty());
    }
    EXPECT_EQ(codes, all);
    EXPECT_EQ(recNos, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(client.RecordCount(), 5);
    client.Close();
  }
  // Going back, editing and searching need the rows let go: each is refused.
  client.SetPacketRecords(2);
  client.Open();
  client.Next();
  client.Next();  // the second packet
  const std::string refused = "CRepcliente: Operation not allowed on a unidirectional dataset";
  EXPECT_EQ(ErrorOf([&] { client.First(); }), refused);
  EXPECT_EQ(ErrorOf([&] { client.Prior(); }), refused);
  EXPECT_EQ(ErrorOf([&] { client.Last(); }), refused);
  EXPECT_EQ(ErrorOf([&] { client.Locate("CODBOD", {TVariant(all[0])}, {}); }), refused);
  EXPECT_FALSE(client.CanModify());
  EXPECT_EQ(client.FieldByName("CODBOD").AsString(), all[2]);
  EXPECT_THROW(client.SetUniDirectional(false), EDatabaseError);  // only while closed
  client.Close();
}

TEST_F(DBClientSql, AResultWithoutRowsIsOpenAndEmpty) {
  client.SetCommandText(std::string(kReport) + " where CODBOD = 'zz'");
  client.Open();
  EXPECT_TRUE(client.Active());
  EXPECT_TRUE(client.IsEmpty());
  EXPECT_TRUE(client.Eof());
  EXPECT_TRUE(client.Bof());
  EXPECT_EQ(client.RecordCount(), 0);
}

TEST_F(DBClientSql, PersistentFieldsAreBoundToTheResult) {
  struct Case {
    const char* sql;
    std::function<std::unique_ptr<TField>()> make;
    std::string message;
  } cases[] = {
      {"select NOMBOD from COSTOS_AVICOLA ('2022/01/01','2022/01/31')",
       [] { return NamedField<TStringField>("CODBOD", "Bodega", 2); },
       "CRepcliente: Field 'Bodega' not found"},
      {"select cast(EXINIAVE as numeric(9,2)) as EXINIAVE from COSTOS_AVICOLA "
       "('2022/01/01','2022/01/31')",
       [] { return NamedField<TFMTBCDField>("EXINIAVE", "", 15, 2); },
       "CRepcliente: Type mismatch for field 'EXINIAVE', expecting: FMTBcd actual: BCD"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TField> field = c.make();
    field->SetDataSet(&client);
    client.SetCommandText(c.sql);
    EXPECT_EQ(ErrorOf([&] { client.Open(); }), c.message) << c.sql;
    EXPECT_FALSE(client.Active());
    EXPECT_FALSE(query.Active());
    field->SetDataSet(nullptr);
  }
  TStringField name(60);
  name.SetFieldName("NOMBOD");
  name.SetDataSet(&client);
  client.SetCommandText(
      "select cast(NOMBOD as varchar(40)) as NOMBOD from COSTOS_AVICOLA "
      "('2022/01/01','2022/01/31')");
  client.Open();
  EXPECT_EQ(name.Size(), 40);
  EXPECT_FALSE(name.AsString().empty());
  client.Close();
  name.SetDataSet(nullptr);
}

TEST_F(DBClientSql, DriverErrorsReachTheClientUnchanged) {
  TSQLQuery direct("QDirect");
  direct.SetSQLConnection(&connection);
  direct.SetSQL("select * from NO_SUCH_TABLE");
  const std::string driverMessage = ErrorOf([&] { direct.Open(); });
  ASSERT_NE(driverMessage, kNoError);
  client.SetCommandText("select * from NO_SUCH_TABLE");
  try {
    client.Open();
    FAIL();
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message(), driverMessage);
  }
  EXPECT_FALSE(client.Active());
  EXPECT_FALSE(query.Active());
}

TEST_F(DBClientSql, LocateEditAndCancelUpdatesOnReportRows) {
  client.SetCommandText(kReport);
  client.Open();
  client.Last();
  const std::string lastName = client.FieldByName("NOMBOD").AsString();
  const std::string lastCode = client.FieldByName("CODBOD").AsString();
  client.First();
  ASSERT_TRUE(client.Locate("NOMBOD", {lastName.substr(0, 3)}, loPartialKey | loCaseInsensitive));
  EXPECT_TRUE(client.Locate("CODBOD", {lastCode}, 0));
  EXPECT_EQ(client.RecNo(), 5);
  const TBookmark mark = client.GetBookmark();
  client.First();
  EXPECT_EQ(client.CompareBookmarks(client.GetBookmark(), mark), -1);
  client.GotoBookmark(mark);
  TField& total = client.FieldByName("TOTCOSTO");
  const std::string before = total.AsString();
  client.Edit();
  total.SetText("1.5");
  client.Post();
  EXPECT_EQ(total.AsString(), "1.5");
  EXPECT_EQ(client.ChangeCount(), 1);
  client.CancelUpdates();
  EXPECT_EQ(client.ChangeCount(), 0);
  client.GotoBookmark(mark);
  EXPECT_EQ(total.AsString(), before);
}

}  // namespace

namespace {

class DBClientSqlApply : public ConfigEditorTest {
 protected:
  void SetUp() override {
    ConfigEditorTest::SetUp();
    db::CreateCompanyDatabase(path_);
    Wire();
  }
  std::string Stored(const char* column) {
    return *db::QueryText(path_, std::string("select ") + column + " from CONFIGURA_COSTOS_PROD")
                .rows.at(0)
                .at(0);
  }
};

TEST_F(DBClientSqlApply, AnEditedValueIsWrittenAndTheChangeLogMerged) {
  client.Open();
  client.Edit();
  client.FieldByName("COCP_VRAMOR").SetText("17250.5");
  client.FieldByName("COCP_PREFEP").SetAsString("EQ");
  client.Post();
  EXPECT_EQ(client.ApplyUpdates(0), 0);
  EXPECT_EQ(client.ChangeCount(), 0);
  ASSERT_EQ(provider.ExecutedStatements().size(), 1u);
  EXPECT_EQ(
      provider.ExecutedStatements()[0],
      "update \"CONFIGURA_COSTOS_PROD\"  set\r\n \"COCP_PREFEP\" = ?,\r\n \"COCP_VRAMOR\" = ?\r\n"
      "where\r\n" +
          ConfigurationWhere() + "\r\n");
  client.Close();
  connection.SetConnected(false);
  EXPECT_EQ(Stored("COCP_VRAMOR"), "17250.50");
  EXPECT_EQ(Stored("COCP_PREFEP"), "EQ");
}

TEST_F(DBClientSqlApply, ARowChangedMeanwhileIsAnErrorAndNothingIsWritten) {
  client.Open();
  client.Edit();
  client.FieldByName("COCP_VRAMOR").SetText("1");
  client.Post();
  db::ExecuteScript(path_, "update CONFIGURA_COSTOS_PROD set COCP_PORCA1 = 5;");
  EXPECT_EQ(client.ApplyUpdates(0), 1);
  EXPECT_EQ(client.ApplyErrors(),
            std::vector<std::string>{"Record not found or changed by another user"});
  EXPECT_EQ(client.ChangeCount(), 1);
  client.Close();
  connection.SetConnected(false);
  EXPECT_EQ(Stored("COCP_VRAMOR"), "16500.00");
}

}  // namespace
