// galvora-demo FOLDER [--warehouses N] [--months M] [--seed S]
// Writes a demo installation: FOLDER/datos/001/galvora.fdb with sample data from January 2022
// on (by default through the current month), FOLDER/SERVIDORES.cfg listing FOLDER, and
// FOLDER/registry.reg pointing the program at FOLDER with a short date the database reads. An
// existing server list gets the folder added; an existing registry file is kept.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "db/DemoInstallation.h"
#include "driver/EngineLocks.h"
#include "driver/FirebirdRoot.h"
#include "platform/EngineLimits.h"
#include "platform/EngineStop.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramInfo.h"
#include "platform/StandardDescriptors.h"
#include "platform/StopRequests.h"
#include "tools/DemoFolderFiles.h"

namespace {

constexpr const char* kUsage =
    "usage: galvora-demo FOLDER [--warehouses N] [--months M] [--seed S]\n"
    "       galvora-demo --help | --version\n"
    "  Creates FOLDER/datos/001/galvora.fdb (sample data from January 2022 on; by default\n"
    "  12 warehouses and the months through the current one), FOLDER/SERVIDORES.cfg and\n"
    "  FOLDER/registry.reg (use it with QOR_REGISTRY=FOLDER/registry.reg).\n";

struct Arguments {
  std::string folder;
  db::SampleData sample;
};

bool ParseNumber(const char* text, long long low, long long high, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

bool ParseArguments(int argc, char** argv, Arguments& arguments, std::string& error) {
  arguments.sample.warehouses = 12;
  arguments.sample.months = db::MonthsThroughCurrentMonth();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--warehouses" || arg == "--months" || arg == "--seed") {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      long long value = 0;
      const long long high = arg == "--seed" ? 0x7FFFFFFFFFFFFFFFll : 1000000;
      if (!ParseNumber(argv[++i], arg == "--seed" ? 0 : 1, high, value)) {
        error = "invalid value for " + arg + ": " + argv[i];
        return false;
      }
      if (arg == "--warehouses") arguments.sample.warehouses = static_cast<int>(value);
      if (arg == "--months") arguments.sample.months = static_cast<int>(value);
      if (arg == "--seed") arguments.sample.seed = static_cast<uint64_t>(value);
    } else if (!arg.empty() && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else if (arguments.folder.empty()) {
      arguments.folder = arg;
    } else {
      error = "more than one folder given";
      return false;
    }
  }
  if (arguments.folder.empty()) {
    error = "no folder given";
    return false;
  }
  return true;
}

int MakeDemo(int argc, char** argv);

}  // namespace

int main(int argc, char** argv) {
  // Before any library opens a file: descriptors 0-2 are never the engine's lock files.
  platform::OpenStandardDescriptors();
  const int status = MakeDemo(argc, argv);
  platform::AwaitStopIfRequested();
  return status;
}

namespace {

int MakeDemo(int argc, char** argv) {
  Arguments arguments;
  std::string error;
  if (std::optional<int> status =
          platform::AnswerInfoRequest(argc, argv, "galvora-demo", kUsage))
    return *status;
  // A stop request ends the run at once, without a database that looks finished.
  platform::TakeStopRequests([](int signal) {
    // The engine ends its work first: the process never ends inside one of its calls.
    platform::ShutDownEngine();
    db::DiscardUnfinishedDatabase();
    std::fprintf(stderr, "galvora-demo: stopped (%s)\n", strsignal(signal));
    std::_Exit(128 + signal);
  });
  // A file size limit fails the engine's writes instead of killing the process.
  std::signal(SIGXFSZ, SIG_IGN);
  if (!ParseArguments(argc, argv, arguments, error)) {
    std::fprintf(stderr, "galvora-demo: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  // The same engine mode as the window and the batch exporter use on the file.
  ibdriver::ChooseFirebirdRoot(platform::ProgramLibraryFolder());
  try {
    // Limits under which the embedded engine would crash are named before it starts.
    const platform::EngineLimitCheck limits = platform::CheckEngineLimits(
        (std::filesystem::absolute(arguments.folder) / "datos/001/galvora.fdb").string());
    if (!limits.refusal.empty()) {
      std::fprintf(stderr, "galvora-demo: %s\n", limits.refusal.c_str());
      return 1;
    }
    // A lock a dead process left in the engine's lock folder would hold the run for ever.
    const std::string lockFolder = ibdriver::EngineLockFolder();
    if (const auto stale = ibdriver::FindStaleEngineLock(lockFolder)) {
      std::fprintf(stderr, "galvora-demo: %s\n",
                   ibdriver::StaleEngineLockText(lockFolder, *stale).c_str());
      return 1;
    }
    const ibdriver::EngineLockWatch watch(1);
    db::CompanyDatabaseOptions options;
    options.sample = arguments.sample;
    // Files found in the folder are never replaced and links found there never followed.
    if (const std::string refusal = tools::DemoFolderRefusal(arguments.folder, "001");
        !refusal.empty()) {
      std::fprintf(stderr, "galvora-demo: %s\n", refusal.c_str());
      return 1;
    }
    const db::DemoInstallation installation = db::CreateDemoDatabase(arguments.folder, options);
    for (const std::string& notice : tools::PlaceDemoFolderFiles(installation))
      std::fprintf(stderr, "galvora-demo: %s\n", notice.c_str());
    std::printf("%s\n", installation.folder.c_str());
    return 0;
  } catch (const std::exception& e) {
    // A failure a stop request caused (the engine shut down) is not one to report.
    platform::AwaitStopIfRequested();
    std::fprintf(stderr, "galvora-demo: %s\n", e.what());
    return 1;
  }
}

}  // namespace
