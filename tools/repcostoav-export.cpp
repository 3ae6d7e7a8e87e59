// repcostoav-export: the poultry cost report without a display, for scheduled jobs. It runs the
// window's data module, result set, report grid and writers, so the file holds the bytes the
// window's F4 export writes for the same rows.
//
// Exit status: 0 written; 1 no rows; 2 usage error; 3 database or file error; 128 + the signal
// number when a stop request (SIGTERM, SIGINT, SIGHUP) ended it.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ReportFields.h"
#include "app/SaveSelection.h"
#include "app/dm.h"
#include "data/DBClient.h"
#include "data/DateText.h"
#include "data/Provider.h"
#include "data/SqlExpr.h"
#include "export/DBGridEhSource.h"
#include "grid/DBGridEh.h"
#include "platform/Cp1252.h"
#include "platform/Fonts.h"
#include "platform/ProgramInfo.h"
#include "platform/ReplacementFile.h"
#include "platform/StopRequests.h"

namespace {

constexpr int kWritten = 0;
constexpr int kNoRows = 1;
constexpr int kUsage = 2;
constexpr int kFailed = 3;

constexpr int kRowsPerPacket = 1000;

// The report grid's size in the window at its start size: the client area of Panel3
// (1420 x 504 less its 1-pixel bevel on each side) less the navigator bar (18).
constexpr int kGridWidth = 1418;
constexpr int kGridHeight = 484;

const char kUsageText[] =
    "usage: repcostoav-export --server FOLDER --user USER --company CODE\n"
    "                         --from YYYY-MM-DD --to YYYY-MM-DD --output FILE\n"
    "                         [--format txt|csv|htm|rtf|xls] [--password-file FILE]\n"
    "The password is read from --password-file (its first line) or from the environment\n"
    "variable GALVORA_PASSWORD.\n"
    "Exit status: 0 written, 1 no rows, 2 usage error, 3 database or file error,\n"
    "128 + the signal number when stopped by SIGTERM, SIGINT or SIGHUP.\n";

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
  int filterIndex = 0;  // the save dialog's entry: 1 txt ... 5 xls
};

// The save dialog's entry of an extension or format name (case-insensitive), 0 when none.
int FormatIndex(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (int index = 1; index <= 5; ++index) {
    if (SaveExtension(index) == name) return index;
  }
  return 0;
}

TDateTime ParseDate(const std::string& option, const std::string& text) {
  int year = 0, month = 0, day = 0;
  char tail = 0;
  TDateTime date = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
      std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) != 3 ||
      !TryEncodeDate(year, month, day, date)) {
    throw UsageError(option + ": not a date of the form YYYY-MM-DD: " + text);
  }
  return date;
}

Options ParseArguments(const std::vector<std::string>& args) {
  Options options;
  std::map<std::string, std::string> values;
  static const char* const kNames[] = {"--server", "--user",   "--company",      "--from",
                                       "--to",     "--output", "--format", "--password-file"};
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
    if (options.filterIndex == 0) {
      throw UsageError("--output: cannot tell the format from the extension of " + file +
                       "; give --format");
    }
  }
  return options;
}

// The password from the file's first line, else from GALVORA_PASSWORD.
std::string ReadPassword(const Options& options) {
  if (!options.passwordFile.empty()) {
    std::ifstream in(options.passwordFile, std::ios::binary);
    if (!in) {
      throw platform::Exception("Cannot open file \"" + options.passwordFile + "\". " +
                                std::strerror(errno));
    }
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
  if (const char* password = std::getenv("GALVORA_PASSWORD")) return password;
  throw UsageError("no password: give --password-file or set GALVORA_PASSWORD");
}

// A stop request ends the run at once: FILE stays as it was, no temporary file stays beside it,
// and the process ends with status 128 + the signal number, as a process the signal ended would.
void StopNow(int signal) {
  platform::ReplacementFile::DiscardUnfinished();
  std::fprintf(stderr, "repcostoav-export: stopped (%s)\n", strsignal(signal));
  std::_Exit(128 + signal);
}

int Run(const Options& options, const std::string& password) {
  Tfdm dataModule;
  TSQLConnection& connection = *dataModule.Galvora;
  connection.Params().SetValue("Database", app::ReportDatabaseName(options.server, options.company));
  connection.Params().SetValue("User_Name", options.user);
  connection.Params().SetValue("password", password);
  connection.Open();

  TProviderOwner providers;
  TDataSetProvider provider("PRepcliente", &providers);
  provider.SetDataSet(dataModule.QRepcliente.get());
  provider.SetOptions(poAllowCommandText);
  TClientDataSet report("CRepcliente", &providers);
  report.SetProviderName("PRepcliente");
  // The rows come in packets that the export walk asks for as it reaches them, so that the
  // file is written while the database still computes the later rows. The rows and the bytes
  // are the window's; only the window's preview needs them all at once.
  report.SetPacketRecords(kRowsPerPacket);
  std::vector<std::unique_ptr<TField>> fields;
  app::CreateReportFields(report, fields);
  TDataSource source(&report);

  TDBGridEh grid;
  grid.setObjectName("DBGridEh2");
  app::SetupReportGrid(grid);
  grid.SetDataSource(&source);
  grid.resize(kGridWidth, kGridHeight);
  // Shown on the off-screen platform only, so that the grid lays out at its size.
  grid.setAttribute(Qt::WA_DontShowOnScreen);
  grid.show();

  report.SetCommandText(app::ReportCommandText(options.from, options.to));
  report.Open();
  if (report.IsEmpty()) {
    std::fputs("No hay datos para el reporte.\n", stderr);
    report.Close();
    return kNoRows;
  }
  grid.Selection().SelectEverything();

  ExportGridToFile(SaveExporterClass(options.filterIndex), grid, options.output, false);
  report.Close();
  return kWritten;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::optional<int> status = platform::AnswerInfoRequest(argc, argv, "repcostoav-export"))
    return *status;
  platform::TakeStopRequests(StopNow);
  std::vector<std::string> args(argv + 1, argv + argc);
  Options options;
  std::string password;
  try {
    options = ParseArguments(args);
    password = ReadPassword(options);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "repcostoav-export: %s\n%s", e.Text().c_str(), kUsageText);
    return kUsage;
  } catch (const platform::Exception& e) {
    std::fprintf(stderr, "%s\n", platform::Cp1252ToUtf8(e.Message()).c_str());
    return kFailed;
  }

  // A file size limit must end the export with a write error, not kill the process.
  std::signal(SIGXFSZ, SIG_IGN);
  // The report grid is a widget: it is laid out off screen, never shown.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Standard error carries the report's own messages only; Qt's notices are dropped.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
      std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
  });
  QApplication application(argc, argv);
  platform::RegisterFontSubstitutions();
  try {
    return Run(options, password);
  } catch (const platform::Exception& e) {
    std::fprintf(stderr, "%s\n", platform::Cp1252ToUtf8(e.Message()).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  return kFailed;
}
