// The company database: the report procedure against a hand-computed fixture, its guards,
// the declared shape of its columns and of CONFIGURA_COSTOS_PROD, and the script splitter.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/CompanyDatabase.h"

namespace {

const char* const kReportColumns[] = {
    "CODBOD",    "NOMBOD",     "EXINIAVE",  "SALAVE",   "VTAAVE",    "EXFINAVE",
    "PORSALAVE", "ENTHUEVO",   "RENDHUEVO", "SALALIM",  "GRAMHUEVO", "GRAMAVE",
    "VRALIM",    "COSTOALM",   "VACUNAS",   "OTROSINS", "AMORTIZA",  "MANOBDIR",
    "MANOBIND",  "INDIRECTOS", "TOTCOSTO",  "COSTOUNIT"};

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "galvora-db-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Two warehouses for January 2022. Warehouse 01 has movements before, inside (on both
// boundary days) and after the period, plus movements the report must ignore (egg purchases
// under another prefix, egg sales, feed purchases, an item of no group). Warehouse 02 has a
// flock bought in December and costs only outside the period.
const char kFixture[] = R"sql(
UPDATE CONFIGURA_COSTOS_PROD SET COCP_VRAMOR = 20000, COCP_PORCA1 = 2.5;
INSERT INTO ITEMS VALUES ('AVP001', 'Gallina ponedora', 'UND');
INSERT INTO ITEMS VALUES ('AVL001', 'Pollita de levante', 'UND');
INSERT INTO ITEMS VALUES ('HVA001', 'Huevo A', 'UND');
INSERT INTO ITEMS VALUES ('HVB001', 'Huevo B', 'UND');
INSERT INTO ITEMS VALUES ('ALP001', 'Alimento postura', 'KG');
INSERT INTO ITEMS VALUES ('ALL001', 'Alimento levante', 'KG');
INSERT INTO ITEMS VALUES ('VAC001', 'Vacuna 1', 'DOS');
INSERT INTO ITEMS VALUES ('VAC002', 'Vacuna 2', 'DOS');
INSERT INTO ITEMS VALUES ('OIN001', 'Desinfectante', 'LT');
INSERT INTO ITEMS VALUES ('MED001', 'Vitaminas', 'KG');
INSERT INTO BODEGAS VALUES (1, '01', 'Granja Pe)sql"
                        "\xF1"
                        R"sql(as Blancas - Galp)sql"
                        "\xF3"
                        R"sql(n 1');
INSERT INTO BODEGAS VALUES (2, '02', 'N)sql"
                        "\xFA"
                        R"sql(cleo El Tambo');
INSERT INTO MOVINVENTARIO VALUES (1, '2021-12-01', 1, 'EA', 1, 'AVP001', 'E', 1000, 16500000);
INSERT INTO MOVINVENTARIO VALUES (2, '2021-12-31', 1, 'SA', 1, 'AVP001', 'S', 20, 330000);
INSERT INTO MOVINVENTARIO VALUES (3, '2021-12-15', 1, 'SI', 1, 'VAC001', 'S', 1000, 200000);
INSERT INTO MOVINVENTARIO VALUES (4, '2022-01-01', 1, 'SA', 2, 'AVP001', 'S', 10, 165000);
INSERT INTO MOVINVENTARIO VALUES (5, '2022-01-20', 1, 'FV', 1, 'AVP001', 'S', 70, 665000);
INSERT INTO MOVINVENTARIO VALUES (6, '2022-01-05', 1, 'EA', 2, 'AVL001', 'E', 100, 1400000);
INSERT INTO MOVINVENTARIO VALUES (7, '2022-01-10', 1, 'EH', 1, 'HVA001', 'E', 20000, 7600000);
INSERT INTO MOVINVENTARIO VALUES (8, '2022-01-31', 1, 'EH', 2, 'HVB001', 'E', 4000, 1160000);
INSERT INTO MOVINVENTARIO VALUES (9, '2022-01-15', 1, 'CO', 1, 'HVA001', 'E', 1000, 380000);
INSERT INTO MOVINVENTARIO VALUES (10, '2022-01-25', 1, 'FV', 2, 'HVA001', 'S', 18000, 8100000);
INSERT INTO MOVINVENTARIO VALUES (11, '2022-01-02', 1, 'EA', 3, 'ALP001', 'E', 3500, 5250000);
INSERT INTO MOVINVENTARIO VALUES (12, '2022-01-16', 1, 'SI', 2, 'ALP001', 'S', 3000, 4500000);
INSERT INTO MOVINVENTARIO VALUES (13, '2022-01-16', 1, 'SI', 3, 'ALL001', 'S', 400, 640000);
INSERT INTO MOVINVENTARIO VALUES (14, '2022-01-10', 1, 'SI', 4, 'VAC002', 'S', 1000, 250000);
INSERT INTO MOVINVENTARIO VALUES (15, '2022-01-12', 1, 'SI', 5, 'OIN001', 'S', 10, 120000.50);
INSERT INTO MOVINVENTARIO VALUES (16, '2022-01-12', 1, 'SI', 6, 'MED001', 'S', 5, 99999);
INSERT INTO MOVINVENTARIO VALUES (17, '2022-02-01', 1, 'SA', 3, 'AVP001', 'S', 5, 82500);
INSERT INTO MOVINVENTARIO VALUES (18, '2022-02-01', 1, 'EH', 3, 'HVA001', 'E', 700, 266000);
INSERT INTO MOVINVENTARIO VALUES (19, '2021-12-01', 2, 'EA', 4, 'AVP001', 'E', 500, 8250000);
INSERT INTO COSTOSBODEGA VALUES (1, '2022-01-31', 1, 'MOD', 1800000);
INSERT INTO COSTOSBODEGA VALUES (2, '2022-01-31', 1, 'MOI', 600000);
INSERT INTO COSTOSBODEGA VALUES (3, '2022-01-01', 1, 'CIF', 350000);
INSERT INTO COSTOSBODEGA VALUES (4, '2022-01-31', 1, 'AMO', 200000);
INSERT INTO COSTOSBODEGA VALUES (5, '2021-12-31', 1, 'MOD', 999999);
INSERT INTO COSTOSBODEGA VALUES (6, '2022-02-01', 1, 'MOD', 777777);
INSERT INTO COSTOSBODEGA VALUES (7, '2021-12-31', 2, 'MOD', 500000);
INSERT INTO COSTOSBODEGA VALUES (8, '2022-02-28', 2, 'CIF', 100000);
)sql";

const char kJanuary[] = "select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')";

std::vector<std::string> Texts(const std::vector<std::optional<std::string>>& row) {
  std::vector<std::string> texts;
  for (const auto& value : row) texts.push_back(value ? *value : "<null>");
  return texts;
}

TEST(CompanyDatabase, ReportOfTheFixtureMatchesTheHandComputedRows) {
  TempFolder folder;
  const std::string path = folder.File("galvora.fdb");
  db::CreateCompanyDatabase(path);
  db::ExecuteScript(path, kFixture);

  const db::QueryResult result = db::QueryText(path, kJanuary);
  ASSERT_EQ(result.columns.size(), 22u);
  for (size_t i = 0; i < 22; ++i) EXPECT_EQ(result.columns[i], kReportColumns[i]);
  ASSERT_EQ(result.rows.size(), 2u);

  // 01: stock 1000 - 20 = 980 at the start; 10 out (SA), 70 sold, 100 pullets in: 1000 at the
  // end. Eggs 20000 + 4000 under EH over 990 birds * 31 days. Feed 3000 + 400 kg worth
  // 5,140,000. Amortisation 200,000 + 980 * 20,000 * 2.5%.
  const std::vector<std::string> first = {
      "01",
      "Granja Pe\xF1"
      "as Blancas - Galp\xF3"
      "n 1",
      "980.00",
      "10.00",
      "70.00",
      "1000.00",
      "1.02",  // 10 / 980 * 100 = 1.0204
      "24000.00",
      "78.20",  // 24000 * 100 / 30690 = 78.2014
      "3400.00",
      "141.67",   // 3,400,000 g / 24000 = 141.6667
      "110.79",   // 3,400,000 g / 30690 = 110.7853
      "1511.76",  // 5,140,000 / 3400 = 1511.7647
      "5140000.00",
      "250000.00",
      "120000.50",
      "690000.00",
      "1800000.00",
      "600000.00",
      "350000.00",
      "8950000.50",  // 5,140,000 + 250,000 + 120,000.50 + 690,000 + 1,800,000 + 600,000 + 350,000
      "372.92"};     // 8,950,000.50 / 24000 = 372.9167
  // 02: no movement and no cost in January: its December flock is both stocks, the bird
  // amortisation (500 * 20,000 * 2.5%) is its only cost, and every ratio with no eggs, no
  // feed or no exits is 0.
  const std::vector<std::string> second = {"02",
                                           "N\xFA"
                                           "cleo El Tambo",
                                           "500.00",
                                           "0.00",
                                           "0.00",
                                           "500.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "250000.00",
                                           "0.00",
                                           "0.00",
                                           "0.00",
                                           "250000.00",
                                           "0.00"};
  EXPECT_EQ(Texts(result.rows[0]), first);
  EXPECT_EQ(Texts(result.rows[1]), second);
}

// Configurations and periods that leave a divisor at zero or an item group undefined: every
// row still comes back, with 0 where a ratio has no base.
TEST(CompanyDatabase, ReportNeverFailsOnMissingBasesOrEmptyCodes) {
  struct Case {
    const char* name;
    const char* setup;
    const char* call;
    // Expected EXINIAVE, SALAVE, ENTHUEVO, RENDHUEVO, COSTOALM, VRALIM, COSTOUNIT of 01.
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"empty codes match no item",
       "UPDATE CONFIGURA_COSTOS_PROD SET COCP_CODAVE1 = '', COCP_CODAVE2 = NULL, "
       "COCP_CODHVO1 = ' ', COCP_CODHVO2 = '', COCP_CODINS1 = '', COCP_CODINS21 = ''",
       kJanuary,
       {"0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}},
      {"no configuration row",
       "DELETE FROM CONFIGURA_COSTOS_PROD",
       kJanuary,
       {"0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}},
      {"end before start",
       "",
       "select * from COSTOS_AVICOLA ('2022/01/31','2022/01/01')",
       {"970.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}},
      {"null dates",
       "",
       "select * from COSTOS_AVICOLA (NULL, NULL)",
       {"0.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}},
      {"a tiny divisor is kept within NUMERIC(15,2)",
       "UPDATE MOVINVENTARIO SET MOVI_CANTIDAD = 0.01 WHERE MOVI_ID = 7;"
       "DELETE FROM MOVINVENTARIO WHERE MOVI_ID = 8;"
       "UPDATE MOVINVENTARIO SET MOVI_VALOR = 999999999999 WHERE MOVI_ID = 15",
       kJanuary,
       {"980.00", "10.00", "0.01", "0.00", "5140000.00", "1511.76", "9999999999999.99"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string path = folder.File("galvora.fdb");
    db::CreateCompanyDatabase(path);
    db::ExecuteScript(path, kFixture);
    if (*c.setup) db::ExecuteScript(path, c.setup);
    const db::QueryResult result = db::QueryText(
        path, std::string("select EXINIAVE, SALAVE, ENTHUEVO, RENDHUEVO, COSTOALM, VRALIM, "
                          "COSTOUNIT from (") +
                  c.call + ") where CODBOD = '01'");
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(Texts(result.rows[0]), c.expected);
  }
}

TEST(CompanyDatabase, DeclaresTheReportAndConfigurationColumns) {
  TempFolder folder;
  const std::string path = folder.File("galvora.fdb");
  db::CreateCompanyDatabase(path);

  // Output parameters with their declared type, precision and scale (the report's fields
  // are read by name and need exact decimals of precision 15, scale 2).
  const db::QueryResult outputs =
      db::QueryText(path,
                    "select trim(p.RDB$PARAMETER_NAME), f.RDB$FIELD_TYPE, f.RDB$FIELD_PRECISION, "
                    "f.RDB$FIELD_SCALE, f.RDB$CHARACTER_LENGTH from RDB$PROCEDURE_PARAMETERS p "
                    "join RDB$FIELDS f on f.RDB$FIELD_NAME = p.RDB$FIELD_SOURCE "
                    "where p.RDB$PROCEDURE_NAME = 'COSTOS_AVICOLA' and p.RDB$PARAMETER_TYPE = 1 "
                    "order by p.RDB$PARAMETER_NUMBER");
  ASSERT_EQ(outputs.rows.size(), 22u);
  for (size_t i = 0; i < 22; ++i) {
    const std::vector<std::string> row = Texts(outputs.rows[i]);
    EXPECT_EQ(row[0], kReportColumns[i]);
    if (i < 2)
      EXPECT_EQ(row[1] + "/" + row[4], i == 0 ? "37/2" : "37/60");  // VARCHAR(2), VARCHAR(60)
    else
      EXPECT_EQ(row[1] + "/" + row[2] + "/" + row[3], "16/15/-2") << row[0];  // NUMERIC(15,2)
  }

  const db::QueryResult config = db::QueryText(
      path,
      "select trim(r.RDB$FIELD_NAME), f.RDB$FIELD_TYPE, f.RDB$FIELD_PRECISION, f.RDB$FIELD_SCALE, "
      "f.RDB$CHARACTER_LENGTH, coalesce(r.RDB$NULL_FLAG, 0) from RDB$RELATION_FIELDS r "
      "join RDB$FIELDS f on f.RDB$FIELD_NAME = r.RDB$FIELD_SOURCE "
      "where r.RDB$RELATION_NAME = 'CONFIGURA_COSTOS_PROD' order by r.RDB$FIELD_POSITION");
  const std::vector<std::string> expected = {
      "COCP_ID 8 0 0 <null> 1",         "COCP_CODAVE1 37 <null> 0 15 0",
      "COCP_CODAVE2 37 <null> 0 15 0",  "COCP_CODHVO1 37 <null> 0 15 0",
      "COCP_CODHVO2 37 <null> 0 15 0",  "COCP_CODINS1 37 <null> 0 15 0",
      "COCP_CODINS2 37 <null> 0 15 0",  "COCP_CODINS3 37 <null> 0 15 0",
      "COCP_CODINS21 37 <null> 0 15 0", "COCP_PREFEP 37 <null> 0 4 0",
      "COCP_PREFSA 37 <null> 0 4 0",    "COCP_VRAMOR 16 15 -2 <null> 0",
      "COCP_PORCA1 16 15 -4 <null> 0"};
  std::vector<std::string> actual;
  for (const auto& row : config.rows) {
    std::string line;
    for (const std::string& text : Texts(row)) line += (line.empty() ? "" : " ") + text;
    actual.push_back(line);
  }
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(db::QueryText(path, "select count(*) from CONFIGURA_COSTOS_PROD").rows[0][0], "1");
  EXPECT_EQ(db::QueryText(path, "select RDB$CHARACTER_SET_NAME from RDB$DATABASE")
                .rows[0][0]
                ->substr(0, 7),
            "WIN1252");
}

TEST(CompanyDatabase, CustomContentForTestsOfTheCallers) {
  TempFolder folder;
  // An empty database gets a procedure of its own: one column short of the report.
  const std::string bare = folder.File("bare.fdb");
  db::CompanyDatabaseOptions options;
  options.schema = false;
  db::CreateCompanyDatabase(bare, options);
  db::ExecuteScript(bare,
                    "SET TERM ^ ;\n"
                    "CREATE PROCEDURE COSTOS_AVICOLA (FECINI DATE, FECFIN DATE)\n"
                    "RETURNS (CODBOD VARCHAR(2)) AS BEGIN CODBOD = 'X;'; SUSPEND; END^\n"
                    "SET TERM ; ^\n");
  const db::QueryResult short_ = db::QueryText(bare, kJanuary);
  EXPECT_EQ(short_.columns, std::vector<std::string>{"CODBOD"});
  EXPECT_EQ(Texts(short_.rows.at(0)), std::vector<std::string>{"X;"});

  // The full schema without sample data returns no rows.
  const std::string empty = folder.File("empty.fdb");
  db::CreateCompanyDatabase(empty);
  EXPECT_TRUE(db::QueryText(empty, kJanuary).rows.empty());

  // An existing file is never overwritten.
  EXPECT_THROW(db::CreateCompanyDatabase(empty), db::DatabaseError);
  EXPECT_TRUE(db::QueryText(empty, kJanuary).rows.empty());
  // A failing script reports the database's message.
  try {
    db::ExecuteScript(empty, "SELECT NOPE FROM RDB$DATABASE");
    ADD_FAILURE() << "no error";
  } catch (const db::DatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("NOPE"), std::string::npos) << e.what();
  }
}

TEST(CompanyDatabase, SplitScriptFollowsTerminatorsQuotesAndComments) {
  struct Case {
    const char* script;
    std::vector<std::string> statements;
  };
  const Case cases[] = {
      {"A; B ;C", {"A", "B", "C"}},
      {" ; ;\n", {}},
      {"INSERT INTO T VALUES ('a;b', 'it''s;'); X",
       {"INSERT INTO T VALUES ('a;b', 'it''s;')", "X"}},
      {"SELECT \"A;B\" FROM T;", {"SELECT \"A;B\" FROM T"}},
      {"/* a; comment */ A; -- b;\nB;", {"A", "B"}},
      {"SET TERM ^ ;\nCREATE P AS BEGIN X; Y; END^\nSET TERM ; ^\nZ;",
       {"CREATE P AS BEGIN X; Y; END", "Z"}},
      {"set term !! ;\nA; B!!\nset term ; !!\nC;", {"A; B", "C"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(db::SplitScript(c.script), c.statements);
  }
}

}  // namespace
