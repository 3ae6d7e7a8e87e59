// The connection and statements against the scripted test driver: the paths a real server
// cannot be made to take, and what exactly is passed to the driver.

#include <gtest/gtest.h>

#include <algorithm>

#include "data/SqlExpr.h"
#include "driver/ScriptedDriver.h"
#include "tests/data/support/ErrorOf.h"
#include "tests/data/support/SqlTestDatabase.h"

namespace {

bool Logged(const DriverScript& script, const std::string& entry) {
  return std::find(script.log.begin(), script.log.end(), entry) != script.log.end();
}

class SqlExprScripted : public ::testing::Test {
 protected:
  void SetUp() override { SetupScriptedConnection(connection, ScriptVendorLib(&script)); }

  DriverScript script;
  TSQLConnection connection;
};

TEST_F(SqlExprScripted, DriverErrorMessagesAreComposedFromStatusAndServerText) {
  struct Case {
    SQLResult status;
    const char* serverText;
    const char* expected;
  };
  const Case cases[] = {
      {12, "", "Driver Error: [0x000C] Invalid Username/Password"},
      {12, "login refused",
       "Driver Error: [0x000C] Invalid Username/Password\r\nSQL Server Error: login refused"},
      {65, "", "Driver Error: [0x0065]: SQL Error"},
      {64, "", "Driver Error: [0x0064]: No more data"},
      {11, "", "Driver Error: Driver Error [0x000B]: Parameter Not Set"},
      {21, "no route", "Driver Error: [0x0015]: Connection failed\r\nSQL Server Error: no route"},
      {SQL_SERVERERROR, "I/O error", "SQL Server Error: I/O error"},
      {30, "", "Driver Error: Unknown Error Code '30'"},
      {18, "", "Driver Error: Unknown Error Code '18'"},
  };
  for (const Case& c : cases) {
    TSQLConnection fresh;
    SetupScriptedConnection(fresh, ScriptVendorLib(&script));
    script.statuses["Attach"] = c.status;
    script.sessionError = c.serverText;
    EXPECT_EQ(ErrorOf([&] { fresh.Open(); }), c.expected) << "status " << c.status;
    EXPECT_EQ(fresh.ConnectionState(), csStateClosed);
    EXPECT_FALSE(fresh.Connected());
  }
}

TEST_F(SqlExprScripted, StatusWithoutTextRepeatsTheEarlierFailure) {
  script.statuses["Attach"] = SQL_SERVERERROR;
  script.sessionError = "first failure";
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "SQL Server Error: first failure");
  script.statuses["Attach"] = 30;
  script.sessionError.clear();
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "SQL Server Error: first failure");
  script.statuses.clear();
  connection.Open();
  EXPECT_TRUE(connection.Connected());
}

TEST_F(SqlExprScripted, DriverLibraryFailuresNameTheLibraryOrEntryPoint) {
  connection.SetLibraryName("libnot_installed_driver.so");
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "Unable to Load libnot_installed_driver.so");
  // A library that exists but exports no driver entry point.
  connection.SetLibraryName("libfbclient.so.2");
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "Unable to Find Procedure getSQLDriverINTERBASE");
  connection.SetLibraryName("libibdriver_scripted.so");
  script.statuses["Entry"] = SQL_DRIVERINITFAILED;
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "Unable to Load " + connection.VendorLib());
  EXPECT_EQ(connection.ConnectionState(), csStateClosed);
}

TEST_F(SqlExprScripted, SettingsAreCheckedBeforeLoading) {
  connection.Params().SetValue("Database", "");
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "Missing Database property");
  connection.SetConnectionName("");
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "Connection name missing");
  connection.SetVendorLib("");
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "Galvora: DLL/Shared Library Name not Set");
  TSQLConnection bare("Galvora");
  EXPECT_EQ(ErrorOf([&] { bare.Open(); }), "Missing DriverName property");
  EXPECT_EQ(script.Count("Entry"), 0);
}

