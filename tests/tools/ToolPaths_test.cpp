// Folder and file names with accented letters, the euro sign and Cyrillic letters through the
// tools, started as processes under the "C" locale as a scheduled job would start them:
// galvora-demo's installation, the batch exporter's database and output file, and the
// messages that name a file.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "db/CompanyDatabase.h"
#include "platform/Cp1252.h"
#include "tests/app/support/PathNames.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

using toolstest::ExportArgs;
using toolstest::ReadFile;
using toolstest::RunResult;

QString Q(const std::string& utf8) { return QString::fromUtf8(utf8.c_str()); }

// Runs a tool under the "C" locale, as a scheduled job would.
RunResult RunTool(const std::string& tool, const QStringList& args, const fs::path& registry = {}) {
  return toolstest::Run({.program = tool,
                         .args = args,
                         .registry = registry,
                         .env = {{"LC_ALL", "C"}},
                         .unset = {"LANG"}});
}

// How a message of the program that names `path` reads on standard error: the name in the
// program's text (characters Windows-1252 lacks as '?'), written out as UTF-8.
std::string Shown(const std::string& path) {
  return platform::Cp1252ToUtf8(platform::FileNameText(path));
}

TEST(ToolPaths, DemoAndBatchExportUnderAccentedAndCyrillicNames) {
  const fs::path root = toolstest::FreshFolder("tool_paths");
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
      RunResult run = RunTool("repcostoav-export", ExportArgs(folder, output, company), registry);
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
    RunResult noFolder = RunTool("repcostoav-export", ExportArgs(folder, missing), registry);
    EXPECT_EQ(noFolder.status, 3);
    EXPECT_EQ(noFolder.err, "Cannot create file \"" + Shown(missing.string()) +
                                "\". No such file or directory\n");
    RunResult noCompany =
        RunTool("repcostoav-export", ExportArgs(folder, folder / "x.csv", "none"), registry);
    EXPECT_EQ(noCompany.status, 3);
    EXPECT_NE(noCompany.err.find("for file \"" +
                                 Shown(folder.string() + "/datos/none/galvora.fdb") + "\""),
              std::string::npos)
        << noCompany.err;
    const fs::path noPassword = folder / (std::string(names.file) + ".txt");
    RunResult password =
        RunTool("repcostoav-export",
                ExportArgs(folder, folder / "x.csv") << "--password-file" << Q(noPassword.string()),
                registry);
    EXPECT_EQ(password.status, 3);
    EXPECT_EQ(password.err, "Cannot read the password file \"" + Shown(noPassword.string()) +
                                "\". No such file or directory\n");
  }
  fs::remove_all(root);
}

}  // namespace
