// repcostoav-export: the poultry cost report without a display, for scheduled jobs. It runs the
// window's data module, result set, report grid and writers, so the file holds the bytes the
// window's F4 export writes for the same rows.
//
// Exit status: 0 written; 1 no rows; 2 usage error; 3 database or file error; 128 + the signal
// number when a stop request (SIGTERM, SIGINT, SIGHUP) ended it before FILE was put in place.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <malloc.h>
#include <sys/resource.h>

#include <QApplication>
#include <QPageLayout>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/SqlExpr.h"
#include "export/DBGridEhSource.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "platform/EngineLimits.h"
#include "platform/EngineStop.h"
#include "platform/Fonts.h"
#include "platform/LocalDatabaseFile.h"
#include "platform/ProcessSecrets.h"
#include "platform/ProgramInfo.h"
#include "platform/ReplacementFile.h"
#include "platform/ResourceLimits.h"
#include "platform/StandardDescriptors.h"
#include "platform/StopRequests.h"
#include "print/ReportOutput.h"
#include "print/ReportPages.h"
#include "print/SpooledExportSource.h"
#include "report/Comparison.h"
#include "report/ComparisonExport.h"
#include "report/ComparisonPrint.h"
#include "report/ComparisonText.h"
#include "report/ReportColumnFit.h"
#include "report/ReportFields.h"
#include "report/ReportPrint.h"
#include "report/ReportSource.h"
#include "report/SaveSelection.h"
#include "report/dm.h"

