// galvora-demo FOLDER [--warehouses N] [--months M] [--seed S]
// Writes a demo installation: FOLDER/datos/001/galvora.fdb with sample data from January 2022
// on (by default through the current month), FOLDER/SERVIDORES.cfg listing FOLDER, and
// FOLDER/registry.reg pointing the program at FOLDER with a short date the database reads.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "db/CompanyDatabase.h"

namespace {

constexpr const char* kUsage =
    "usage: galvora-demo FOLDER [--warehouses N] [--months M] [--seed S]\n"
    "  Creates FOLDER/datos/001/galvora.fdb (sample data from January 2022 on; by default\n"
    "  12 warehouses and the months through the current one), FOLDER/SERVIDORES.cfg and\n"
    "  FOLDER/registry.reg (use it with QOR_REGISTRY=FOLDER/registry.reg).\n";

struct Arguments {
  std::string folder;
  db::SampleData sample;
};

// Months from January 2022 through the current month (at least one).
int MonthsThroughNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const int months = (local.tm_year + 1900 - 2022) * 12 + local.tm_mon + 1;
  return months < 1 ? 1 : months;
}

bool ParseNumber(const char* text, long long low, long long high, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && value >= low && value <= high;
}

bool ParseArguments(int argc, char** argv, Arguments& arguments, std::string& error) {
  arguments.sample.warehouses = 12;
  arguments.sample.months = MonthsThroughNow();
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

// A registry export text value: backslashes and quotes escaped.
std::string RegistryText(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

void WriteFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  std::string error;
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!ParseArguments(argc, argv, arguments, error)) {
    std::fprintf(stderr, "galvora-demo: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  try {
    namespace fs = std::filesystem;
    fs::path folder = fs::absolute(arguments.folder).lexically_normal();
    std::string folderText = folder.string();
    while (folderText.size() > 1 && folderText.back() == '/') folderText.pop_back();
    // The program reads server entries into a 255-character line and ends lines at CR or LF.
    if (folderText.size() > 255 || folderText.find_first_of("\r\n") != std::string::npos)
      throw std::runtime_error("the folder path must be a single line of at most 255 characters: " +
                               folderText);
    const fs::path database = fs::path(folderText) / "datos" / "001" / "galvora.fdb";
    if (fs::exists(database))
      throw std::runtime_error("the demo database already exists: " + database.string() +
                               " (remove it or choose another folder)");
    fs::create_directories(database.parent_path());

    db::CompanyDatabaseOptions options;
    options.sample = arguments.sample;
    db::CreateCompanyDatabase(database.string(), options);

    WriteFile(fs::path(folderText) / "SERVIDORES.cfg", folderText + "\r\n");
    WriteFile(fs::path(folderText) / "registry.reg",
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n"
              "\"Directorio\"=\"" + RegistryText(folderText) + "\"\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Control Panel\\International]\r\n"
              "\"sShortDate\"=\"yyyy/MM/dd\"\r\n"
              "\"sDate\"=\"/\"\r\n"
              "\"sDecimal\"=\".\"\r\n"
              "\"sThousand\"=\",\"\r\n");
    std::printf("%s\n", folderText.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "galvora-demo: %s\n", e.what());
    return 1;
  }
}
