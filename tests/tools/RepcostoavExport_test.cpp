// The batch exporter end to end: a demo installation made by galvora-demo, the tool run as a
// process, its exit statuses, messages and files.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <cmath>
#include <csignal>
#include <functional>
#include <thread>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/ReportFields.h"
#include "db/CompanyDatabase.h"
#include "tests/export/support/XlsReader.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int status = -1;
  std::string out, err;
};

std::string Bin(const std::string& name) {
  return std::string(std::getenv("GALVORA_BINARY_DIR")) + "/bin/" + name;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class BatchExport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new fs::path(fs::temp_directory_path() /
                           ("batch_export_" + std::to_string(::getpid())));
    fs::create_directories(*folder_);
    QProcess demo;
    demo.start(QString::fromStdString(Bin("galvora-demo")),
               {QString::fromStdString((*folder_ / "demo").string()), "--warehouses", "5",
                "--months", "1"});
    ASSERT_TRUE(demo.waitForFinished(120000));
    ASSERT_EQ(demo.exitCode(), 0) << demo.readAllStandardError().toStdString();
    // Company 002 has no warehouses, so no rows; company 003 gives a report of megabytes;
    // company 004 one that takes the database a while.
    for (const char* company : {"002", "003", "004"}) {
      fs::create_directories(*folder_ / "demo/datos" / company);
    }
    db::CreateCompanyDatabase((*folder_ / "demo/datos/002/galvora.fdb").string());
    db::CreateCompanyDatabase((*folder_ / "demo/datos/003/galvora.fdb").string(),
                              {.sample = db::SampleData{.warehouses = 500}});
    db::CreateCompanyDatabase((*folder_ / "demo/datos/004/galvora.fdb").string(),
                              {.sample = db::SampleData{.warehouses = 5000}});
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
  }

  // Runs the tool with the demo's registry and password; `fileSizeLimit` > 0 limits the size
  // of the files it may write.
  // `whileRunning` is called once the tool has started.
  RunResult Run(const QStringList& args, const char* password = "masterkey",
                long fileSizeLimit = 0,
                const std::function<void(QProcess&)>& whileRunning = nullptr) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QOR_REGISTRY", QString::fromStdString((*folder_ / "demo/registry.reg").string()));
    env.remove("GALVORA_PASSWORD");
    if (password) env.insert("GALVORA_PASSWORD", password);
    process.setProcessEnvironment(env);
    if (fileSizeLimit > 0) {
      process.setChildProcessModifier([fileSizeLimit] {
        struct rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      });
    }
    process.start(QString::fromStdString(Bin("repcostoav-export")), args);
    if (whileRunning) whileRunning(process);
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
  }

  QStringList Args(const fs::path& output, const char* from = "2022-01-01",
                   const char* to = "2022-01-31", const char* company = "001") {
    return {"--server", QString::fromStdString((*folder_ / "demo").string()), "--user", "SYSDBA",
            "--company", company, "--from", from, "--to", to, "--output",
            QString::fromStdString(output.string())};
  }

  // Files in the output folder other than the demo installation.
  std::vector<std::string> OutputFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(*folder_ / "out")) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  void SetUp() override {
    fs::remove_all(*folder_ / "out");
    fs::create_directories(*folder_ / "out");
  }

  static fs::path* folder_;
};

fs::path* BatchExport::folder_ = nullptr;

TEST_F(BatchExport, WritesEveryFormat) {
  const db::QueryResult rows =
      db::QueryText((*folder_ / "demo/datos/001/galvora.fdb").string(),
                    "select * from COSTOS_AVICOLA ('2022/01/01', '2022/01/31')");
  ASSERT_FALSE(rows.rows.empty());
  const size_t records = rows.rows.size();
  struct Case {
    const char* file;
    const char* starts;
  } cases[] = {
      {"Costos.txt", ""}, {"Costos.csv", "\""}, {"Costos.htm", "<!DOCTYPE HTML"},
      {"Costos.RTF", "{\\rtf0\\ansi\r\n{\\colortbl"}, {"Costos.xls", "\x09\x08"},
  };
  for (const Case& c : cases) {
    const fs::path output = *folder_ / "out" / c.file;
    const RunResult result = Run(Args(output));
    ASSERT_EQ(result.status, 0) << c.file << ": " << result.err;
    const std::string bytes = ReadFile(output);
    EXPECT_EQ(bytes.rfind(c.starts, 0), 0u) << c.file;
  }
  EXPECT_EQ(OutputFiles().size(), 5u);

  // Text: the title line, one line per record and the (empty) footer line.
  const std::string text = ReadFile(*folder_ / "out/Costos.txt");
  size_t lines = 1;
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++lines;
  EXPECT_EQ(lines, records + 2);
  EXPECT_EQ(text.substr(text.size() - 21), std::string(21, '\t'));

  // XLS read back by an independent record walker: the captions, and every number equal to
  // the procedure's value for the same row and column.
  const auto cells = XlsCells(ReadFile(*folder_ / "out/Costos.xls"));
  for (int c = 0; c < app::kReportFieldCount; ++c) {
    EXPECT_EQ(cells.at({0u, static_cast<unsigned>(c)}).Text, app::kReportFields[c].DisplayLabel);
  }
  for (size_t r = 0; r < records; ++r) {
    for (int c = 0; c < app::kReportFieldCount; ++c) {
      const std::string name = app::kReportFields[c].FieldName;
      size_t column = 0;
      while (column < rows.columns.size() && rows.columns[column] != name) ++column;
      ASSERT_LT(column, rows.columns.size()) << name;
      const auto& value = rows.rows[r][column];
      const XlsCell& cell = cells.at({static_cast<unsigned>(r + 1), static_cast<unsigned>(c)});
      if (!value) {
        EXPECT_EQ(cell.Type, XlsCell::Blank) << name;
      } else if (app::kReportFields[c].Size > 0) {
        std::string stored = *value;
        EXPECT_EQ(cell.Type, XlsCell::Label) << name;
        EXPECT_EQ(cell.Text, stored.erase(stored.find_last_not_of(' ') + 1)) << name;
      } else {
        EXPECT_EQ(cell.Type, XlsCell::Number) << name;
        EXPECT_NEAR(cell.Value, std::stod(*value), 1e-9) << name << " row " << r;
      }
    }
  }
  EXPECT_EQ(cells.at({static_cast<unsigned>(records + 1), 0u}).Text, "");
}