namespace {

constexpr int kWritten = 0;
constexpr int kNoRows = 1;
constexpr int kUsage = 2;
constexpr int kFailed = 3;

constexpr int kRowsPerPacket = 1000;

// --output - writes the report to standard output.
const char kStandardOutput[] = "-";

// The report grid's size in the window at its start size: the client area of Panel3
// (1420 x 504 less its 1-pixel bevel on each side) less the navigator bar (18).
constexpr int kGridWidth = 1418;
constexpr int kGridHeight = 484;

const char kUsageText[] =
    "usage: repcostoav-export --server FOLDER --user USER --company CODE\n"
    "                         --from YYYY-MM-DD --to YYYY-MM-DD --output FILE\n"
    "                         [--format txt|csv|htm|rtf|xls|xlsx|pdf] [--password-file FILE]\n"
    "                         [--paper a4|letter|legal|a3|a5] [--orientation landscape|portrait]\n"
    "                         [--compare previous|year|YYYY-MM-DD:YYYY-MM-DD]\n"
    "       repcostoav-export --help | --version\n"
    "FILE - writes the report to standard output (give --format).\n"
    "Paper and orientation apply to pdf (default a4, landscape).\n"
    "--compare adds the comparison with the previous period of the same length, the same\n"
    "dates a year earlier or the dates given: a sheet \"Comparativo\" in xlsx; a file\n"
    "STEM-comparativo.EXT beside FILE in csv and txt; pages and a chart after the report's\n"
    "in pdf.\n"
    "The password is read from --password-file (its first line) or from the environment\n"
    "variable GALVORA_PASSWORD.\n"
    "Exit status: 0 written, 1 no rows, 2 usage error, 3 database or file error,\n"
    "128 + the signal number when stopped by SIGTERM, SIGINT or SIGHUP before FILE\n"
    "was put in place (FILE then stays as it was).\n";

class UsageError {
 public:
  explicit UsageError(std::string text) : text_(std::move(text)) {}
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

struct Options {
  std::string server, user, company, output, passwordFile;
  TDateTime from = 0, to = 0;
  std::optional<report::TComparisonPeriods> compare;  // --compare
  int filterIndex = 0;  // the save dialog's entry: 1 txt ... 5 xls, 6 xlsx, or kPdf
  QPageLayout page = TReportPages::DefaultPageLayout();
};

// The PDF format, printed pages rather than a save-dialog entry.
constexpr int kPdf = 100;
// The save dialog's entries whose files hold the grid's column widths.
constexpr int kHtml = 3;
constexpr int kRtf = 4;
constexpr int kText = 1;
constexpr int kCsv = 2;
constexpr int kXlsx = 6;

// `text` in lower case (ASCII letters): names of formats, papers and orientations are taken
// in any case alike.
std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The save dialog's entry of an extension or format name (case-insensitive), 0 when none.
int FormatIndex(const std::string& text) {
  const std::string name = Lowered(text);
  if (name == "pdf") return kPdf;
  for (int index = 1; index <= kSaveFormatCount; ++index) {
    if (SaveExtension(index) == name) return index;
  }
  return 0;
}

// A date of exactly the form YYYY-MM-DD, digits only (no signs or spaces).
TDateTime ParseDate(const std::string& option, const std::string& text) {
  bool digits = text.size() == 10 && text[4] == '-' && text[7] == '-';
  for (size_t i = 0; digits && i < text.size(); ++i) {
    digits = i == 4 || i == 7 || (text[i] >= '0' && text[i] <= '9');
  }
  TDateTime date = 0;
  if (!digits || !TryEncodeDate(std::stoi(text.substr(0, 4)), std::stoi(text.substr(5, 2)),
                                std::stoi(text.substr(8, 2)), date)) {
    throw UsageError(option + ": not a date of the form YYYY-MM-DD: " + text);
  }
  return date;
}

// The periods --compare names for the report period of `options`: "previous", "year" (in any
// case) or FROM:TO.
report::TComparisonPeriods ParseCompare(const std::string& text, const Options& options) {
  const std::string word = Lowered(text);
  try {
    if (word == "previous" || word == "year") {
      return report::ComparisonPeriods(options.from, options.to,
                                       word == "year" ? report::TReferenceKind::Year
                                                      : report::TReferenceKind::Previous);
    }
  } catch (const std::exception&) {
    throw UsageError("--compare " + text + ": the reference period falls before the year 1");
  }
  const size_t colon = text.find(':');
  if (colon == std::string::npos) {
    throw UsageError("--compare: previous, year or FROM:TO (YYYY-MM-DD:YYYY-MM-DD), not " + text);
  }
  const TDateTime from = ParseDate("--compare", text.substr(0, colon));
  const TDateTime to = ParseDate("--compare", text.substr(colon + 1));
  if (from > to) {
    throw UsageError("--compare: " + text.substr(0, colon) + " is after " +
                     text.substr(colon + 1));
  }
  return report::ComparisonPeriods(options.from, options.to, report::TReferenceKind::Dates, from,
                                   to);
}

// Why --compare cannot go with the chosen format and output, "" when it can: the workbook
// takes a sheet, the text formats a file beside FILE.
std::string CompareRefusal(const Options& options) {
  switch (options.filterIndex) {
    case kXlsx:
      return {};
    case kText:
    case kCsv:
      if (options.output != kStandardOutput) return {};
      return "--compare: csv and txt write the comparison beside FILE; give --output FILE";
    case kPdf:  // the comparison's pages and chart follow the report's
      return {};
    default:
      return "--compare: not available for " + SaveExtension(options.filterIndex) +
             "; use xlsx, csv, txt or pdf";
  }
}

// Raised for --help: the usage goes to standard output and the program ends with status 0.
struct HelpRequest {};

Options ParseArguments(const std::vector<std::string>& args) {
  Options options;
  std::map<std::string, std::string> values;
  static const char* const kNames[] = {"--server", "--user",   "--company",      "--from",
                                       "--to",     "--output", "--format", "--password-file",
                                       "--paper",  "--orientation", "--compare"};
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") throw HelpRequest();
  }
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i], value;
    const size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      throw UsageError(name + ": missing value");
    }
    if (name == "--password") {
      throw UsageError("--password: the password is not taken from the command line; use "
                       "--password-file or GALVORA_PASSWORD");
    }
    bool known = false;
    for (const char* candidate : kNames) known = known || name == candidate;
    if (!known) throw UsageError("unknown option: " + name);
    if (values.count(name)) throw UsageError(name + ": given twice");
    values[name] = value;
  }
  for (const char* required : {"--server", "--user", "--company", "--from", "--to", "--output"}) {
    if (values[required].empty()) throw UsageError(std::string(required) + ": required");
  }
  options.server = values["--server"];
  options.user = values["--user"];
  options.company = values["--company"];
  options.output = values["--output"];
  options.passwordFile = values["--password-file"];
  options.from = ParseDate("--from", values["--from"]);
  options.to = ParseDate("--to", values["--to"]);
  if (options.from > options.to) {
    throw UsageError("--from " + values["--from"] + " is after --to " + values["--to"]);
  }
  if (values.count("--format")) {
    options.filterIndex = FormatIndex(values["--format"]);
    if (options.filterIndex == 0) throw UsageError("--format: unknown format " + values["--format"]);
  } else {
    const std::string& file = options.output;
    const size_t dot = file.rfind('.');
    const size_t slash = file.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
      options.filterIndex = FormatIndex(file.substr(dot + 1));
    }
    if (options.filterIndex == 0 && file == kStandardOutput) {
      throw UsageError("--output -: give --format");
    }
    if (options.filterIndex == 0) {
      throw UsageError("--output: cannot tell the format from the extension of " + file +
                       "; give --format");
    }
  }
  if (values.count("--paper") || values.count("--orientation")) {
    if (options.filterIndex != kPdf) throw UsageError("--paper, --orientation: only for pdf");
    if (values.count("--paper")) {
      const std::optional<QPageSize::PageSizeId> paper = PaperByName(values["--paper"]);
      if (!paper) throw UsageError("--paper: unknown paper " + values["--paper"]);
      options.page.setPageSize(QPageSize(*paper));
    }
    if (values.count("--orientation")) {
      const std::string orientation = Lowered(values["--orientation"]);
      if (orientation != "landscape" && orientation != "portrait") {
        throw UsageError("--orientation: landscape or portrait, not " + values["--orientation"]);
      }
      options.page.setOrientation(orientation == "portrait" ? QPageLayout::Portrait
                                                            : QPageLayout::Landscape);
    }
  }
  if (values.count("--compare")) {
    options.compare = ParseCompare(values["--compare"], options);
    if (const std::string refusal = CompareRefusal(options); !refusal.empty()) {
      throw UsageError(refusal);
    }
  }
  return options;
}

