// The connection and statements over the Firebird driver library against a real embedded
// database in a temporary folder.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "data/SqlExpr.h"
#include "tests/data/support/ErrorOf.h"
#include "tests/data/support/SqlTestDatabase.h"

namespace {

const char kScript[] =
    "create table ITEMS (ID integer not null primary key, NAME varchar(20), CODE char(4),\n"
    "  N92 numeric(9,2), N152 numeric(15,2), N186 numeric(18,6), D date, T time,\n"
    "  TS timestamp, F double precision, S smallint, B blob sub_type 1, BIG bigint,\n"
    "  FLAG boolean);\n"
    "insert into ITEMS values (1, 'Gallinas \xF1" "and\xFA', 'AB', 1234567.89, 12500.00,\n"
    "  123456789012.123456, '2022-01-31', '13:45:30', '2022-01-31 13:45:30.1234', 2.5, -7,\n"
    "  'texto largo', 9000000000000000001, true);\n"
    "insert into ITEMS (ID, NAME) values (2, 'Pollos');\n"
    "set term ^ ;\n"
    "create procedure COSTS (A date, B date) returns (BODEGA varchar(10), TOTAL numeric(15,2))\n"
    "as begin BODEGA = 'B1'; TOTAL = 10.5; suspend; BODEGA = 'B2'; TOTAL = -3.1; suspend; end^\n"
    "set term ; ^\n";

class SqlExprDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { database = new SqlTestDatabase(kScript); }
  static void TearDownTestSuite() {
    delete database;
    database = nullptr;
  }
  void SetUp() override {
    SetupDataModuleConnection(connection, database->Path());
    query.SetSQLConnection(&connection);
  }

  // The first value of `sql` read through a connection of its own.
  static std::string Scalar(const std::string& sql) {
    TSQLConnection other;
    SetupDataModuleConnection(other, database->Path());
    TSQLQuery reader;
    reader.SetSQLConnection(&other);
    reader.SetSQL(sql);
    reader.Open();
    return reader.Fields()[0].AsString();
  }

  static SqlTestDatabase* database;
  TSQLConnection connection;
  TSQLQuery query{"QRepcliente"};
};

SqlTestDatabase* SqlExprDatabase::database = nullptr;

TEST_F(SqlExprDatabase, ConnectsAndDisconnectsWithTheDataModuleParameters) {
  ASSERT_EQ(connection.Params().Count(), 13);
  EXPECT_EQ(connection.Params()[6], "password=masterkey");
  connection.SetConnected(true);
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(connection.ConnectionState(), csStateOpen);
  EXPECT_EQ(connection.QuoteChar(), "\"");
  EXPECT_TRUE(connection.TransactionsSupported());
  connection.SetConnected(false);
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(connection.ConnectionState(), csStateClosed);
}

TEST_F(SqlExprDatabase, FailedConnectsAreReadableAndLeaveTheConnectionClosed) {
  connection.Params().SetValue("Database", database->Folder() + "/missing/galvora.fdb");
  std::string message = ErrorOf([&] { connection.Open(); });
  EXPECT_EQ(message.rfind("SQL Server Error: I/O error", 0), 0u) << message;
  EXPECT_NE(message.find("missing/galvora.fdb"), std::string::npos) << message;
  EXPECT_EQ(connection.ConnectionState(), csStateClosed);
  EXPECT_FALSE(connection.Connected());

  // Wrong credentials go to a server; embedded attachments do not check them.
  connection.Params().SetValue("Database", "localhost:" + database->Folder() + "/any.fdb");
  connection.Params().SetValue("password", "not-the-password");
  message = ErrorOf([&] { connection.Open(); });
  if (EnsureFirebirdServer()) {
    message = ErrorOf([&] { connection.Open(); });
    EXPECT_EQ(message,
              "Driver Error: [0x000C] Invalid Username/Password\r\nSQL Server Error: Your user "
              "name and password are not defined. Ask your database administrator to set up a "
              "Firebird login.");
  } else {
    EXPECT_NE(message.find("SQL Server Error: "), std::string::npos) << message;
  }
  EXPECT_EQ(connection.ConnectionState(), csStateClosed);
  EXPECT_FALSE(connection.Connected());

  connection.Params().SetValue("Database", database->Path());
  connection.Open();
  EXPECT_TRUE(connection.Connected());
}