TEST_F(SqlExprScripted, ConnectSendsTheDataModuleParametersInOrder) {
  SetupDataModuleConnection(connection, "/data/galvora.fdb", "sysdba", "typed");
  connection.SetLibraryName("libibdriver_scripted.so");
  connection.SetVendorLib(ScriptVendorLib(&script));
  connection.Open();
  // The password line is rewritten in place under the name the connect step spells.
  EXPECT_EQ(connection.Params()[6], "password=typed");
  const std::vector<std::string> expected = {
      "Entry " + ScriptVendorLib(&script) + "|",
      "PutOption 3=RoleName",
      "PutOption 4=1",
      "PutOption 5=0",
      "PutOption 6=0",
      "PutOption 16=3",
      "Attach /data/galvora.fdb|sysdba|typed",
      "MetaData.PutOption 1=sysdba",
      "PutOption 2=-1",
  };
  EXPECT_EQ(script.log, expected);
  EXPECT_EQ(connection.QuoteChar(), "\"");
  connection.Close();
  EXPECT_EQ(script.log.back(), "Detach");
  EXPECT_EQ(connection.ConnectionState(), csStateClosed);
}

TEST_F(SqlExprScripted, IsolationLevelComesFromTheDriverNamedKey) {
  struct Case {
    const char* value;
    int level;
    bool sent;
  };
  const Case cases[] = {{"ReadCommited", 0, true},
                        {"RepeatableRead", 1, true},
                        {"dirtyread", 2, true},
                        {"", 0, false}};
  for (const Case& c : cases) {
    script.log.clear();
    TSQLConnection fresh;
    SetupScriptedConnection(fresh, ScriptVendorLib(&script));
    fresh.Params().SetValue("Interbase TransIsolation", c.value);
    fresh.Open();
    EXPECT_EQ(fresh.TransactionIsolation(), c.level) << c.value;
    EXPECT_EQ(Logged(script, "PutOption 6=" + std::to_string(c.level)), c.sent) << c.value;
    fresh.StartTransaction(TTransactionDesc{1, 0, fresh.TransactionIsolation(), 0});
    EXPECT_TRUE(Logged(script, "BeginTxn id=1 iso=" + std::to_string(c.level)));
  }
}

TEST_F(SqlExprScripted, EventsRunOnlyWhenTheStateChanges) {
  std::vector<std::string> events;
  connection.BeforeConnect = [&](TSQLConnection&) { events.push_back("BeforeConnect"); };
  connection.AfterConnect = [&](TSQLConnection&) { events.push_back("AfterConnect"); };
  connection.BeforeDisconnect = [&](TSQLConnection&) { events.push_back("BeforeDisconnect"); };
  connection.AfterDisconnect = [&](TSQLConnection&) { events.push_back("AfterDisconnect"); };
  connection.SetConnected(false);
  connection.SetConnected(true);
  connection.SetConnected(true);
  connection.SetConnected(false);
  EXPECT_EQ(events, (std::vector<std::string>{"BeforeConnect", "AfterConnect",
                                              "BeforeDisconnect", "AfterDisconnect"}));
}

TEST_F(SqlExprScripted, TransactionMessagesCarryTheConnectionName) {
  connection.Open();
  TTransactionDesc desc;
  EXPECT_EQ(ErrorOf([&] { connection.Commit(desc); }), "Galvora: There is no active transaction");
  connection.StartTransaction(desc);
  EXPECT_EQ(ErrorOf([&] { connection.StartTransaction(desc); }),
            "Galvora: A transaction is already active");
  script.statuses["CommitTxn"] = SQL_NOTSUPPORTED;  // status 5 counts as success
  connection.Commit(desc);
  EXPECT_FALSE(connection.InTransaction());
  EXPECT_EQ(ErrorOf([&] { connection.SetDriverName("Other"); }),
            "Galvora: Cannot perform this operation on an open connection");

  DriverScript noTransactions;
  noTransactions.transactionsSupported = false;
  TSQLConnection other;
  SetupScriptedConnection(other, ScriptVendorLib(&noTransactions));
  other.Open();
  other.Commit(desc);  // nothing to do without transaction support
  other.StartTransaction(desc);
  EXPECT_EQ(noTransactions.Count("BeginTxn"), 0);
}

class SqlQueryScripted : public SqlExprScripted {
 protected:
  void SetUp() override {
    SqlExprScripted::SetUp();
    script.columns = {ScriptedColumn{"CODBOD", sqlTypeText, 0, 10, 10, 0},
                      ScriptedColumn{"TOTAL", sqlTypeBcd, 0, 34, 15, 2}};
    query.SetSQLConnection(&connection);
  }