// The password from the file's first line, else from GALVORA_PASSWORD. The file may be a
// pipe (a shell's process substitution); a folder is refused, and so is a first line longer
// than any password, so that a file without line ends (a device) is not read for ever.
std::string ReadPassword(const Options& options) {
  if (!options.passwordFile.empty()) {
    const std::string& name = options.passwordFile;
    const auto fail = [&name](const std::string& reason) {
      // The name and the system's error text are UTF-8; the message is the program's text.
      return platform::Exception("Cannot read the password file \"" + platform::FileNameText(name) +
                                 "\". " + platform::FileNameText(reason));
    };
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw fail(std::strerror(errno));
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
      ::close(fd);
      throw fail(std::strerror(EISDIR));
    }
    constexpr size_t kLongest = 4096;
    std::string line;
    char c = 0;
    ssize_t got = 0;
    while (line.size() <= kLongest && (got = ::read(fd, &c, 1)) != 0) {
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        const int error = errno;
        ::close(fd);
        throw fail(std::strerror(error));
      }
      if (c == '\n') break;
      line += c;
    }
    ::close(fd);
    if (line.size() > kLongest) throw fail("Its first line is longer than any password.");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
  if (const char* password = std::getenv("GALVORA_PASSWORD")) return password;
  throw UsageError("no password: give --password-file or set GALVORA_PASSWORD");
}

// A stop request ends the run at once: FILE stays as it was, no temporary file stays beside it,
// and the process ends with status 128 + the signal number, as a process the signal ended would.
// A request that comes once the new FILE is in place (the last step) cannot undo it: the run
// says so and ends with status 0, FILE written. The message goes straight to the descriptor:
// the workbook writer quiets the stdio stream while the library closes a workbook.
void StopNow(int signal) {
  // The engine ends its work first: the process never ends inside one of its calls.
  platform::ShutDownEngine();
  const std::string placed = platform::ReplacementFile::DiscardUnfinished();
  if (!placed.empty()) {
    ::dprintf(STDERR_FILENO, "repcostoav-export: stopped (%s) after \"%s\" was written in full\n",
              strsignal(signal), placed.c_str());
    std::_Exit(kWritten);
  }
  ::dprintf(STDERR_FILENO, "repcostoav-export: stopped (%s)\n", strsignal(signal));
  std::_Exit(128 + signal);
}

// What the run is doing, for messages about failures that do not say it themselves (out of
// memory, a failed write): "writing "/srv/Costos.xls"".
std::string doing = "starting";