TEST_F(SqlExprDatabase, ColumnsBecomeFieldDefinitionsAndValues) {
  query.SetSQL("select ID, NAME, CODE, N92, N152, N186, D, T, TS, F, S, B, BIG, FLAG, NAME "
               "from ITEMS order by ID");
  query.Open();
  struct Expected {
    const char* name;
    TFieldType type;
    int size;
    int precision;
  };
  const Expected expected[] = {
      {"ID", ftInteger, 0, 0},     {"NAME", ftString, 20, 0},   {"CODE", ftString, 4, 0},
      {"N92", ftBCD, 2, 9},        {"N152", ftFMTBcd, 2, 15},   {"N186", ftFMTBcd, 6, 18},
      {"D", ftDate, 0, 0},         {"T", ftTime, 0, 0},         {"TS", ftTimeStamp, 0, 0},
      {"F", ftFloat, 0, 0},        {"S", ftSmallint, 0, 0},     {"B", ftMemo, 1, 0},
      {"BIG", ftFMTBcd, 0, 19},    {"FLAG", ftBoolean, 0, 0},   {"NAME_1", ftString, 20, 0},
  };
  ASSERT_EQ(query.FieldDefs().Count(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < query.FieldDefs().Count(); ++i) {
    const TFieldDef& def = query.FieldDefs()[i];
    EXPECT_EQ(def.Name, expected[i].name);
    EXPECT_EQ(def.DataType, expected[i].type) << def.Name;
    EXPECT_EQ(def.Size, expected[i].size) << def.Name;
    EXPECT_EQ(def.Precision, expected[i].precision) << def.Name;
    EXPECT_EQ(def.FieldNo, i + 1);
  }
  EXPECT_TRUE(query.FieldDefs()[0].Required);
  EXPECT_TRUE(query.FieldDefs()[2].FixedChar);

  EXPECT_EQ(query.FieldByName("ID").AsInteger(), 1);
  EXPECT_EQ(query.FieldByName("NAME").AsString(), "Gallinas \xF1" "and\xFA");
  EXPECT_EQ(query.FieldByName("CODE").AsString(), "AB  ");
  EXPECT_EQ(query.FieldByName("N92").AsString(), "1234567.89");
  EXPECT_EQ(query.FieldByName("N152").AsString(), "12500");
  EXPECT_EQ(query.FieldByName("N186").AsString(), "123456789012.123456");
  EXPECT_EQ(query.FieldByName("BIG").AsString(), "9000000000000000001");
  TDateTime date = 0;
  ASSERT_TRUE(query.FieldByName("D").GetData(&date));
  EXPECT_EQ(date, 44592.0);  // 31 January 2022
  TDateTime time = 0;
  ASSERT_TRUE(query.FieldByName("T").GetData(&time));
  EXPECT_NEAR(time * 86400.0, 13 * 3600 + 45 * 60 + 30, 1e-6);
  TSQLTimeStamp stamp;
  ASSERT_TRUE(query.FieldByName("TS").GetData(&stamp));
  EXPECT_EQ(std::vector<int>({stamp.Year, stamp.Month, stamp.Day, stamp.Hour, stamp.Minute,
                              stamp.Second, static_cast<int>(stamp.Fractions)}),
            std::vector<int>({2022, 1, 31, 13, 45, 30, 1234}));
  double number = 0;
  ASSERT_TRUE(query.FieldByName("F").GetData(&number));
  EXPECT_EQ(number, 2.5);
  EXPECT_EQ(query.FieldByName("S").AsInteger(), -7);
  int16_t flag = 0;
  ASSERT_TRUE(query.FieldByName("FLAG").GetData(&flag));
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(query.GetBlobFieldData(query.FieldByName("B")), "texto largo");

  query.Next();
  EXPECT_EQ(query.FieldByName("NAME").AsString(), "Pollos");
  for (const char* name : {"CODE", "N92", "N152", "D", "TS", "F", "B", "BIG", "FLAG"}) {
    EXPECT_TRUE(query.FieldByName(name).IsNull()) << name;
  }
  query.Next();
  EXPECT_TRUE(query.Eof());
  EXPECT_TRUE(query.FieldByName("ID").IsNull());
  query.First();
  EXPECT_EQ(query.FieldByName("ID").AsInteger(), 1);
}

TEST_F(SqlExprDatabase, ProcedureOutputsKeepTheirDeclaredPrecision) {
  query.SetSQL(" select * from COSTS ('2022/01/01', '2022/01/31')");
  query.Open();
  const TFieldDef& total = query.FieldDefs()[1];
  EXPECT_EQ(total.DataType, ftFMTBcd);
  EXPECT_EQ(total.Precision, 15);
  EXPECT_EQ(total.Size, 2);
  EXPECT_EQ(query.FieldByName("BODEGA").AsString(), "B1");
  EXPECT_EQ(query.FieldByName("TOTAL").AsString(), "10.5");
  query.Next();
  EXPECT_EQ(query.FieldByName("TOTAL").AsString(), "-3.1");
  query.Close();
  EXPECT_TRUE(query.Prepared());  // kept for the next open of the same text
  query.Open();
  EXPECT_EQ(query.FieldByName("BODEGA").AsString(), "B1");
}

TEST_F(SqlExprDatabase, AResultWithoutRowsIsAtEofWithNullFields) {
  query.SetSQL("select ID, NAME from ITEMS where ID < 0");
  query.Open();
  EXPECT_TRUE(query.Eof());
  EXPECT_TRUE(query.IsEmpty());
  EXPECT_TRUE(query.FieldByName("NAME").IsNull());
}

TEST_F(SqlExprDatabase, StatementsThatReturnNoRowsOrFailToPrepare) {
  query.SetSQL("update ITEMS set NAME = NAME where ID = 0");
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "QRepcliente: Cursor not returned from Query");
  EXPECT_FALSE(query.Active());

  query.SetSQL("select * from NO_SUCH_TABLE");
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string message = ErrorOf([&] { query.Open(); });
    EXPECT_EQ(message.rfind("SQL Server Error: Dynamic SQL Error", 0), 0u) << message;
    EXPECT_NE(message.find("NO_SUCH_TABLE"), std::string::npos) << message;
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(query.Prepared());
  }
  // The connection stays usable.
  query.SetSQL("select count(*) from ITEMS");
  query.Open();
  EXPECT_EQ(query.Fields()[0].AsInteger(), 2);
}