  TSQLQuery query{"QRepcliente"};
};

TEST_F(SqlQueryScripted, ReopeningTheSameTextKeepsThePreparedCommand) {
  query.SetSQL(" select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')");
  EXPECT_EQ(query.CommandText(), "select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')");
  query.Open();
  query.Close();
  query.PSSetCommandText(" select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')");
  query.Open();
  query.Close();
  EXPECT_EQ(script.Count("PrepareText"), 1);
  EXPECT_EQ(script.Count("Run"), 2);
  query.PSSetCommandText("select * from COSTOS_AVICOLA ('2022/02/01','2022/02/28')");
  query.Open();
  EXPECT_EQ(script.Count("PrepareText"), 2);
  EXPECT_TRUE(Logged(script, "Command.PutOption 0=20"));
}

TEST_F(SqlQueryScripted, ARejectedPreparationLeavesTheStatementUnprepared) {
  query.SetSQL("select * from NOWHERE");
  script.statuses["PrepareText"] = SQL_SERVERERROR;
  script.commandError = "Table unknown NOWHERE";
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "SQL Server Error: Table unknown NOWHERE");
  EXPECT_FALSE(query.Active());
  EXPECT_FALSE(query.Prepared());
  EXPECT_EQ(query.LastError(), "SQL Server Error: Table unknown NOWHERE");
  script.statuses.clear();
  query.Open();
  EXPECT_EQ(script.Count("PrepareText"), 2);
  EXPECT_TRUE(query.Active());
}

TEST_F(SqlQueryScripted, StatementMessagesAndTheirPrefixes) {
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "Missing query, table name or procedure name");
  TSQLQuery loose("Loose");
  loose.SetSQL("select 1 from X");
  EXPECT_EQ(ErrorOf([&] { loose.Open(); }), "SQLConnection property required for this operation");
  query.SetSQL("update X set A = 1");
  script.returnsCursor = false;
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "QRepcliente: Cursor not returned from Query");
  EXPECT_FALSE(query.Active());
  script.returnsCursor = true;
  script.statuses["Run"] = 30;
  EXPECT_EQ(ErrorOf([&] { query.Open(); }), "Driver Error: Unknown Error Code '30'");
  script.statuses.clear();
  query.Open();
  EXPECT_EQ(ErrorOf([&] { query.Last(); }),
            "QRepcliente: Operation not allowed on a unidirectional dataset");
  EXPECT_EQ(ErrorOf([&] { query.SetCommandText("select 2 from X"); }),
            "QRepcliente: Cannot perform this operation on an open dataset");
}

TEST_F(SqlQueryScripted, RowsAreReadForwardAndNormalisedToTheField) {
  TBcd twelve = IntegerToBcd(0);
  ASSERT_TRUE(TryTextToBcd("12500.00", '.', twelve));
  script.rows = {{ScriptedText("B01"), ScriptedValue(twelve)},
                 {ScriptedNull(), ScriptedNull()}};
  query.SetSQL("select CODBOD, TOTAL from COSTS");
  query.Open();
  EXPECT_EQ(query.FieldDefs()[1].DataType, ftFMTBcd);
  EXPECT_EQ(query.FieldByName("CODBOD").AsString(), "B01");
  EXPECT_EQ(query.FieldByName("TOTAL").AsString(), "12500");
  query.Next();
  EXPECT_TRUE(query.FieldByName("TOTAL").IsNull());
  EXPECT_FALSE(query.Eof());
  query.Next();
  EXPECT_TRUE(query.Eof());
  EXPECT_TRUE(query.FieldByName("CODBOD").IsNull());
  EXPECT_EQ(script.Count("FetchRow"), 3);
  query.First();  // past the first row: the query runs again
  EXPECT_EQ(script.Count("Run"), 2);
  EXPECT_EQ(query.FieldByName("CODBOD").AsString(), "B01");
}

