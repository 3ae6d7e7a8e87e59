// galvora-demo: the installation folder it writes, the demo report it answers, its refusals,
// and the generator's determinism.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <QProcess>
#include <chrono>
#include <cmath>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "db/CompanyDatabase.h"
#include "platform/Registry.h"

namespace {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "galvora-demo-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

struct DemoRun {
  int status;
  std::string errors;
};

// Runs galvora-demo with the given arguments (already quoted for the shell).
DemoRun RunDemo(const std::string& arguments, const fs::path& scratch) {
  // The tools are built beside the test programs, in <build>/bin.
  const std::string program =
      (fs::read_symlink("/proc/self/exe").parent_path() / "galvora-demo").string();
  const fs::path errors = scratch / "stderr.txt";
  const std::string command =
      "'" + program + "' " + arguments + " >/dev/null 2>'" + errors.string() + "'";
  const int status = std::system(command.c_str());
  DemoRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(errors)};
  fs::remove(errors);
  return run;
}

int64_t Cents(const std::optional<std::string>& text) {
  return std::llround(std::stod(text.value()) * 100);
}

const char kJanuary[] = "select * from COSTOS_AVICOLA ('2022/01/01','2022/01/31')";

TEST(GalvoraDemo, WritesTheInstallationFolderAndAPlausibleReport) {
  TempFolder scratch;
  const fs::path folder = scratch.Path() / "demo";
  ASSERT_EQ(RunDemo("'" + folder.string() + "' --warehouses 4 --months 2 --seed 7", scratch.Path())
                .status,
            0);

  EXPECT_EQ(ReadFile(folder / "SERVIDORES.cfg"), folder.string() + "\r\n");
  EXPECT_EQ(ReadFile(folder / "registry.reg"),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n"
            "\"Directorio\"=\"" +
                folder.string() +
                "\"\r\n\r\n"
                "[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"
                "\"sShortDate\"=\"yyyy/MM/dd\"\r\n\"sDate\"=\"/\"\r\n"
                "\"sDecimal\"=\".\"\r\n\"sThousand\"=\",\"\r\n");

  // The program's registry reader finds the folder and the short date picture in it.
  const platform::RegistryFile registry =
      platform::RegistryFile::Load((folder / "registry.reg").string());
  EXPECT_EQ(registry.ReadString(platform::RegistryRoot::LocalMachine,
                                "\\Software\\Qor\\Galvora2025", "Directorio"),
            folder.string());
  EXPECT_EQ(registry.ReadString(platform::RegistryRoot::CurrentUser, "Control Panel\\International",
                                "sShortDate"),
            "yyyy/MM/dd");

  const std::string database = (folder / "datos" / "001" / "galvora.fdb").string();
  const db::QueryResult report = db::QueryText(database, kJanuary);
  ASSERT_EQ(report.columns.size(), 22u);
  ASSERT_EQ(report.rows.size(), 4u);
  for (size_t i = 0; i < report.rows.size(); ++i) {
    const auto& row = report.rows[i];
    SCOPED_TRACE(*row[0]);
    EXPECT_EQ(*row[0], "0" + std::to_string(i + 1));
    EXPECT_NE(row[1]->find("Galp\xF3n"), std::string::npos);  // Windows-1252 o with acute
    const int64_t start = Cents(row[2]), out = Cents(row[3]), sold = Cents(row[4]),
                  end = Cents(row[5]);
    EXPECT_GT(start, 0);
    EXPECT_EQ(end, start - out - sold);  // no pullets enter in the first month
    EXPECT_GT(out, 0);
    EXPECT_GT(Cents(row[6]), 0);  // % out
    EXPECT_LT(Cents(row[6]), 200);
    const double yield = std::stod(*row[8]), gramsPerBird = std::stod(*row[11]);
    EXPECT_GT(yield, 70);
    EXPECT_LT(yield, 95);
    EXPECT_GT(gramsPerBird, 100);
    EXPECT_LT(gramsPerBird, 125);
    int64_t items = 0;
    for (size_t c = 13; c <= 19; ++c) items += Cents(row[c]);  // COSTOALM .. INDIRECTOS
    EXPECT_EQ(Cents(row[20]), items);
    EXPECT_NEAR(std::stod(*row[21]), std::stod(*row[20]) / std::stod(*row[7]), 0.006);
  }

  // February follows on from January: its start stock is January's end stock.
  const db::QueryResult february =
      db::QueryText(database, "select EXINIAVE from COSTOS_AVICOLA ('2022/02/01','2022/02/28')");
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(february.rows[i][0], report.rows[i][5]);
}

