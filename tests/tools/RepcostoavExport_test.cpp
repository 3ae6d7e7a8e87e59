// The batch exporter end to end: a demo installation made by galvora-demo, the tool run as a
// process, its exit statuses, messages and files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "db/CompanyDatabase.h"
#include "report/ReportFields.h"
#include "tests/app/support/PathNames.h"
#include "tests/export/support/XlsReader.h"
#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

using apptest::Listing;
using toolstest::Launch;
using toolstest::ReadFile;
using toolstest::RunResult;

class BatchExport : public toolstest::FolderSuite {
 protected:
  static void SetUpTestSuite() {
    MakeFolderWithDemo("batch_export", 5);
    if (HasFatalFailure()) return;
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

  // Runs repcostoav-export as `launch` says, with the demo's registry file.
  RunResult Start(Launch launch) {
    launch.program = "repcostoav-export";
    launch.registry = *folder_ / "demo/registry.reg";
    return toolstest::Run(launch);
  }

  // Runs the tool with the demo's registry and password; `fileSizeLimit` > 0 limits the size
  // of the files it may write.
  // `whileRunning` is called once the tool has started.
  RunResult Run(const QStringList& args, const char* password = "masterkey",
                long fileSizeLimit = 0,
                const std::function<void(QProcess&)>& whileRunning = nullptr) {
    return Start({.args = args,
                  .password = password,
                  .fileSizeLimit = fileSizeLimit,
                  .whileRunning = whileRunning});
  }

  QStringList Args(const fs::path& output, const char* from = "2022-01-01",
                   const char* to = "2022-01-31", const char* company = "001") {
    return toolstest::ExportArgs(*folder_ / "demo", output, company, from, to);
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
};

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
  for (int c = 0; c < report::kReportFieldCount; ++c) {
    EXPECT_EQ(cells.at({0u, static_cast<unsigned>(c)}).Text, report::kReportFields[c].DisplayLabel);
  }
  for (size_t r = 0; r < records; ++r) {
    for (int c = 0; c < report::kReportFieldCount; ++c) {
      const std::string name = report::kReportFields[c].FieldName;
      size_t column = 0;
      while (column < rows.columns.size() && rows.columns[column] != name) ++column;
      ASSERT_LT(column, rows.columns.size()) << name;
      const auto& value = rows.rows[r][column];
      const XlsCell& cell = cells.at({static_cast<unsigned>(r + 1), static_cast<unsigned>(c)});
      if (!value) {
        EXPECT_EQ(cell.Type, XlsCell::Blank) << name;
      } else if (report::kReportFields[c].Size > 0) {
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
      Args(*folder_ / "out/Costos.odt"),
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
  EXPECT_EQ(result.err, "Cannot write file \"" + output.string() +
                            "\". File too large (the file size limit, ulimit -f, is 1280 KiB).\n");
  EXPECT_EQ(ReadFile(output), "former report");
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"Costos.htm"});
}

// A workbook that meets the file size limit: the message names the file that could not be
// written (here the workbook's temporary rows) and why; nothing else reaches standard error.
TEST_F(BatchExport, AWorkbookOverTheFileSizeLimitSaysWhichFileAndWhy) {
  const fs::path output = *folder_ / "out" / "Costos.xlsx";
  std::ofstream(output) << "former report";
  const RunResult result =
      Run(Args(output, "2022-01-01", "2022-01-31", "004"), "masterkey", 1280 * 1024);
  const char* tmp = std::getenv("TMPDIR");
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.err, "Cannot write the workbook's temporary files in \"" +
                            std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                            "\". File too large (the file size limit, ulimit -f, is 1280 KiB).\n");
  EXPECT_EQ(ReadFile(output), "former report");
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"Costos.xlsx"});
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


// What a path is before and after a run: kind, owner, mode and bytes (a symlink's target's).
struct FileState {
  bool exists = false, link = false;
  mode_t mode = 0;
  uid_t uid = 0;
  gid_t gid = 0;
  std::string bytes;
  bool operator==(const FileState&) const = default;
};

FileState StateOf(const fs::path& path) {
  FileState state;
  struct stat info;
  state.link = ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
  if (::stat(path.c_str(), &info) != 0) return state;
  state.exists = true;
  state.mode = info.st_mode;
  state.uid = info.st_uid;
  state.gid = info.st_gid;
  if (S_ISREG(info.st_mode)) state.bytes = ReadFile(path);
  return state;
}