// FILE checked before the database is opened, so that a FILE that cannot be written costs no
// database work: it must not be the database itself (standard output included, which a shell
// may have opened on it), and must be a file that can be replaced.
void CheckTarget(const std::string& output, const std::string& databaseName) {
  const std::string database = platform::LocalDatabaseFile(databaseName);
  struct stat read;
  const bool databaseFound = !database.empty() && ::stat(database.c_str(), &read) == 0;
  const auto isDatabase = [&](const struct stat& target) {
    return databaseFound && target.st_dev == read.st_dev && target.st_ino == read.st_ino;
  };
  struct stat target;
  if (output == kStandardOutput) {
    if (::fstat(STDOUT_FILENO, &target) == 0 && isDatabase(target)) {
      throw platform::Exception("Cannot write standard output. It is the database being read.");
    }
    return;
  }
  if (::stat(output.c_str(), &target) == 0 && isDatabase(target)) {
    throw EFCreateError(platform::FormatMessage("Cannot create file \"%s\". %s",
                                                {output, "It is the database being read."}));
  }
  platform::ReplacementFile probe(output);
}

// The embedded engine's failures under resource limits come out as crashes or unrelated errors
// (a wrong password): limits that make it fail for certain are refused before the database is
// opened, a crash while the database is in use ends the run with a message naming the limit,
// and a database error raised under a tight limit names it too.
class DatabaseWork {
 public:
  explicit DatabaseWork(const std::string& databaseName)
      : limits_(platform::CheckEngineLimits(databaseName)) {
    if (!limits_.refusal.empty()) throw platform::Exception(limits_.refusal);
    guard_.emplace("The export from the database \"" + databaseName + "\" crashed (%s)" +
                       (limits_.suspicion.empty() ? "" : "; likely cause: " + limits_.suspicion) +
                       ".",
                   kFailed);
  }
  // Adds the likely cause to a database error, when a limit is tight or the error is a file
  // grown past the file size limit.
  std::string Explain(const std::string& message) const {
    const std::string fileSize = platform::FileSizeLimitCause(message);
    return platform::WithLikelyCause(message, fileSize.empty() ? limits_.suspicion : fileSize);
  }

 private:
  platform::EngineLimitCheck limits_;
  std::optional<platform::CrashGuard> guard_;
};

// Writes the report's printed pages as a PDF, followed by the comparison's pages and chart
// when there is one: to FILE, put in place when complete, or to standard output.
void WritePdf(TDBGridEh& grid, const Options& options, bool toStandardOutput,
              const report::TComparison* comparison) {
  // The header shows the names given on the command line (file-system bytes) as text.
  const TReportHeading heading = report::ReportHeading(
      platform::FileNameToQString(options.company).toStdString(),
      platform::FileNameToQString(options.server).toStdString(), options.from, options.to);
  // The report's rows come once, forward only, and wait for their pages in a temporary file.
  TReportPages report(grid, report::ReportPrintSpec(heading), TPrintRows::Spooled);
  std::optional<report::TComparisonPrintLines> lines;
  std::optional<TComparisonPages> compared;
  std::vector<TPageSet*> sets{&report};
  if (comparison != nullptr) {
    lines.emplace(*comparison);
    compared.emplace(*lines,
                     report::ComparisonPrintSpec(*comparison, heading.Company, heading.Server));
    sets.push_back(&*compared);
  }
  TPageSequence pages(std::move(sets));
  pages.SetPageLayout(options.page);
  if (!toStandardOutput) return SaveReportPdf(pages, options.output);
  TFileStream out(STDOUT_FILENO);
  WriteReportPdf(pages, out);
  out.Close();
}

// Writes the report's workbook with the sheet "Comparativo": to FILE, or to standard output.
void WriteWorkbookWithComparison(TDBGridEh& grid, const report::TComparison& comparison,
                                 const Options& options, const TExportDocumentInfo& info) {
  if (options.output != kStandardOutput) {
    return report::ExportReportWorkbookToFile(grid, comparison, options.output, info);
  }
  TFileStream out(STDOUT_FILENO);
  report::ExportReportWorkbookToStream(grid, comparison, out, info);
  out.Close();
}

// The rows a one-pass writer reads. HTML and RTF take the column widths the window gives its
// columns after a calculation, from every row's text: their rows are read once, measured as
// they come and kept in a temporary file until the columns are fitted and the rows written.
std::unique_ptr<IExportGrid> RowsToWrite(const Options& options, TDBGridEh& grid) {
  if (options.filterIndex != kHtml && options.filterIndex != kRtf) {
    return std::make_unique<TDBGridEhExportSource>(grid);
  }
  report::TColumnNeedMeter meter(grid);
  auto rows = std::make_unique<TSpooledExportSource>(
      grid, "the report's rows",
      [&](size_t position, const TExportCellParams& cell) { meter.Add(position, cell.Text); });
  // As the window fits them after a calculation: the warehouse name gives way first.
  report::FitColumnsToNeeds(grid, meter.Needs(), "NOMBOD", 20);
  return rows;
}

