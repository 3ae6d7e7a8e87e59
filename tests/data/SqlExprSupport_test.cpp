// The text rules of the connection: parameter lists, marker rewriting and number settings.

#include <gtest/gtest.h>

#include "data/DateText.h"
#include "data/SqlExpr.h"
#include "data/SqlSupport.h"

namespace {

TEST(SqlExprSupport, ParameterReferencesBecomeMarkersInTheirOwnPlace) {
  struct Case {
    const char* sql;
    const char* quote;
    const char* expected;
  };
  const Case cases[] = {
      {"update T set A=:A where B = :B", "\"", "update T set A= ?  where B =  ? "},
      {"select * from T where (A=:A,B<:B)", "\"", "select * from T where (A= ? ,B< ? )"},
      {"select * from T where A = ':A' and B = :A", "\"", "select * from T where A = ':A' and B =  ? "},
      {"update T set X = :ID2, Y = :ID", "\"", "update T set X =  ? , Y =  ? "},
      {"select \"a :B\" from T where C=:C", "\"", "select \"a :B\" from T where C= ? "},
      {"select a:B from T where C=\r\n:C", "", "select a:B from T where C=\r\n ? "},
      {":A at the start", "\"", ":A at the start"},
      {"select 1 from T where X = :X", "", "select 1 from T where X =  ? "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sqlsupport::ReplaceParamMarkers(c.sql, c.quote), c.expected) << c.sql;
  }
}

TEST(SqlExprSupport, IntegerSettings) {
  EXPECT_EQ(sqlsupport::StrToInt(" 3 "), 3);
  EXPECT_EQ(sqlsupport::StrToInt("-1"), -1);
  EXPECT_EQ(sqlsupport::StrToInt("$0C0A"), 0x0C0A);
  for (const char* bad : {"", "3a", "twenty", "99999999999"}) {
    EXPECT_THROW(sqlsupport::StrToInt(bad), EConvertError) << bad;
  }
  try {
    sqlsupport::StrToInt("x1");
  } catch (const EConvertError& error) {
    EXPECT_EQ(error.Message(), "'x1' is not a valid integer value");
  }
}

TEST(SqlExprSupport, ParameterListMatchesNamesWithoutCaseAndRewritesInPlace) {
  TConnectionParams params;
  params.Add("BlobSize=-1");
  params.Add("Password=bluefjord");
  params.Add("User_Name=sysdba");
  params.SetValue("password", "typed");
  params.SetValue("HostName", "server1");
  EXPECT_EQ(params.Lines(), (std::vector<std::string>{"BlobSize=-1", "password=typed",
                                                      "User_Name=sysdba", "HostName=server1"}));
  EXPECT_EQ(params.Values("PASSWORD"), "typed");
  EXPECT_EQ(params.Values("Missing"), "");
}

TEST(SqlExprSupport, ANonNumericSettingEndsTheConnectAttempt) {
  TSQLConnection connection("Galvora");
  connection.SetDriverName("Interbase");
  connection.SetLibraryName("libibdriver.so");
  connection.SetVendorLib("libfbclient.so.2");
  connection.SetGetDriverFunc("getSQLDriverINTERBASE");
  connection.SetLoginPrompt(false);
  connection.Params().SetValue("Database", "/nowhere/x.fdb");
  connection.Params().SetValue("SqlDialect", "three");
  EXPECT_THROW(connection.Open(), EConvertError);
  EXPECT_EQ(connection.ConnectionState(), csStateClosed);
}

}  // namespace