TEST_F(SqlQueryScripted, ColumnDescriptionsMapToFieldDefinitions) {
  struct Case {
    ScriptedColumn column;
    TFieldType type;
    int size;
    int precision;
  };
  const Case cases[] = {
      {{"A", sqlTypeText, 0, 10, 10, 0}, ftString, 10, 0},
      {{"A", sqlTypeText, 0, 10, 0, 0}, ftUnknown, 0, 0},
      {{"A", sqlTypeBcd, 0, 34, 9, 2}, ftBCD, 2, 9},
      {{"A", sqlTypeBcd, 0, 34, 15, 2}, ftFMTBcd, 2, 15},
      {{"A", sqlTypeBcd, 0, 34, 18, 6}, ftFMTBcd, 6, 18},
      {{"A", sqlTypeBcd, 0, 34, 38, 0}, ftFMTBcd, 8, 32},
      {{"A", sqlTypeBcd, 0, 34, 2, -4}, ftBCD, 4, 4},
      {{"A", sqlTypeInt16, 0, 2, 0, 0}, ftSmallint, 0, 0},
      {{"A", sqlTypeInt16, 0, 4, 0, 0}, ftUnknown, 0, 0},
      {{"A", sqlTypeInt32, sqlSubAutoInc, 4, 0, 0}, ftAutoInc, 0, 0},
      {{"A", sqlTypeFloat64, sqlSubMoney, 8, 0, 0}, ftCurrency, 0, 0},
      {{"A", sqlTypeBlob, sqlSubMemo, 8, 1, 0}, ftMemo, 1, 0},
      {{"A", sqlTypeBlob, 30, 8, 1, 0}, ftBlob, 1, 0},
      {{"A", sqlTypeTimeStamp, 0, 16, 0, 0}, ftTimeStamp, 0, 0},
      {{"A", sqlTypeInt64, 0, 8, 0, 0}, ftLargeint, 0, 0},
      {{"A", 14, 0, 0, 0, 0}, ftUnknown, 0, 0},
  };
  for (const Case& c : cases) {
    script.columns = {c.column};
    TSQLQuery statement;
    statement.SetSQLConnection(&connection);
    statement.SetSQL("select A from T");
    try {
      statement.Open();
    } catch (const EDatabaseError&) {
      // Unknown types cannot make fields; the definitions are still built.
    }
    ASSERT_EQ(statement.FieldDefs().Count(), 1);
    const TFieldDef& def = statement.FieldDefs()[0];
    EXPECT_EQ(def.DataType, c.type) << c.column.type << "/" << c.column.precision;
    EXPECT_EQ(def.Size, c.size) << c.column.type << "/" << c.column.precision;
    EXPECT_EQ(def.Precision, c.precision) << c.column.type << "/" << c.column.precision;
  }
}

TEST_F(SqlQueryScripted, ParametersAreBoundByPositionWithTheirTypes) {
  connection.Open();
  TParams params;
  TBcd amount = IntegerToBcd(0);
  ASSERT_TRUE(TryTextToBcd("-3.10", '.', amount));
  params.Add(TParam{"NAME", ftString, ptUnknown, std::string("Gallos")});
  params.Add(TParam{"TOTAL", ftFMTBcd, ptInput, amount});
  params.Add(TParam{"ID", ftInteger, ptInput, int64_t{7}});
  params.Add(TParam{"NOTE", ftString, ptInput, TVarNull{}});
  script.affectedRows = 1;
  EXPECT_EQ(connection.Execute("update T set NAME=:NAME, TOTAL = :TOTAL, NOTE = :NOTE\r\n"
                               "where ID=:ID and X = ':KEEP'",
                               &params),
            1);
  EXPECT_TRUE(Logged(script, "PrepareText update T set NAME= ? , TOTAL =  ? , NOTE =  ? \r\n"
                             "where ID= ?  and X = ':KEEP'|4"));
  EXPECT_TRUE(Logged(script, "BindParam 1 dir=1 type=1 sub=0 prec=6 scale=0 len=7 'Gallos'"));
  EXPECT_TRUE(Logged(script, "BindParam 2 dir=1 type=8 sub=0 prec=" +
                                 std::to_string(amount.Precision) + " scale=2 len=34"));
  EXPECT_TRUE(Logged(script, "BindParam 3 dir=1 type=6 sub=0 prec=0 scale=0 len=4"));
  EXPECT_TRUE(Logged(script, "BindParam 4 dir=1 type=1 sub=0 prec=0 scale=0 len=0 null"));
  EXPECT_EQ(connection.ConnectionState(), csStateOpen);

  TParams unknown;
  unknown.Add(TParam{"V", ftVariant, ptInput, int64_t{1}});
  EXPECT_EQ(ErrorOf([&] { connection.Execute("update T set A = :V", &unknown); }),
            "No value for parameter 'V'");
  EXPECT_EQ(connection.ConnectionState(), csStateOpen);
}

