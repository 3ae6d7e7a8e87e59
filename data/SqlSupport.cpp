#include "data/SqlSupport.h"

#include <QCursor>
#include <QGuiApplication>
#include <QThread>

#include <cctype>
#include <fstream>
#include <map>
#include <vector>

#include "data/DateText.h"
#include "data/SqlExpr.h"
#include "data/TextCase.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"

namespace sqlsupport {

std::string Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) < 33) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) < 33) --end;
  return text.substr(begin, end - begin);
}

int32_t StrToInt(const std::string& text) {
  std::string value = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  int base = 10;
  if (i < value.size() && value[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < value.size() && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= value.size()) throw EConvertError("'" + text + "' is not a valid integer value");
  int64_t number = 0;
  for (; i < value.size(); ++i) {
    int digit;
    char c = value[i];
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
      digit = std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
    } else {
      throw EConvertError("'" + text + "' is not a valid integer value");
    }
    number = number * base + digit;
    if (number > (base == 16 ? 0xFFFFFFFFLL : 2147483648LL)) {
      throw EConvertError("'" + text + "' is not a valid integer value");
    }
  }
  if (base == 10 && !negative && number > 2147483647LL) {
    throw EConvertError("'" + text + "' is not a valid integer value");
  }
  int64_t signedNumber = negative ? -number : number;
  return static_cast<int32_t>(static_cast<uint32_t>(signedNumber));
}

std::string ReplaceParamMarkers(const std::string& sql, const std::string& quoteChar) {
  auto isQuote = [&](char c) { return c == '\'' || (!quoteChar.empty() && c == quoteChar[0]); };
  auto startsAfter = [](char c) {
    return c == ' ' || c == '(' || c == ')' || c == ',' || c == '=' || c == '<' || c == '>' ||
           c == '\r' || c == '\n';
  };
  auto ends = [](char c) { return c == ' ' || c == ')' || c == ',' || c == '\r' || c == '\n'; };
  // Each reference is replaced where it stands (searching for its text instead could hit a
  // quoted literal or a longer name that begins with it).
  std::string result;
  result.reserve(sql.size() + 16);
  bool quoted = false;
  for (size_t i = 0; i < sql.size(); ++i) {
    char c = sql[i];
    if (isQuote(c)) quoted = !quoted;
    if (quoted || c != ':' || i == 0 || !startsAfter(sql[i - 1])) {
      result += c;
      continue;
    }
    size_t end = i + 1;
    bool innerQuoted = false;
    while (end < sql.size()) {
      if (isQuote(sql[end])) innerQuoted = !innerQuoted;
      if (!innerQuoted && ends(sql[end])) break;
      ++end;
    }
    result += " ? ";
    i = end - 1;
  }
  return result;
}

bool IsSelect(const std::string& sql) {
  std::string text = Trim(sql);
  size_t end = 0;
  while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
  return UpperCaseCp1252(text.substr(0, end)) == "SELECT";
}

Hourglass::Hourglass(bool enabled)
    : shown_(enabled && qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr &&
             // The cursor is the GUI thread's: a connection working on another shows nothing.
             QThread::currentThread() == QCoreApplication::instance()->thread()) {
  if (shown_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

Hourglass::~Hourglass() {
  if (shown_) QGuiApplication::restoreOverrideCursor();
}

namespace {

using Section = std::vector<std::pair<std::string, std::string>>;

// The definitions file named by the registry value, else `fallback` in the program's folder.
std::string DefinitionFile(const char* valueName, const char* fallback) {
  std::string path;
  try {
    path = platform::ReadRegistryString(platform::RegistryRoot::CurrentUser,
                                        "\\Software\\Qor\\SQLDrivers", valueName);
  } catch (...) {
  }
  if (path.empty()) path = platform::ProgramFolder() + "/" + fallback;
  return path;
}

// The lines of section `name` of an INI file; raises when the file is missing.
Section ReadSection(const std::string& path, const std::string& name) {
  std::ifstream file(path);
  if (!file) throw EDatabaseError("Driver/Connection Registry File '" + path + "' not found");
  Section section;
  std::string line;
  bool inside = false;
  while (std::getline(file, line)) {
    line = Trim(line);
    if (!line.empty() && line.front() == '[' && line.back() == ']') {
      inside = SameTextCp1252(line.substr(1, line.size() - 2), name);
      continue;
    }
    size_t equals = line.find('=');
    if (inside && equals != std::string::npos) {
      section.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
  }
  return section;
}

std::string SectionValue(const Section& section, const std::string& key) {
  for (const auto& [name, value] : section) {
    if (SameTextCp1252(name, key)) return value;
  }
  return {};
}

}  // namespace

void LoadConnectionDefinition(TSQLConnection& connection) {
  if (connection.ConnectionName().empty()) throw EDatabaseError("Connection name missing");
  Section section = ReadSection(DefinitionFile("Connection Registry File", "sqlconnections.ini"),
                                connection.ConnectionName());
  TConnectionParams params;
  for (const auto& [name, value] : section) params.Add(name + "=" + value);
  std::string driverName = SectionValue(section, "DriverName");
  connection.SetParams(params);
  if (!driverName.empty()) {
    // Keep the new Params: DriverName's own setter would clear them without a ConnectionName.
    TConnectionParams kept = connection.Params();
    connection.SetDriverName(driverName);
    connection.SetParams(kept);
  }
}

void LoadDriverDefinition(TSQLConnection& connection) {
  Section section = ReadSection(DefinitionFile("Driver Registry File", "sqldrivers.ini"),
                                connection.DriverName());
  connection.SetLibraryName(SectionValue(section, "LibraryName"));
  connection.SetVendorLib(Trim(SectionValue(section, "VendorLib")));
  connection.SetGetDriverFunc(SectionValue(section, "GetDriverFunc"));
}

}  // namespace sqlsupport