// A small file system for the engine's lock files, full from the start; nullopt where this
// process may not mount one.
class FullLockFolder {
 public:
  explicit FullLockFolder(const fs::path& folder) : folder_(folder) {
    fs::create_directories(folder_);
    mounted_ = ::geteuid() == 0 &&
               std::system(("mount -t tmpfs -o size=4k none '" + folder_.string() + "' 2>/dev/null")
                               .c_str()) == 0;
    if (mounted_) std::ofstream(folder_ / "fill") << std::string(4096, 'x');
  }
  ~FullLockFolder() {
    if (mounted_) std::system(("umount '" + folder_.string() + "'").c_str());
  }
  bool Mounted() const { return mounted_; }

 private:
  fs::path folder_;
  bool mounted_ = false;
};

// Each row: what FILE is, how the tool is started, and what must hold afterwards. A refused
// or failed run leaves FILE (kind, owner, mode, bytes) and its folder's listing exactly as
// they were; a written run puts the report in FILE's place with FILE's owner and mode, and
// adds nothing to the folder but FILE itself.
TEST_F(BatchExport, HostileTargetsLimitsAndOptions) {
  const fs::path out = *folder_ / "out";
  const fs::path database = *folder_ / "demo/datos/001/galvora.fdb";
  enum Outcome { Kept, Written };
  struct Case {
    const char* name;
    // Makes FILE (and anything beside it) and returns its path.
    std::function<fs::path()> setup;
    // Adjusts the launch for FILE.
    std::function<void(Launch&, const fs::path& file)> adjust;
    int status;
    // Text that standard error (standard output for --help) must hold, given FILE.
    std::function<std::string(const fs::path& file)> message;
    Outcome outcome;
    // The folder whose listing must not change (FILE's folder when empty).
    fs::path listed = {};
    // Anything else the row must show.
    std::function<void(const RunResult&)> also = nullptr;
  };
  const auto former = [&](const char* name) {
    return [&out, name] {
      std::ofstream(out / name, std::ios::binary) << "former report";
      return out / name;
    };
  };
  const auto none = [](Launch&, const fs::path&) {};
  const auto literal = [](std::string text) { return [text](const fs::path&) { return text; }; };
  const auto cannotCreate = [](std::string reason) {
    return [reason](const fs::path& file) {
      return "Cannot create file \"" + file.string() + "\". " + reason + "\n";
    };
  };
  const auto withArgs = [this](QStringList extra) {
    return [this, extra](Launch& launch, const fs::path& file) {
      launch.args = Args(file) + extra;
    };
  };
  const auto dates = [this](const char* from, const char* to) {
    return [this, from, to](Launch& launch, const fs::path& file) {
      launch.args = Args(file, from, to);
    };
  };
  FullLockFolder lockFolder(*folder_ / "locks");
  const auto fullTemporary = [&](Launch& launch, const fs::path&) {
    launch.env["TMPDIR"] = QString::fromStdString((*folder_ / "locks").string());
  };
  const auto noTemporary = [&](std::string rows) {
    return [&, rows](const fs::path&) {
      return "Cannot write the temporary file of " + rows + " in \"" +
             (*folder_ / "locks").string() + "\". No space left on device.\n";
    };
  };

  const Case cases[] = {
      {"an existing report is replaced", former("Costos.txt"), none, 0, literal(""), Written},
      {"the database being read", [&] { return database; },
       withArgs({"--format", "txt"}), 3, cannotCreate("It is the database being read."), Kept},
      {"standard output opened on the database being read (>> galvora.fdb)",
       [&] { return database; },
       [this](Launch& launch, const fs::path& file) {
         launch.args = Args("-") << "--format" << "csv";
         launch.standardOutput = QString::fromStdString(file.string());
         launch.appendStandardOutput = true;
       },
       3, literal("Cannot write standard output. It is the database being read.\n"), Kept},
      {"the database being read, named through this machine's host name",
       [&] { return database; },
       [this](Launch& launch, const fs::path& file) {
         char host[256] = {};
         ::gethostname(host, sizeof host - 1);
         launch.args = toolstest::ExportArgs(std::string(host) + ":" + (*folder_ / "demo").string(),
                                             file);
         launch.args << "--format" << "txt";
       },
       3, cannotCreate("It is the database being read."), Kept},
      {"a device", [] { return fs::path("/dev/null"); }, withArgs({"--format", "txt"}), 3,
       cannotCreate("It is not a regular file."), Kept, out},
      {"a FIFO does not hold up the run",
       [&] {
         ::mkfifo((out / "pipe.txt").c_str(), 0644);
         return out / "pipe.txt";
       },
       none, 3, cannotCreate("It is not a regular file."), Kept},
      {"a folder",
       [&] {
         fs::create_directories(out / "Costos.txt");
         return out / "Costos.txt";
       },
       none, 3, cannotCreate("Is a directory"), Kept},
      {"a symlink: its target is replaced and the link stays",
       [&] {
         fs::create_directories(out / "real");
         std::ofstream(out / "real/Costos.txt") << "former report";
         fs::create_symlink("real/Costos.txt", out / "link.txt");
         return out / "link.txt";
       },
       none, 0, literal(""), Written},
      {"another user's file keeps its owner and mode",
       [&] {
         std::ofstream(out / "ajeno.txt") << "former report";
         ::chmod((out / "ajeno.txt").c_str(), 0604);
         if (::geteuid() == 0) ::chown((out / "ajeno.txt").c_str(), 4321, 4322);
         return out / "ajeno.txt";
       },
       none, 0, literal(""), Written},
      {"a hard link: the name gets the report, the other name keeps the former bytes",
       [&] {
         std::ofstream(out / "backup.txt") << "former report";
         fs::create_hard_link(out / "backup.txt", out / "Costos.txt");
         return out / "Costos.txt";
       },
       none, 0, literal(""), Written, {},
       [&out](const RunResult&) { EXPECT_EQ(ReadFile(out / "backup.txt"), "former report"); }},
      {"a name of 255 bytes", [&] { return out / (std::string(251, 'n') + ".txt"); }, none, 0,
       literal(""), Written},
      {"a folder that does not exist", [&] { return out / "none/Costos.txt"; }, none, 3,
       cannotCreate("No such file or directory"), Kept, out},
      {"--output - writes to standard output", [&] { return out / "-"; },
       [this, &out](Launch& launch, const fs::path&) {
         launch.args = Args("-") << "--format" << "csv";
         launch.workingFolder = QString::fromStdString(out.string());
       },
       0, literal(""), Kept, {},
       [](const RunResult& result) { EXPECT_EQ(result.out.rfind("\"Bodega\";", 0), 0u); }},
      {"a file size limit below the engine's lock files", former("Costos.txt"),
       [](Launch& launch, const fs::path&) { launch.fileSizeLimit = 512 * 1024; }, 3,
       literal("the file size limit (ulimit -f) of 512 KiB is below the 1 MiB the database "
               "engine needs for its lock files.\n"),
       Kept},
      {"an address space limit of 150000 KiB", former("Costos.txt"),
       [](Launch& launch, const fs::path&) { launch.addressSpaceLimit = 150000L * 1024; }, 3,
       literal("out of memory: the address space limit (ulimit -v) of 150000 KiB leaves "), Kept},
      {"a full lock folder", former("Costos.txt"),
       [&](Launch& launch, const fs::path&) {
         launch.env["FIREBIRD_LOCK"] = QString::fromStdString((*folder_ / "locks").string());
       },
       3,
       [&](const fs::path&) {
         return "no space for the database engine's lock files in " +
                (*folder_ / "locks").string() + " (0 KiB free).\n";
       },
       Kept},
      // HTML, RTF and PDF keep their rows in a temporary file until the column widths are
      // known: a full $TMPDIR ends the run naming that file and why.
      {"a full temporary folder (HTML)", former("Costos.htm"), fullTemporary, 3,
       noTemporary("the report's rows"), Kept},
      {"a full temporary folder (RTF)", former("Costos.RTF"), fullTemporary, 3,
       noTemporary("the report's rows"), Kept},
      {"a full temporary folder (PDF)", former("Costos.pdf"), fullTemporary, 3,
       noTemporary("the printed rows"), Kept},
      {"--password-file naming a folder", former("Costos.txt"),
       [this, &out](Launch& launch, const fs::path& file) {
         launch.args = Args(file) << "--password-file" << QString::fromStdString(out.string());
         launch.password = nullptr;
       },
       3,
       [&out](const fs::path&) {
         return "Cannot read the password file \"" + out.string() + "\". Is a directory\n";
       },
       Kept},
      {"--help", former("Costos.txt"), withArgs({"--help"}), 0, literal("usage: repcostoav-export"),
       Kept},
      {"--from after --to", former("Costos.txt"), dates("2022-02-01", "2022-01-31"), 2,
       literal("--from 2022-02-01 is after --to 2022-01-31\n"), Kept},
      {"a date with spaces", former("Costos.txt"), dates("2022- 1- 1", "2022-01-31"), 2,
       literal("--from: not a date of the form YYYY-MM-DD: 2022- 1- 1\n"), Kept},
      {"a date with signs", former("Costos.txt"), dates("2022-01-01", "2022-+1-+1"), 2,
       literal("--to: not a date of the form YYYY-MM-DD: 2022-+1-+1\n"), Kept},
      {"QOR_REGISTRY naming a folder", former("Costos.txt"),
       [this, &out](Launch& launch, const fs::path& file) {
         launch.args = Args(file);
         launch.env["QOR_REGISTRY"] = QString::fromStdString(out.string());
       },
       3,
       [&out](const fs::path&) {
         return "Cannot read the registry file \"" + out.string() + "\". Is a directory\n";
       },
       Kept},
      {"SIGKILL during the export leaves nothing beside FILE", former("Costos.txt"),
       [this, &out](Launch& launch, const fs::path& file) {
         launch.args = Args(file, "2022-01-01", "2022-01-31", "004");
         launch.whileRunning = [&out](QProcess& tool) {
           // The new file open in FILE's folder shows that the export is under way.
           const std::string prefix = out.string() + "/";
           const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
           while (tool.state() != QProcess::NotRunning &&
                  std::chrono::steady_clock::now() < deadline) {
             std::error_code ec;
             const fs::path fds = "/proc/" + std::to_string(tool.processId()) + "/fd";
             for (const auto& fd : fs::directory_iterator(fds, ec)) {
               if (fs::read_symlink(fd.path(), ec).string().rfind(prefix, 0) == 0) {
                 ::kill(static_cast<pid_t>(tool.processId()), SIGKILL);
                 return;
               }
             }
             std::this_thread::sleep_for(std::chrono::milliseconds(1));
           }
         };
       },
       -1, literal(""), Kept},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    // AddressSanitizer reserves more address space than any such limit allows; only a
    // privileged process can mount the full folder (for the lock files or temporary files).
    bool skip = std::string(c.name).rfind("a full ", 0) == 0 && !lockFolder.Mounted();
#if defined(__SANITIZE_ADDRESS__)
    skip = skip || std::string(c.name).find("address space") != std::string::npos;
#endif
    if (skip) {
      std::printf("row skipped here: %s\n", c.name);
      continue;
    }
    const fs::path file = c.setup();
    const fs::path listed = c.listed.empty() ? file.parent_path() : c.listed;
    const FileState before = StateOf(file);
    const auto listing = [&listed] {
      return fs::exists(listed) ? Listing(listed) : std::vector<std::string>{};
    };
    std::vector<std::string> listingBefore = listing();
    Launch launch{.args = Args(file)};
    c.adjust(launch, file);
    const RunResult result = Start(launch);

    EXPECT_EQ(result.status, c.status) << result.err;
    const std::string expected = c.message(file);
    const std::string& shown = c.name == std::string("--help") ? result.out : result.err;
    EXPECT_NE(shown.find(expected), std::string::npos) << shown;
    const FileState after = StateOf(file);
    const std::vector<std::string> listingAfter = listing();
    if (c.also) c.also(result);
    if (c.outcome == Kept) {
      EXPECT_EQ(after, before);
      EXPECT_EQ(listingAfter, listingBefore);
      continue;
    }
    // Written: the report (its title row) in FILE's place, FILE's kind, owner and mode kept.
    EXPECT_EQ(after.bytes.rfind("Bodega", 0), 0u) << after.bytes.substr(0, 40);
    EXPECT_EQ(after.link, before.link);
    if (before.exists) {
      EXPECT_EQ(after.mode, before.mode);
      EXPECT_EQ(after.uid, before.uid);
      EXPECT_EQ(after.gid, before.gid);
    }
    if (!before.exists) listingBefore.push_back(file.filename().string());
    std::sort(listingBefore.begin(), listingBefore.end());
    EXPECT_EQ(listingAfter, listingBefore);
  }
}

}  // namespace