TEST_F(SqlExprDatabase, DirectExecutionBindsParametersByPosition) {
  connection.Open();
  TParams params;
  TBcd amount = IntegerToBcd(0);
  ASSERT_TRUE(TryTextToBcd("-1234.50", '.', amount));
  params.Add(TParam{"NAME", ftString, ptInput, std::string("Gallos \xE9")});
  params.Add(TParam{"N152", ftFMTBcd, ptInput, amount});
  params.Add(TParam{"D", ftDate, ptInput, TVarDate{44593}});
  params.Add(TParam{"ID", ftInteger, ptInput, int64_t{2}});
  EXPECT_EQ(connection.Execute(
                "update ITEMS set NAME = :NAME, N152 = :N152, D = :D where ID = :ID", &params),
            1);
  EXPECT_EQ(Scalar("select NAME || '|' || N152 || '|' || D from ITEMS where ID = 2"),
            "Gallos \xE9|-1234.50|2022-02-01");
  EXPECT_EQ(connection.ConnectionState(), csStateOpen);

  std::unique_ptr<TCustomSQLDataSet> result;
  TParams key;
  key.Add(TParam{"ID", ftInteger, ptInput, int64_t{2}});
  connection.Execute("select NAME from ITEMS where ID = :ID", &key, &result);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->Params()[0].Name, "P1");
  EXPECT_EQ(result->Fields()[0].AsString(), "Gallos \xE9");
}

TEST_F(SqlExprDatabase, TransactionsCommitAndRollBackForReal) {
  connection.Open();
  query.PSStartTransaction();
  query.PSExecuteStatement("insert into ITEMS (ID, NAME) values (10, 'rolled back')", nullptr);
  query.PSEndTransaction(false);
  EXPECT_EQ(Scalar("select count(*) from ITEMS where ID = 10"), "0");

  query.PSStartTransaction();
  EXPECT_TRUE(query.PSInTransaction());
  query.PSExecuteStatement("insert into ITEMS (ID, NAME) values (11, 'committed')", nullptr);
  query.PSEndTransaction(true);
  EXPECT_FALSE(query.PSInTransaction());
  EXPECT_EQ(Scalar("select NAME from ITEMS where ID = 11"), "committed");

  EXPECT_EQ(ErrorOf([&] { query.PSEndTransaction(true); }),
            "Galvora: There is no active transaction");
  // Without a transaction every statement commits on its own.
  EXPECT_EQ(connection.ExecuteDirect("delete from ITEMS where ID = 11"), 1);
  EXPECT_EQ(Scalar("select count(*) from ITEMS where ID = 11"), "0");
}

TEST_F(SqlExprDatabase, OpeningAStatementOpensItsClosedConnection) {
  query.SetSQL("select NAME from ITEMS where ID = 1");
  EXPECT_FALSE(connection.Connected());
  query.Open();
  EXPECT_TRUE(connection.Connected());
  connection.Close();
  EXPECT_FALSE(query.Active());
  EXPECT_FALSE(query.Prepared());
}

}  // namespace
