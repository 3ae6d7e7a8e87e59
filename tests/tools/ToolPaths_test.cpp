// Folder and file names with accented letters, the euro sign and Cyrillic letters through the
// tools, started as processes under the "C" locale as a scheduled job would start them:
// galvora-demo's installation, the batch exporter's database and output file, and the
// messages that name a file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "db/CompanyDatabase.h"
#include "platform/Cp1252.h"
#include "tests/app/support/PathNames.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int status = -1;
  std::string err;
};

QString Q(const std::string& utf8) { return QString::fromUtf8(utf8.c_str()); }

RunResult RunTool(const std::string& tool, const QStringList& args, const fs::path& registry = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("LC_ALL", "C");
  env.remove("LANG");
  env.insert("GALVORA_PASSWORD", "masterkey");
  if (!registry.empty()) env.insert("QOR_REGISTRY", Q(registry.string()));
  process.setProcessEnvironment(env);
  process.start(Q(std::string(std::getenv("GALVORA_BINARY_DIR")) + "/bin/" + tool), args);
  EXPECT_TRUE(process.waitForFinished(120000));
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardError().toStdString()};
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// How a message of the program that names `path` reads on standard error: the name in the
// program's text (characters Windows-1252 lacks as '?'), written out as UTF-8.
std::string Shown(const std::string& path) {
  return platform::Cp1252ToUtf8(platform::FileNameText(path));
}

TEST(ToolPaths, DemoAndBatchExportUnderAccentedAndCyrillicNames) {
  const fs::path root = fs::temp_directory_path() / ("tool_paths_" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  for (const apptest::PathNames& names : apptest::kPathNames) {
    SCOPED_TRACE(names.folder);
    const fs::path folder = root / names.folder;
    RunResult demo =
        RunTool("galvora-demo", {Q(folder.string()), "--warehouses", "2", "--months", "1"});
    ASSERT_EQ(demo.status, 0) << demo.err;
    EXPECT_EQ(apptest::Listing(folder),
              (std::vector<std::string>{"SERVIDORES.cfg", "datos", "registry.reg"}));
    EXPECT_EQ(ReadFile(folder / "SERVIDORES.cfg"), folder.string() + "\r\n");
    // A second company whose folder name is accented too.
    fs::create_directories(folder / "datos" / names.company);
    db::CreateCompanyDatabase((folder / "datos" / names.company / "galvora.fdb").string(),
                              {.sample = db::SampleData{.warehouses = 2}});

    const fs::path registry = folder / "registry.reg";
    for (const char* company : {"001", names.company}) {
      const fs::path output = folder / (std::string(names.file) + "." + company + ".xls");
      RunResult run =
          RunTool("repcostoav-export",
                  {"--server", Q(folder.string()), "--user", "SYSDBA", "--company", Q(company),
                   "--from", "2022-01-01", "--to", "2022-01-31", "--output", Q(output.string())},
                  registry);
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_TRUE(fs::is_regular_file(output)) << output;
    }
    std::vector<std::string> expected = {std::string(names.file) + ".001.xls",
                                         std::string(names.file) + "." + names.company + ".xls",
                                         "SERVIDORES.cfg", "datos", "registry.reg"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(apptest::Listing(folder), expected);

    // Messages name the file once converted, never its UTF-8 bytes read as Windows-1252.
    const fs::path missing = folder / "no" / (std::string(names.file) + ".csv");
    RunResult noFolder =
        RunTool("repcostoav-export",
                {"--server", Q(folder.string()), "--user", "SYSDBA", "--company", "001", "--from",
                 "2022-01-01", "--to", "2022-01-31", "--output", Q(missing.string())},
                registry);
    EXPECT_EQ(noFolder.status, 3);
    EXPECT_EQ(noFolder.err, "Cannot create file \"" + Shown(missing.string()) +
                                "\". No such file or directory\n");
    RunResult noCompany =
        RunTool("repcostoav-export",
                {"--server", Q(folder.string()), "--user", "SYSDBA", "--company", "none", "--from",
                 "2022-01-01", "--to", "2022-01-31", "--output", Q((folder / "x.csv").string())},
                registry);
    EXPECT_EQ(noCompany.status, 3);
    EXPECT_NE(noCompany.err.find("for file \"" +
                                 Shown(folder.string() + "/datos/none/galvora.fdb") + "\""),
              std::string::npos)
        << noCompany.err;
    const fs::path noPassword = folder / (std::string(names.file) + ".txt");
    RunResult password =
        RunTool("repcostoav-export",
                {"--server", Q(folder.string()), "--user", "SYSDBA", "--company", "001", "--from",
                 "2022-01-01", "--to", "2022-01-31", "--output", Q((folder / "x.csv").string()),
                 "--password-file", Q(noPassword.string())},
                registry);
    EXPECT_EQ(password.status, 3);
    EXPECT_EQ(password.err, "Cannot read the password file \"" + Shown(noPassword.string()) +
                                "\". No such file or directory\n");
  }
  fs::remove_all(root);
}

}  // namespace
