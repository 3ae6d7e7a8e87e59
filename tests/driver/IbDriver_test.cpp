// The Firebird driver library through its interfaces, against a real embedded database.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <ibase.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/FMTBcd.h"
#include "driver/SQLDriver.h"
#include "platform/ProgramFolder.h"
#include "platform/Utf8FileNames.h"

namespace {

// Creates `path` and runs `statements` with the client API.
void CreateDatabase(const std::string& path, const std::vector<std::string>& statements) {
  ISC_STATUS_ARRAY status;
  isc_db_handle db = 0;
  isc_tr_handle transaction = 0;
  std::string create = "create database '" + path +
                       "' user 'SYSDBA' password 'masterkey' default character set WIN1252";
  {
    platform::Utf8FileNames utf8;  // as every caller that names a database file
    isc_dsql_execute_immediate(status, &db, &transaction, 0, create.c_str(), 3, nullptr);
  }
  ASSERT_EQ(status[1], 0) << create;
  for (const std::string& sql : statements) {
    isc_start_transaction(status, &transaction, 1, &db, 0, nullptr);
    isc_dsql_execute_immediate(status, &db, &transaction, 0, sql.c_str(), 3, nullptr);
    ASSERT_EQ(status[1], 0) << sql;
    isc_commit_transaction(status, &transaction);
  }
  isc_detach_database(status, &db);
}

template <typename T>
struct Released {
  void operator()(T* object) const {
    if (object != nullptr) object->Release();
  }
};
template <typename T>
using Ref = std::unique_ptr<T, Released<T>>;

class IbDriver : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = (std::filesystem::temp_directory_path() / "galvora-driver-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    CreateDatabase(
        folder + "/driver.fdb",
        {"create table V (ID integer not null, TXT varchar(30), FIX char(3), SM smallint,"
         " BIG bigint, DBL double precision, FL float, N41 numeric(4,1), N92 numeric(9,2),"
         " N152 numeric(15,2), N186 numeric(18,6), D date, T time, TS timestamp,"
         " MEMO blob sub_type 1, BIN blob sub_type 0, FLAG boolean,"
         " RAW char(4) character set octets)",
         // Rows 1..N; the row FAIL_AT fails with a division by zero.
         "create procedure SERIES (N integer, FAIL_AT integer)"
         " returns (I integer, HALF numeric(15,2), TXT varchar(12)) as begin"
         "  I = 0;"
         "  while (I < N) do begin"
         "    I = I + 1;"
         "    if (I = FAIL_AT) then I = I / 0;"
         "    HALF = I / 2.00; TXT = 'r' || I;"
         "    suspend;"
         "  end"
         " end"});
    library = dlopen(platform::ResolveLibraryPath("libibdriver.so").c_str(), RTLD_NOW);
    ASSERT_NE(library, nullptr) << dlerror();
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  void SetUp() override {
    auto entry = reinterpret_cast<GetSQLDriverProc>(dlsym(library, "getSQLDriverINTERBASE"));
    ASSERT_NE(entry, nullptr);
    ISQLDriver* made = nullptr;
    ASSERT_EQ(entry("libfbclient.so.2", "", &made), SQL_SUCCESS);
    driver.reset(made);
    ISQLConnection* opened = nullptr;
    ASSERT_EQ(driver->NewSession(&opened), SQL_SUCCESS);
    session.reset(opened);
    ASSERT_EQ(session->PutOption(optSqlDialect, 3), SQL_SUCCESS);
    ASSERT_EQ(session->Attach((folder + "/driver.fdb").c_str(), "sysdba", "masterkey"),
              SQL_SUCCESS);
    Run("delete from V");
  }
  void TearDown() override {
    if (session) session->Detach();
  }

  std::string ErrorOf(ISQLCommand* command) {
    int16_t length = 0;
    command->ErrorTextLength(&length);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    command->ErrorText(text.data());
    return text.c_str();
  }

