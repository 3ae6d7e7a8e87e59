// The batch exporter against a company database served by the Firebird server on loopback,
// run as a process: a server entry in --server, the server stopped, hostile arguments.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <memory>

#include "db/CompanyDatabase.h"
#include "tests/app/support/PathNames.h"
#include "tests/server/support/ServedCompanyTest.h"
#include "tests/server/support/ServerSupport.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int status = -1;
  std::string err;
};

class ServerExport : public servertest::ServedCompanyTest {
 protected:
  void SetUp() override {
    ServedCompanyTest::SetUp();
    if (IsSkipped()) return;
    registry = company->Folder() + "/registry.reg";
    std::ofstream(registry, std::ios::binary)
        << "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"
           "\"sShortDate\"=\"yyyy/MM/dd\"\r\n\"sDate\"=\"/\"\r\n";
    output = fs::temp_directory_path() / ("server_export_" + std::to_string(::getpid()));
    fs::create_directories(output);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!output.empty()) fs::remove_all(output, ignored);
  }

  // Runs the tool for January 2022 into output/Costos.csv; `change` edits the arguments.
  // `whileRunning`, when given, runs once the process has started.
  RunResult Export(const std::string& password,
                   const std::function<void(QStringList&)>& change = nullptr,
                   const std::function<void()>& whileRunning = nullptr) {
    QStringList args = {"--server",  QString::fromStdString(company->ServerEntry()),
                        "--user",    "SYSDBA",
                        "--company", "001",
                        "--from",    "2022-01-01",
                        "--to",      "2022-01-31",
                        "--output",  QString::fromStdString((output / "Costos.csv").string())};
    if (change) change(args);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QOR_REGISTRY", QString::fromStdString(registry));
    env.insert("GALVORA_PASSWORD", QString::fromStdString(password));
    process.setProcessEnvironment(env);
    process.start(QString::fromStdString(std::string(std::getenv("GALVORA_BINARY_DIR")) +
                                         "/bin/repcostoav-export"),
                  args);
    EXPECT_TRUE(process.waitForStarted());
    if (whileRunning) whileRunning();
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardError().toStdString()};
  }
  // The names in the output folder (temporary files included).
  std::vector<std::string> OutputFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(output)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  std::string registry;
  fs::path output;
};

TEST_F(ServerExport, AServerEntryExportsAndTheServerChecksThePassword) {
  RunResult refused = Export("not-" + settings.password);
  EXPECT_EQ(refused.status, 3);
  EXPECT_NE(refused.err.find("Your user name and password are not defined"), std::string::npos)
      << refused.err;
  EXPECT_TRUE(OutputFiles().empty());

  RunResult written = Export(settings.password);
  ASSERT_EQ(written.status, 0) << written.err;
  ASSERT_EQ(OutputFiles(), std::vector<std::string>{"Costos.csv"});
  EXPECT_GT(fs::file_size(output / "Costos.csv"), 0u);
}

// The server opens accented and Cyrillic folders by the UTF-8 names the exporter gives it.
TEST_F(ServerExport, AccentedAndCyrillicServerFoldersExport) {
  for (const apptest::PathNames& names : apptest::kPathNames) {
    SCOPED_TRACE(names.folder);
    company = std::make_unique<servertest::ServedCompany>(settings, 2, names.folder);
    EXPECT_NE(company->ServerEntry().find(names.folder), std::string::npos);
    fs::remove(output / "Costos.csv");
    const RunResult result = Export(settings.password);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(fs::is_regular_file(output / "Costos.csv"));
  }
}

TEST_F(ServerExport, TheServerStoppedExitsThreeWithTheMessageAndLeavesNoFile) {
  if (geteuid() != 0) GTEST_SKIP() << "stopping and starting the server needs root";
  ASSERT_EQ(servertest::ControlServer(settings, "stop"), 0);
  RunResult stopped = Export(settings.password);
  ASSERT_EQ(servertest::ControlServer(settings, "start"), 0) << "the server did not come back";
  EXPECT_EQ(stopped.status, 3);
  EXPECT_NE(stopped.err.find("Error"), std::string::npos) << stopped.err;
  EXPECT_TRUE(OutputFiles().empty());

  RunResult back = Export(settings.password);
  EXPECT_EQ(back.status, 0) << back.err;
}