TEST(GalvoraDemo, RefusesBadArgumentsAndAnExistingDatabase) {
  TempFolder scratch;
  const std::string folder = "'" + (scratch.Path() / "demo").string() + "'";
  struct Case {
    std::string arguments;
    const char* message;
  };
  const Case refused[] = {
      {"", "no folder given"},
      {folder + " --warehouses", "--warehouses needs a value"},
      {folder + " --warehouses 0", "invalid value for --warehouses"},
      {folder + " --months x", "invalid value for --months"},
      {folder + " --seed -1", "invalid value for --seed"},
      {folder + " --colour red", "unknown option --colour"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.arguments);
    const DemoRun run = RunDemo(c.arguments, scratch.Path());
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
  }
  EXPECT_FALSE(fs::exists(scratch.Path() / "demo"));

  ASSERT_EQ(RunDemo(folder + " --warehouses 1 --months 1", scratch.Path()).status, 0);
  const fs::path database = scratch.Path() / "demo" / "datos" / "001" / "galvora.fdb";
  const auto written = fs::last_write_time(database);
  const DemoRun again = RunDemo(folder + " --warehouses 2 --months 1", scratch.Path());
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.errors.find("already exists"), std::string::npos) << again.errors;
  EXPECT_EQ(fs::last_write_time(database), written);
  EXPECT_EQ(db::QueryText(database.string(), "select count(*) from BODEGAS").rows[0][0], "1");
}

// A run that ends before the database is complete, by a stop request, a file size limit or
// SIGKILL: nothing named galvora.fdb is left, a stop request ends it with 128 + the signal,
// and the next run builds the installation (removing what a killed run left).
TEST(GalvoraDemo, AnUnfinishedRunLeavesNoDatabaseThatLooksFinished) {
  TempFolder scratch;
  const fs::path folder = scratch.Path() / "demo";
  const fs::path datos = folder / "datos" / "001";
  const std::string program =
      (fs::read_symlink("/proc/self/exe").parent_path() / "galvora-demo").string();
  const auto building = [&datos] {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(datos, error)) {
      if (entry.path().filename().string().rfind("galvora.fdb.unfinished.", 0) == 0 &&
          entry.file_size(error) > 0) {
        return true;
      }
    }
    return false;
  };
  struct Case {
    const char* name;
    int signal;        // sent once the database is being built; 0 for none
    long fileSize;     // bytes, 0 for no limit
    int status;        // -1: killed by the signal
    const char* message;
  } cases[] = {
      {"SIGTERM", SIGTERM, 0, 128 + SIGTERM, "galvora-demo: stopped (Terminated)"},
      {"SIGINT", SIGINT, 0, 128 + SIGINT, "galvora-demo: stopped (Interrupt)"},
      {"SIGHUP", SIGHUP, 0, 128 + SIGHUP, "galvora-demo: stopped (Hangup)"},
      {"a file size limit of 2 MiB", 0, 2 << 20, 1, "File too large"},
      {"a file size limit below the engine's lock files", 0, 512 << 10, 1,
       "the file size limit (ulimit -f) of 512 KiB is below the 1 MiB the database engine needs"},
      {"SIGKILL", SIGKILL, 0, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder);
    QProcess demo;
    const long fileSize = c.fileSize;
    demo.setChildProcessModifier([fileSize] {
      if (fileSize == 0) return;
      struct rlimit limit{static_cast<rlim_t>(fileSize), static_cast<rlim_t>(fileSize)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    demo.start(QString::fromStdString(program),
               {QString::fromStdString(folder.string()), "--warehouses", "300", "--months", "24"});
    ASSERT_TRUE(demo.waitForStarted());
    if (c.signal != 0) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      while (!building() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      ASSERT_TRUE(building());
      ASSERT_EQ(::kill(static_cast<pid_t>(demo.processId()), c.signal), 0);
    }
    ASSERT_TRUE(demo.waitForFinished(120000));
    const int status = demo.exitStatus() == QProcess::NormalExit ? demo.exitCode() : -1;
    EXPECT_EQ(status, c.status);
    const std::string errors = demo.readAllStandardError().toStdString();
    EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(datos / "galvora.fdb"));
    if (c.signal != SIGKILL) {
      EXPECT_TRUE(!fs::exists(datos) || fs::is_empty(datos));
    }
  }
  // The rerun after SIGKILL removes the killed run's database and builds its own.
  ASSERT_EQ(RunDemo("'" + folder.string() + "' --warehouses 1 --months 1", scratch.Path()).status,
            0);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(datos)) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"galvora.fdb"});
  EXPECT_EQ(db::QueryText((datos / "galvora.fdb").string(), "select count(*) from BODEGAS")
                .rows[0][0],
            "1");
}