  Ref<ISQLCommand> Prepare(const std::string& sql, uint16_t params = 0) {
    ISQLCommand* made = nullptr;
    EXPECT_EQ(session->NewCommand(&made), SQL_SUCCESS);
    Ref<ISQLCommand> command(made);
    EXPECT_EQ(command->PrepareText(sql.c_str(), params), SQL_SUCCESS) << ErrorOf(made);
    return command;
  }

  int32_t Run(const std::string& sql) {
    Ref<ISQLCommand> command = Prepare(sql);
    ISQLCursor* cursor = nullptr;
    EXPECT_EQ(command->Run(&cursor), SQL_SUCCESS) << ErrorOf(command.get());
    int32_t rows = -1;
    command->AffectedRows(&rows);
    return rows;
  }

  static std::string folder;
  static void* library;
  Ref<ISQLDriver> driver;
  Ref<ISQLConnection> session;
};

std::string IbDriver::folder;
void* IbDriver::library = nullptr;

TEST_F(IbDriver, ColumnsAreDescribedInTheDriverTypes) {
  Ref<ISQLCommand> command =
      Prepare("select ID, TXT, FIX, SM, BIG, DBL, FL, N41, N92, N152, N186, D, T, TS, MEMO, BIN,"
              " FLAG, RAW, N92 * 2 as EXPR from V");
  ISQLCursor* opened = nullptr;
  ASSERT_EQ(command->Run(&opened), SQL_SUCCESS);
  Ref<ISQLCursor> cursor(opened);
  struct Expected {
    const char* name;
    uint16_t type, subtype;
    uint32_t length;
    int16_t precision, scale;
    int32_t nullable;
  };
  const Expected expected[] = {
      {"ID", sqlTypeInt32, 0, 4, 0, 0, 0},
      {"TXT", sqlTypeText, 0, 30, 30, 0, 1},
      {"FIX", sqlTypeText, sqlSubFixed, 3, 3, 0, 1},
      {"SM", sqlTypeInt16, 0, 2, 0, 0, 1},
      {"BIG", sqlTypeBcd, 0, 34, 19, 0, 1},
      {"DBL", sqlTypeFloat64, 0, 8, 0, 0, 1},
      {"FL", sqlTypeFloat64, 0, 8, 0, 0, 1},
      {"N41", sqlTypeBcd, 0, 34, 4, 1, 1},
      {"N92", sqlTypeBcd, 0, 34, 9, 2, 1},
      {"N152", sqlTypeBcd, 0, 34, 15, 2, 1},
      {"N186", sqlTypeBcd, 0, 34, 18, 6, 1},
      {"D", sqlTypeDate, 0, 4, 0, 0, 1},
      {"T", sqlTypeTime, 0, 4, 0, 0, 1},
      {"TS", sqlTypeTimeStamp, 0, 16, 0, 0, 1},
      {"MEMO", sqlTypeBlob, sqlSubMemo, 8, 1, 0, 1},
      {"BIN", sqlTypeBlob, sqlSubBinary, 8, 1, 0, 1},
      {"FLAG", sqlTypeBoolean, 0, 2, 0, 0, 1},
      {"RAW", sqlTypeBytes, 0, 4, 4, 0, 1},
      {"EXPR", sqlTypeBcd, 0, 34, 18, 2, 1},
  };
  uint16_t count = 0;
  cursor->NumColumns(&count);
  ASSERT_EQ(count, std::size(expected));
  for (uint16_t column = 1; column <= count; ++column) {
    const Expected& e = expected[column - 1];
    char name[33];
    uint16_t type, subtype;
    uint32_t length;
    int16_t precision, scale;
    int32_t nullable;
    cursor->ColName(column, name);
    cursor->ColType(column, &type, &subtype);
    cursor->ColLength(column, &length);
    cursor->ColPrecision(column, &precision);
    cursor->ColScale(column, &scale);
    cursor->ColNullable(column, &nullable);
    EXPECT_STREQ(name, e.name);
    EXPECT_EQ(std::vector<int>({type, subtype, static_cast<int>(length), precision, scale,
                                nullable}),
              std::vector<int>({e.type, e.subtype, static_cast<int>(e.length), e.precision,
                                e.scale, e.nullable}))
        << e.name;
  }
}