// Writes the selected report to FILE, or to standard output for "-".
void WriteReport(const Options& options, TDBGridEh& grid,
                 const report::TComparison* comparison) {
  const TDBGridEhExportClass exporterClass = SaveExporterClass(options.filterIndex);
  const bool toStandardOutput = options.output == kStandardOutput;
  const std::string shown = toStandardOutput ? "standard output" : "\"" + options.output + "\"";
  // The company code is file-system bytes (UTF-8); the document's texts are Windows-1252, as
  // the window gives them.
  const TExportDocumentInfo info = report::ReportDocumentInfo(
      platform::FileNameText(options.company), options.from, options.to);
  // A failure in the PDF step (its own pass over the rows and the pages) says so.
  doing = (options.filterIndex == kPdf ? "writing the PDF to " : "writing ") + shown;
  try {
    if (options.filterIndex == kPdf) {
      WritePdf(grid, options, toStandardOutput, comparison);
    } else if (comparison != nullptr && options.filterIndex == kXlsx) {
      WriteWorkbookWithComparison(grid, *comparison, options, info);
    } else {
      const std::unique_ptr<IExportGrid> rows = RowsToWrite(options, grid);
      if (toStandardOutput) {
        TFileStream out(STDOUT_FILENO);
        ExportGridToStream(exporterClass, *rows, out, false, info);
        out.Close();
      } else {
        ExportGridToFile(exporterClass, *rows, options.output, false, info);
      }
    }
    if (comparison != nullptr && options.filterIndex != kXlsx && options.filterIndex != kPdf) {
      const std::string file = report::ComparisonFileName(options.output);
      doing = "writing \"" + file + "\"";
      report::SaveComparisonText(*comparison, file, options.filterIndex == kCsv);
    }
  } catch (const EWriteError& e) {
    std::string reason = e.Error() != 0 ? std::strerror(e.Error()) : e.Message();
    const auto limit = platform::SoftLimit(RLIMIT_FSIZE);
    if (e.Error() == EFBIG && limit) {
      reason += " (the file size limit, ulimit -f, is " + std::to_string(*limit / 1024) + " KiB)";
    }
    // A writer that names what failed (the workbook's temporary files) is taken at its word.
    const std::string what =
        !e.What().empty() ? e.What() : toStandardOutput ? shown : "file " + shown;
    throw platform::Exception("Cannot write " + what + ". " + reason + ".");
  } catch (const EMemoryStreamError&) {
    throw std::bad_alloc();
  }
}

// Reads the report from the open connection and writes it.
int ReadAndWrite(const Options& options, Tfdm& dataModule, const std::string& databaseName,
                 const report::TComparison* comparison) {
  dataModule.Galvora->Open();

  report::TReportSource reportSource(dataModule);
  TClientDataSet& report = reportSource.Report();
  // The rows come in packets that the export walk asks for as it reaches them, so that the
  // file is written while the database still computes the later rows. The rows and the bytes
  // are the window's; only the window's preview needs them all at once.
  report.SetPacketRecords(kRowsPerPacket);
  // The one-pass formats write each row once, in order: the rows already written need not
  // stay, so memory holds one packet whatever the report's size. The PDF, HTML and RTF read
  // their rows once too, keeping their cells in a temporary file while their column widths
  // are worked out from every row.
  report.SetUniDirectional(true);
  TDataSource source(&report);

  TDBGridEh grid;
  grid.setObjectName("DBGridEh2");
  report::SetupReportGrid(grid, &source);
  grid.resize(kGridWidth, kGridHeight);
  // Shown on the off-screen platform only, so that the grid lays out at its size.
  grid.setAttribute(Qt::WA_DontShowOnScreen);
  grid.show();

  doing = "reading the report from \"" + databaseName + "\"";
  // The rows also come while the file is written: a failure then is one of reading them.
  const std::string reading = doing;
  std::string writing;
  report.BeforeGetRecords = [&](TDataSet&) { writing = std::exchange(doing, reading); };
  report.AfterGetRecords = [&](TDataSet&) { doing = writing; };
  report.SetCommandText(report::ReportCommandText(options.from, options.to));
  report.Open();
  if (report.IsEmpty()) {
    std::fputs("No hay datos para el reporte.\n", stderr);
    report.Close();
    return kNoRows;
  }
  grid.Selection().SelectEverything();
  WriteReport(options, grid, comparison);
  report.Close();
  return kWritten;
}