TEST(GalvoraDemo, DefaultMonthsReachTheCurrentMonth) {
  TempFolder scratch;
  ASSERT_EQ(RunDemo("'" + scratch.Path().string() + "' --warehouses 1", scratch.Path()).status, 0);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char first[16];
  std::strftime(first, sizeof first, "%Y/%m/01", &local);
  const db::QueryResult current =
      db::QueryText((scratch.Path() / "datos" / "001" / "galvora.fdb").string(),
                    std::string("select ENTHUEVO from COSTOS_AVICOLA ('") + first +
                        "', dateadd(month, 1, cast('" + first + "' as date)) - 1)");
  ASSERT_EQ(current.rows.size(), 1u);
  EXPECT_GT(std::stod(current.rows[0][0].value()), 1000);
}

TEST(SampleData, SameSeedSameRowsAndWarehousesIndependentOfTheirNumber) {
  TempFolder scratch;
  auto report = [&](const std::string& name, uint64_t seed, int warehouses) {
    const std::string path = (scratch.Path() / name).string();
    db::CompanyDatabaseOptions options;
    options.sample = db::SampleData{seed, warehouses, 3};
    db::CreateCompanyDatabase(path, options);
    return db::QueryText(path, "select * from COSTOS_AVICOLA ('2022/01/01','2022/03/31')").rows;
  };
  const auto a = report("a.fdb", 5, 3);
  const auto b = report("b.fdb", 5, 3);
  const auto wider = report("c.fdb", 5, 5);
  const auto other = report("d.fdb", 6, 3);
  EXPECT_EQ(a, b);
  ASSERT_EQ(wider.size(), 5u);
  EXPECT_EQ(std::vector(wider.begin(), wider.begin() + 3), a);
  EXPECT_NE(other, a);

  // Filling an existing database continues the warehouse ids; past 99 the two-character
  // codes take letters.
  const std::string path = (scratch.Path() / "a.fdb").string();
  db::FillSampleData(path, 5, 98, 1);
  const db::QueryResult codes = db::QueryText(
      path, "select BODE_CODIGO from BODEGAS where BODE_ID in (4, 99, 100, 101) order by BODE_ID");
  std::vector<std::optional<std::string>> column;
  for (const auto& row : codes.rows) column.push_back(row[0]);
  EXPECT_EQ(column, (std::vector<std::optional<std::string>>{"04", "99", "0A", "0B"}));
}

}  // namespace