TEST_F(ServerExport, TheServerStoppedDuringTheReportExitsThreeAndLeavesNoFile) {
  if (geteuid() != 0) GTEST_SKIP() << "stopping and starting the server needs root";
  // A report that keeps the server busy until it is stopped, its rows coming while it works.
  std::string outputs = "CODBOD varchar(2), NOMBOD varchar(60)", values;
  for (const char* name : {"EXINIAVE", "SALAVE", "VTAAVE", "EXFINAVE", "PORSALAVE", "ENTHUEVO",
                           "RENDHUEVO", "SALALIM", "GRAMHUEVO", "GRAMAVE", "VRALIM", "COSTOALM",
                           "VACUNAS", "OTROSINS", "AMORTIZA", "MANOBDIR", "MANOBIND",
                           "INDIRECTOS", "TOTCOSTO", "COSTOUNIT"}) {
    outputs += std::string(", ") + name + " numeric(15,2)";
    values += std::string(name) + " = I / 3.0; ";
  }
  db::ExecuteScript(company->Database(),
                    "set term ^ ;\ncreate or alter procedure COSTOS_AVICOLA (FECINI date, "
                    "FECFIN date)\nreturns (" + outputs + ")\n"
                    "as declare variable I integer = 0; begin\n"
                    "  while (I < 2000000000) do begin I = I + 1;\n"
                    "    if (mod(I, 200) = 0) then begin CODBOD = mod(I, 99);\n"
                    "      NOMBOD = 'Bodega ' || I; " + values + "suspend; end end\n"
                    "end^\nset term ; ^\n",
                    "SYSDBA", settings.password);
  bool restarted = false;
  const auto started = std::chrono::steady_clock::now();
  RunResult stopped = Export(settings.password, nullptr, [&] {
    // Wait until the exporter's statement runs on the server (bounded), then stop it.
    const std::string running =
        "select count(*) from MON$STATEMENTS where MON$STATE = 1 and "
        "MON$ATTACHMENT_ID <> current_connection";
    for (int tries = 0; tries < 300; ++tries) {
      const auto result = db::QueryText(company->Database(), running, "SYSDBA", settings.password);
      if (result.rows.at(0).at(0).value_or("0") != "0") break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(servertest::ControlServer(settings, "stop"), 0);
    restarted = servertest::ControlServer(settings, "start") == 0;
  });
  const auto waited = std::chrono::steady_clock::now() - started;
  ASSERT_TRUE(restarted) << "the server did not come back";
  EXPECT_EQ(stopped.status, 3) << stopped.err;
  EXPECT_NE(stopped.err.find("SQL Server Error: "), std::string::npos) << stopped.err;
  EXPECT_EQ(stopped.err.find("not found"), std::string::npos) << stopped.err;
  EXPECT_LT(waited, std::chrono::seconds(90));
  EXPECT_TRUE(OutputFiles().empty());
}

// Hostile arguments: each exits with a clear message and the given status, writes no file and
// runs nothing but the report's own statement.
TEST_F(ServerExport, HostileArgumentsGiveAClearErrorAndNoHarm) {
  const struct {
    const char* option;
    std::string value;
    int status;
    const char* message;
  } cases[] = {
      {"--company", "001' or '1'='1; delete from CONFIGURA_COSTOS_PROD; --", 3, "I/O error"},
      {"--company", "../../../../etc/passwd", 3, "I/O error"},
      {"--server", std::string(10000, 'A'), 3, "Error"},
      {"--server", "\x01\xFF\x1B[2J\xC3\x28", 3, "Error"},
      {"--from", "2022-01-01'); delete from CONFIGURA_COSTOS_PROD; --", 2, "not a date"},
      {"--to", "2022-01-31','2022-01-31'); delete from CONFIGURA_COSTOS_PROD", 2, "not a date"},
      {"--user", "SYSDBA' or '1'='1", 3, "Your user name and password are not defined"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.value.substr(0, 60));
    RunResult result = Export(settings.password, [&](QStringList& args) {
      const int at = static_cast<int>(args.indexOf(c.option));
      args[at + 1] = QString::fromLatin1(c.value.data(), static_cast<int>(c.value.size()));
    });
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    EXPECT_TRUE(OutputFiles().empty());
    EXPECT_EQ(ConfigurationRows(), 1);
  }
}

}  // namespace