TEST_F(SqlQueryScripted, ProviderSupportOperations) {
  query.SetSQL("SELECT * FROM CONFIGURA_COSTOS_PROD");
  EXPECT_EQ(query.PSGetTableName(), "CONFIGURA_COSTOS_PROD");
  query.SetSQL("select a.x from dbo .PARTS a;");
  EXPECT_EQ(query.PSGetTableName(), "dbo.PARTS");
  query.SetSQL("select 1");
  EXPECT_EQ(query.PSGetTableName(), "");
  connection.Open();
  EXPECT_EQ(query.PSGetQuoteChar(), "\"");
  EXPECT_EQ(query.PSGetKeyFields(), "");
  EXPECT_EQ(query.PSGetLocaleId(), 0);
  connection.Params().SetValue("LocaleCode", "0C0A");
  EXPECT_EQ(query.PSGetLocaleId(), 0x0C0A);
  EXPECT_FALSE(query.PSInTransaction());
  query.PSStartTransaction();
  EXPECT_TRUE(query.PSInTransaction());
  query.PSEndTransaction(false);
  EXPECT_TRUE(Logged(script, "RollbackTxn"));
  EXPECT_FALSE(query.PSInTransaction());
  EXPECT_EQ(query.PSGetUpdateException(nullptr)->Message(), "SQL Error: Error mapping failed");
  EDatabaseError original("Galvora: lost");
  EXPECT_EQ(query.PSGetUpdateException(&original)->Message(), "Galvora: lost");
}

}  // namespace

namespace {

TEST_F(SqlQueryScripted, ConnectionUseRules) {
  // A statement attached with MaxBlobSize 0 takes the connection's BlobSize.
  connection.Params().SetValue("BlobSize", "32");
  {
    TSQLQuery attached;
    attached.SetSQLConnection(&connection);
    EXPECT_EQ(attached.MaxBlobSize(), 32);
  }

  // Without KeepConnection the session closes as soon as nothing uses it.
  connection.SetKeepConnection(false);
  query.SetSQL("select CODBOD from COSTS");
  query.Open();
  EXPECT_TRUE(connection.Connected());
  query.Close();
  EXPECT_FALSE(connection.Connected());
  connection.SetKeepConnection(true);
  query.Open();
  connection.SetKeepConnection(false);
  EXPECT_FALSE(connection.Connected());
  EXPECT_FALSE(query.Active());
}

TEST_F(SqlQueryScripted, AStatementLimitMakesAClonedSession) {
  script.statementLimit = 1;
  query.SetSQL("select CODBOD from COSTS");
  query.Open();
  EXPECT_EQ(script.Count("NewSession"), 2);
  EXPECT_EQ(script.Count("Attach"), 2);
  query.SetPrepared(false);  // releasing the command frees the clone
  EXPECT_EQ(std::count(script.log.begin(), script.log.end(), "Detach"), 1);
  EXPECT_TRUE(connection.Connected());
}

TEST_F(SqlExprScripted, LoginPromptAsksOnLoginOrFails) {
  connection.SetLoginPrompt(true);
  EXPECT_EQ(ErrorOf([&] { connection.Open(); }), "Cannot connect to database 'IBLocal'");
  std::vector<std::string> seen;
  connection.OnLogin = [&](TSQLConnection&, TConnectionParams& login) {
    seen = login.Lines();
    login.SetValue("PASSWORD", "from dialog");
  };
  connection.Open();
  EXPECT_EQ(seen, (std::vector<std::string>{"Database=scripted.fdb", "USER_NAME=sysdba",
                                            "PASSWORD=secret"}));
  EXPECT_TRUE(Logged(script, "Attach scripted.fdb|sysdba|from dialog"));
}

}  // namespace