int Run(const Options& options, const std::string& password) {
  const std::string databaseName = report::ReportDatabaseName(options.server, options.company);
  doing = "checking \"" + options.output + "\"";
  CheckTarget(options.output, databaseName);
  if (options.compare && options.filterIndex != kXlsx && options.filterIndex != kPdf) {
    CheckTarget(report::ComparisonFileName(options.output), databaseName);
  }

  Tfdm dataModule;
  TSQLConnection& connection = *dataModule.Galvora;
  connection.Params().SetValue("Database", databaseName);
  connection.Params().SetValue("User_Name", options.user);
  connection.Params().SetValue("password", password);
  doing = "opening the database \"" + databaseName + "\"";
  const DatabaseWork work(databaseName);
  try {
    std::optional<report::TComparison> comparison;
    if (options.compare) {
      doing = "comparing the periods in \"" + databaseName + "\"";
      comparison = report::RunComparison(databaseName, options.user, password, *options.compare);
      // A reference period without rows is said, and the comparison written with its blanks.
      const std::string empty = report::ComparisonEmptyMessage(*comparison);
      if (comparison->Totals.InNow && !empty.empty()) {
        std::fprintf(stderr, "%s\n", platform::Cp1252ToUtf8(empty).c_str());
      }
    }
    return ReadAndWrite(options, dataModule, databaseName, comparison ? &*comparison : nullptr);
  } catch (const EDatabaseError& e) {
    throw platform::Exception(work.Explain(e.Message()));
  } catch (const EOleException& e) {
    throw platform::Exception(work.Explain(e.Message()));
  }
}

// Writes a failure's message and gives the failure status. Messages carry paths as the file
// system's bytes and texts of the database in Windows-1252: only the latter are converted.
int Failed(const std::string& message) {
  // A failure a stop request caused (a cancelled statement) is not one to report.
  platform::AwaitStopIfRequested();
  const std::string text =
      platform::IsValidUtf8(message) ? message : platform::Cp1252ToUtf8(message);
  std::fprintf(stderr, "%s\n", text.c_str());
  return kFailed;
}

int Export(int argc, char** argv);

}  // namespace

int main(int argc, char** argv) {
  // Before any library opens a file: descriptors 0-2 are never the engine's lock files.
  platform::OpenStandardDescriptors();
  // The password is held for the whole run.
  platform::KeepSecretsFromDumps();
  const int status = Export(argc, argv);
  platform::AwaitStopIfRequested();
  return status;
}

namespace {

int Export(int argc, char** argv) {
  if (std::optional<int> status = platform::AnswerInfoRequest(argc, argv, "repcostoav-export"))
    return *status;
  // Under an address space limit one allocation arena: each further one reserves 64 MiB of
  // address space, which would leave the limit's effect to chance.
  if (platform::SoftLimit(RLIMIT_AS)) mallopt(M_ARENA_MAX, 1);
  try {
    platform::TakeStopRequests(StopNow);
  } catch (const std::exception& e) {
    return Failed(std::string("repcostoav-export: cannot start a thread: ") + e.what() +
                  platform::AddressSpaceLimitText() + ".");
  }
  std::vector<std::string> args(argv + 1, argv + argc);
  Options options;
  std::string password;
  try {
    options = ParseArguments(args);
    password = ReadPassword(options);
  } catch (const HelpRequest&) {
    std::fputs(kUsageText, stdout);
    return std::fflush(stdout) == 0 ? kWritten : kFailed;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "repcostoav-export: %s\n%s", e.Text().c_str(), kUsageText);
    return kUsage;
  } catch (const platform::Exception& e) {
    return Failed(e.Message());
  }

  // A file size limit must end the export with a write error, not kill the process; a closed
  // pipe on standard output likewise.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
  // The report grid is a widget: it is laid out off screen, never shown.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Standard error carries the report's own messages only; Qt's notices are dropped.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
  });
  try {
    QApplication application(argc, argv);
    platform::RegisterFontSubstitutions();
    return Run(options, password);
  } catch (const platform::Exception& e) {
    return Failed(e.Message());
  } catch (const std::bad_alloc&) {
    return Failed(platform::OutOfMemoryMessage(doing));
  } catch (const std::exception& e) {
    return Failed("Failed while " + doing + ": " + e.what() + ".");
  }
}

}  // namespace