TEST_F(IbDriver, BoundValuesReadBackInTheDocumentedForms) {
  Ref<ISQLCommand> insert = Prepare(
      "insert into V (ID, TXT, FIX, SM, BIG, DBL, N152, D, T, TS, MEMO, FLAG, N41)"
      " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      13);
  int32_t id = 1;
  const char text[] = "Gallinas \xF1";
  int16_t small = -7;
  int64_t big = 9000000000000000001LL;
  double number = 2.5;
  TBcd amount;
  ASSERT_TRUE(TryTextToBcd("-1234.50", '.', amount));
  int32_t days = 44592;                       // 31 January 2022
  int32_t milliseconds = 49530250;            // 13:45:30.250
  SQLTimeStampValue stamp{2022, 1, 31, 13, 45, 30, 1234};
  const std::string memo(70000, 'x');
  int16_t flag = 1;
  ASSERT_EQ(insert->BindParam(1, 0, paramIn, sqlTypeInt32, 0, 0, 0, 4, &id, 0), SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(2, 0, paramIn, sqlTypeText, 0, 10, 0, 11, text, 0), SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(3, 0, paramIn, sqlTypeText, 0, 0, 0, 0, nullptr, 1), SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(4, 0, paramIn, sqlTypeInt16, 0, 0, 0, 2, &small, 0), SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(5, 0, paramIn, sqlTypeInt64, 0, 0, 0, 8, &big, 0), SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(6, 0, paramIn, sqlTypeFloat64, 0, 8, 0, 8, &number, 0), SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(7, 0, paramIn, sqlTypeBcd, 0, amount.Precision, 2, 34, &amount, 0),
            SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(8, 0, paramIn, sqlTypeDate, 0, 0, 0, 4, &days, 0), SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(9, 0, paramIn, sqlTypeTime, 0, 0, 0, 4, &milliseconds, 0),
            SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(10, 0, paramIn, sqlTypeTimeStamp, 0, 0, 0, 16, &stamp, 0),
            SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(11, 0, paramIn, sqlTypeBlob, sqlSubMemo, 70000, 0, 70000,
                              memo.data(), 0),
            SQL_SUCCESS);
  ASSERT_EQ(insert->BindParam(12, 0, paramIn, sqlTypeBoolean, 0, 0, 0, 2, &flag, 0), SQL_SUCCESS);
  // A value with more places than the column keeps the column's places (rounded by the server).
  TBcd fine;
  ASSERT_TRUE(TryTextToBcd("12.35", '.', fine));
  ASSERT_EQ(insert->BindParam(13, 0, paramIn, sqlTypeBcd, 0, fine.Precision, 2, 34, &fine, 0),
            SQL_SUCCESS);
  ISQLCursor* none = nullptr;
  ASSERT_EQ(insert->Run(&none), SQL_SUCCESS) << ErrorOf(insert.get());
  EXPECT_EQ(none, nullptr);
  int32_t rows = 0;
  insert->AffectedRows(&rows);
  EXPECT_EQ(rows, 1);

  Ref<ISQLCommand> select =
      Prepare("select TXT, FIX, SM, BIG, DBL, N152, D, T, TS, MEMO, FLAG, N41 from V");
  ISQLCursor* opened = nullptr;
  ASSERT_EQ(select->Run(&opened), SQL_SUCCESS);
  Ref<ISQLCursor> cursor(opened);
  ASSERT_EQ(cursor->FetchRow(), SQL_SUCCESS);
  int32_t isNull = -1;
  char buffer[64];
  cursor->ValString(1, buffer, &isNull);
  EXPECT_STREQ(buffer, text);
  cursor->ValString(2, buffer, &isNull);
  EXPECT_EQ(isNull, 1);
  int16_t smallRead = 0;
  cursor->ValInt16(3, &smallRead, &isNull);
  EXPECT_EQ(smallRead, -7);
  TBcd bcd;
  cursor->ValBcd(4, &bcd, &isNull);
  EXPECT_EQ(BcdToPlainText(bcd, '.'), "9000000000000000001");
  double numberRead = 0;
  cursor->ValFloat64(5, &numberRead, &isNull);
  EXPECT_EQ(numberRead, 2.5);
  cursor->ValBcd(6, &bcd, &isNull);
  EXPECT_EQ(std::vector<int>({bcd.Precision, BcdScale(bcd)}), std::vector<int>({15, 2}));
  EXPECT_EQ(BcdToPlainText(bcd, '.'), "-1234.5");
  int32_t daysRead = 0, millisecondsRead = 0;
  cursor->ValDate(7, &daysRead, &isNull);
  EXPECT_EQ(daysRead, days);
  cursor->ValTime(8, &millisecondsRead, &isNull);
  EXPECT_EQ(millisecondsRead, milliseconds);
  SQLTimeStampValue stampRead{};
  cursor->ValTimeStamp(9, &stampRead, &isNull);
  EXPECT_EQ(std::memcmp(&stampRead, &stamp, sizeof stamp), 0);
  uint32_t size = 0;
  cursor->ValBlobSize(10, &size, &isNull);
  ASSERT_EQ(size, memo.size());
  std::string memoRead(size, '\0');
  cursor->ValBlob(10, memoRead.data(), &isNull, size);
  EXPECT_EQ(memoRead, memo);
  int16_t flagRead = 0;
  cursor->ValInt16(11, &flagRead, &isNull);
  EXPECT_EQ(flagRead, 1);
  cursor->ValBcd(12, &bcd, &isNull);
  EXPECT_EQ(BcdToPlainText(bcd, '.'), "12.4");
  EXPECT_EQ(cursor->FetchRow(), SQL_NODATA);
  EXPECT_EQ(cursor->ValInt16(3, &smallRead, &isNull), SQL_EOF);

  // The session's BLOB size limit (kilobytes) caps what is read.
  cursor.reset();
  session->PutOption(optBlobSize, 1);
  ASSERT_EQ(select->Run(&opened), SQL_SUCCESS);
  cursor.reset(opened);
  ASSERT_EQ(cursor->FetchRow(), SQL_SUCCESS);
  cursor->ValBlobSize(10, &size, &isNull);
  EXPECT_EQ(size, 1024u);
}

TEST_F(IbDriver, ExplicitTransactionsCommitRollBackAndRetain) {
  TTransactionDesc desc;
  ASSERT_EQ(session->BeginTxn(&desc), SQL_SUCCESS);
  EXPECT_EQ(session->BeginTxn(&desc), SQL_LOCALTRANSACTIVE);
  Run("insert into V (ID) values (1)");
  ASSERT_EQ(session->RollbackTxn(&desc), SQL_SUCCESS);
  EXPECT_EQ(session->CommitTxn(&desc), SQL_INVALIDTXNID);
  EXPECT_EQ(Run("delete from V"), 0);

  session->PutOption(optCommitRetain, 1);
  for (int id : {2, 3}) {
    ASSERT_EQ(session->BeginTxn(&desc), SQL_SUCCESS);
    Run("insert into V (ID) values (" + std::to_string(id) + ")");
    ASSERT_EQ(session->CommitTxn(&desc), SQL_SUCCESS);
  }
  EXPECT_EQ(Run("delete from V"), 2);
}

TEST_F(IbDriver, FailuresCarryTheServersText) {
  ISQLCommand* made = nullptr;
  ASSERT_EQ(session->NewCommand(&made), SQL_SUCCESS);
  Ref<ISQLCommand> command(made);
  EXPECT_EQ(command->PrepareText("select * from NO_SUCH_TABLE", 0), SQL_SERVERERROR);
  std::string text = ErrorOf(command.get());
  EXPECT_EQ(text.rfind("Dynamic SQL Error", 0), 0u) << text;
  EXPECT_NE(text.find("NO_SUCH_TABLE"), std::string::npos) << text;
  ISQLCursor* cursor = nullptr;
  EXPECT_EQ(command->Run(&cursor), SQL_INVALIDHNDL);

  char quote = 0;
  ISQLMetaData* metaData = nullptr;
  ASSERT_EQ(session->NewMetaData(&metaData), SQL_SUCCESS);
  Ref<ISQLMetaData> meta(metaData);
  int16_t length = 0;
  EXPECT_EQ(meta->QueryOption(metaOptQuoteChar, &quote, 1, &length), SQL_SUCCESS);
  EXPECT_EQ(quote, '"');
  int32_t limit = -1;
  session->QueryOption(optActiveStatementLimit, &limit, 4, &length);
  EXPECT_EQ(limit, 0);
}

// The attach carries the name's length in 16 bits: a longer name is refused, never cut to the
// name of another database. Accented and Cyrillic folders are opened by their UTF-8 bytes.
TEST_F(IbDriver, DatabaseNamesAreTheFileSystemsBytesAndTooLongOnesAreRefused) {
  const std::string existing = folder + "/driver.fdb";
  struct Case {
    std::string name;
    SQLResult status;
    const char* text;
  } cases[] = {
      {existing + std::string(65536, 'x'), SQL_INVALIDPARAM,
       "The database name is too long ("},
      {existing + "/" + std::string(32767 - existing.size() - 1, 'x'), SQL_SERVERERROR,
       "I/O error"},
      {existing, SQL_SUCCESS, ""},
  };
  for (const char* accented :
       {"/a\xC3\xB1o \xE2\x82\xAC", "/\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82"}) {
    std::filesystem::create_directories(folder + accented);
    CreateDatabase(folder + accented + "/g.fdb", {});
  }
  const Case more[] = {
      {folder + "/a\xC3\xB1o \xE2\x82\xAC/g.fdb", SQL_SUCCESS, ""},
      {folder + "/\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82/g.fdb", SQL_SUCCESS, ""},
      // The client library's message names the file in the program's Windows-1252 text.
      {folder + "/a\xC3\xB1o \xE2\x82\xAC/none.fdb", SQL_SERVERERROR,
       "/a\xF1o \x80/none.fdb\""},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  all.insert(all.end(), std::begin(more), std::end(more));
  for (const Case& c : all) {
    SCOPED_TRACE(c.name.size() > 80 ? c.name.substr(0, 80) + "..." : c.name);
    ISQLConnection* made = nullptr;
    ASSERT_EQ(driver->NewSession(&made), SQL_SUCCESS);
    Ref<ISQLConnection> other(made);
    EXPECT_EQ(other->Attach(c.name.c_str(), "sysdba", "masterkey"), c.status);
    int16_t length = 0;
    other->ErrorTextLength(&length);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    other->ErrorText(text.data());
    EXPECT_NE(text.find(c.text), std::string::npos) << text;
    other->Detach();
  }
}

// Long results are read ahead on a thread of their own; the reader sees exactly what direct
// fetches would give.
TEST_F(IbDriver, LongResultsReadAheadInOrderAndFailAtTheirRow) {
  constexpr SQLResult kWrongRow = 0xFFFF;
  // Reads rows until the cursor stops; returns the last status, checking each row's values.
  auto readAll = [](ISQLCursor* cursor, int* rows) {
    SQLResult status;
    while ((status = cursor->FetchRow()) == SQL_SUCCESS) {
      ++*rows;
      int32_t id = 0, isNull = 1;
      double half = 0;
      char text[13] = {};
      cursor->ValInt32(1, &id, &isNull);
      cursor->ValFloat64(2, &half, &isNull);
      cursor->ValString(3, text, &isNull);
      if (id != *rows || half != *rows / 2.0 || text != "r" + std::to_string(*rows)) {
        ADD_FAILURE() << "row " << *rows << ": " << id << " " << half << " " << text;
        return kWrongRow;
      }
    }
    return status;
  };
  {
    Ref<ISQLCommand> command = Prepare("select I, HALF, TXT from SERIES(20000, 0)");
    ISQLCursor* opened = nullptr;
    ASSERT_EQ(command->Run(&opened), SQL_SUCCESS);
    Ref<ISQLCursor> cursor(opened);
    int rows = 0;
    EXPECT_EQ(readAll(cursor.get(), &rows), SQL_NODATA);
    EXPECT_EQ(rows, 20000);
    EXPECT_EQ(cursor->FetchRow(), SQL_NODATA);
  }
  {
    Ref<ISQLCommand> command = Prepare("select I, HALF, TXT from SERIES(20000, 7000)");
    ISQLCursor* opened = nullptr;
    ASSERT_EQ(command->Run(&opened), SQL_SUCCESS);
    Ref<ISQLCursor> cursor(opened);
    int rows = 0;
    EXPECT_EQ(readAll(cursor.get(), &rows), SQL_SERVERERROR);
    EXPECT_EQ(rows, 6999);
    std::string text;
    int16_t length = 0;
    cursor->ErrorTextLength(&length);
    text.assign(static_cast<size_t>(length) + 1, '\0');
    cursor->ErrorText(text.data());
    EXPECT_NE(std::string(text.c_str()).find("Integer divide by zero"), std::string::npos) << text;
  }
  // A result left part-way, or under a transaction that ends, stops being read: the session
  // goes on with its next statements.
  {
    Ref<ISQLCommand> command = Prepare("select I, HALF, TXT from SERIES(2000000, 0)");
    ISQLCursor* opened = nullptr;
    ASSERT_EQ(command->Run(&opened), SQL_SUCCESS);
    Ref<ISQLCursor> cursor(opened);
    for (int row = 0; row < 500; ++row) ASSERT_EQ(cursor->FetchRow(), SQL_SUCCESS);
  }
  TTransactionDesc desc;
  ASSERT_EQ(session->BeginTxn(&desc), SQL_SUCCESS);
  Ref<ISQLCommand> command = Prepare("select I, HALF, TXT from SERIES(2000000, 0)");
  ISQLCursor* opened = nullptr;
  ASSERT_EQ(command->Run(&opened), SQL_SUCCESS);
  Ref<ISQLCursor> cursor(opened);
  for (int row = 0; row < 500; ++row) ASSERT_EQ(cursor->FetchRow(), SQL_SUCCESS);
  ASSERT_EQ(session->CommitTxn(&desc), SQL_SUCCESS);
  int rows = 500;
  // The rows read before the commit still come in order; then the closed result fails.
  EXPECT_EQ(readAll(cursor.get(), &rows), SQL_SERVERERROR);
  EXPECT_LT(rows, 2000000);
  EXPECT_EQ(Run("insert into V (ID) values (1)"), 1);
}

// The Firebird driver also exports the cancel of its running statements (for a stop).
TEST(IbDriverLibraries, ExportOnlyTheEntryPoint) {
  const std::vector<std::string> firebird = {"CancelOperationsINTERBASE\n",
                                             "getSQLDriverINTERBASE\n"};
  const std::vector<std::string> scripted = {"getSQLDriverINTERBASE\n"};
  for (const char* name : {"libibdriver.so", "libibdriver_scripted.so"}) {
    std::string path = platform::ResolveLibraryPath(name);
    std::string command = "nm -D --defined-only '" + path + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> symbols;
    std::array<char, 512> line;
    while (fgets(line.data(), line.size(), pipe) != nullptr) {
      std::string text = line.data();
      symbols.push_back(text.substr(text.rfind(' ') + 1));
    }
    pclose(pipe);
    std::sort(symbols.begin(), symbols.end());
    EXPECT_EQ(symbols, std::string(name) == "libibdriver.so" ? firebird : scripted) << path;
  }
}

}  // namespace