TEST_F(BatchExport, ExitStatusesAndMessages) {
  const fs::path output = *folder_ / "out" / "Costos.txt";
  // No rows: status 1, the report's message, no file.
  RunResult result = Run(Args(output, "2022-01-01", "2022-01-31", "002"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "No hay datos para el reporte.\n");
  EXPECT_TRUE(OutputFiles().empty());

  // Usage errors: status 2 and the usage text.
  const QStringList usage[] = {
      {"--server", "x"},
      Args(*folder_ / "out/Costos.pdf"),
      Args(output) << "--format" << "doc",
      Args(output) << "--password" << "masterkey",
      Args(output, "2022-02-30"),
  };
  for (const QStringList& args : usage) {
    result = Run(args);
    EXPECT_EQ(result.status, 2) << args.join(' ').toStdString();
    EXPECT_NE(result.err.find("usage: repcostoav-export"), std::string::npos);
  }
  result = Run(Args(output), nullptr);
  EXPECT_EQ(result.status, 2);

  // The password from a file; the format named explicitly wins over the extension.
  const fs::path passwordFile = *folder_ / "password";
  std::ofstream(passwordFile) << "masterkey\n";
  result = Run(Args(*folder_ / "out/report.data") << "--format" << "csv" << "--password-file"
                                                  << QString::fromStdString(passwordFile.string()),
               nullptr);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(*folder_ / "out/report.data").rfind("\"", 0), 0u);

  // A database error: status 3 with the driver's message, no file.
  fs::remove_all(*folder_ / "out");
  fs::create_directories(*folder_ / "out");
  QStringList missing = Args(output);
  missing[1] = QString::fromStdString((*folder_ / "nowhere").string());
  result = Run(missing);
  EXPECT_EQ(result.status, 3);
  EXPECT_FALSE(result.err.empty());
  EXPECT_TRUE(OutputFiles().empty());

  // An output folder that does not exist: status 3, "Cannot create file".
  result = Run(Args(*folder_ / "out/none/Costos.txt"));
  EXPECT_EQ(result.status, 3);
  EXPECT_NE(result.err.find("Cannot create file \""), std::string::npos) << result.err;
}

TEST_F(BatchExport, FullDiskLeavesTheFormerFileAndNoTemporary) {
  // A file size limit of 1.25 MiB: room for the database engine's 1 MiB lock files, not for
  // the report of 500 warehouses (about 1.5 MiB of HTML).
  const fs::path output = *folder_ / "out" / "Costos.htm";
  std::ofstream(output) << "former report";
  const RunResult result =
      Run(Args(output, "2022-01-01", "2022-01-31", "003"), "masterkey", 1280 * 1024);
  EXPECT_EQ(result.status, 3);
  EXPECT_NE(result.err.find("Stream write error"), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(output), "former report");
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"Costos.htm"});
}

TEST_F(BatchExport, AStopRequestLeavesTheFormerFileAndNoTemporary) {
  const fs::path output = *folder_ / "out" / "Costos.txt";
  std::ofstream(output) << "former report";
  bool signalled = false;
  const RunResult result =
      Run(Args(output, "2022-01-01", "2022-01-31", "004"), "masterkey", 0, [&](QProcess& tool) {
        // A file open in the output folder shows that the export is under way.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        const std::string out = (*folder_ / "out").string() + "/";
        while (!signalled && tool.state() != QProcess::NotRunning &&
               std::chrono::steady_clock::now() < deadline) {
          const fs::path fds = "/proc/" + std::to_string(tool.processId()) + "/fd";
          std::error_code ec;
          for (const auto& fd : fs::directory_iterator(fds, ec)) {
            if (fs::read_symlink(fd.path(), ec).string().rfind(out, 0) == 0) {
              signalled = ::kill(static_cast<pid_t>(tool.processId()), SIGTERM) == 0;
            }
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      });
  ASSERT_TRUE(signalled) << "the export ended before it could be stopped";
  EXPECT_EQ(result.status, 128 + SIGTERM) << result.err;
  EXPECT_NE(result.err.find("stopped"), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(output), "former report");
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"Costos.txt"});
}

}  // namespace
