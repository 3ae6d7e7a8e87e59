#pragma once

// Reads a workbook (.xlsx) back with two readers independent of the writer: xlsx_read.py
// beside this file (Python's zipfile and the sheet XML: values, types, number formats, panes,
// properties) and LibreOffice headless (the cells as a spreadsheet shows them, through its
// CSV conversion).

#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

struct XlsxCell {
  std::string Type;    // "n" number, "inlineStr" or "s" text
  std::string Value;   // the number as written, or the text
  std::string Format;  // the number format's code
  bool Bold = false;
};

struct XlsxBook {
  std::vector<std::string> Sheets;
  std::string Title, Subject, Company;
  std::map<std::string, std::string> Pane;  // the frozen pane's attributes
  std::string AutoFilter;
  std::vector<std::map<std::string, std::string>> Columns;  // min, max, width
  int Rows = 0;                                             // rows written
  int LastRow = 0;                                          // number of the last row written
  std::map<std::string, XlsxCell> Cells;                    // by reference ("A1")
  // Conditional formats: range, operator, value, font and fill (read with a sheet's name).
  std::vector<std::map<std::string, std::string>> Conditional;
};

namespace xlsxtest {

inline std::string Text(const QJsonValue& value) { return value.toString().toStdString(); }

// Runs `program` and returns its standard output; throws when it fails.
inline QByteArray RunTool(const QString& program, const QStringList& args) {
  QProcess process;
  // The readers' own conventions: "." decimals and "," thousands, whatever the machine uses.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("LC_ALL", "C.UTF-8");
  process.setProcessEnvironment(env);
  process.start(program, args);
  if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    throw std::runtime_error(program.toStdString() +
                             " failed: " + process.readAllStandardError().toStdString());
  }
  return process.readAllStandardOutput();
}

// The rows of a CSV text with `separator` between values and '"' quotes.
inline std::vector<std::vector<std::string>> ParseSeparated(const std::string& text,
                                                            char separator) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    any = true;
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == separator) {
      row.push_back(std::move(field));
      field.clear();
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      row.push_back(std::move(field));
      field.clear();
      rows.push_back(std::move(row));
      row.clear();
      any = false;
    } else {
      field += c;
    }
  }
  if (any) {
    row.push_back(std::move(field));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace xlsxtest

// The workbook at `path` as the script reads it; `rows` ("1,2,100001") limits the cells listed;
// `sheet` names the sheet read (else the first).
inline XlsxBook ReadXlsx(const std::string& path, const std::string& rows = "",
                         const std::string& sheet = "") {
  const std::string script =
      std::string(std::getenv("GALVORA_SOURCE_DIR")) + "/tests/export/support/xlsx_read.py";
  QStringList args{QString::fromStdString(script), QString::fromStdString(path)};
  if (!rows.empty()) args << "--rows" << QString::fromStdString(rows);
  if (!sheet.empty()) args << "--sheet" << QString::fromStdString(sheet);
  const QJsonObject json = QJsonDocument::fromJson(xlsxtest::RunTool("python3", args)).object();
  XlsxBook book;
  for (const QJsonValue& name : json["sheets"].toArray())
    book.Sheets.push_back(xlsxtest::Text(name));
  book.Title = xlsxtest::Text(json["title"]);
  book.Subject = xlsxtest::Text(json["subject"]);
  book.Company = xlsxtest::Text(json["company"]);
  const QJsonObject pane = json["pane"].toObject();
  for (auto it = pane.begin(); it != pane.end(); ++it) {
    book.Pane[it.key().toStdString()] = xlsxtest::Text(it.value());
  }
  book.AutoFilter = xlsxtest::Text(json["autofilter"]);
  for (const QJsonValue& col : json["cols"].toArray()) {
    std::map<std::string, std::string> entry;
    for (const char* key : {"min", "max", "width"}) entry[key] = xlsxtest::Text(col[key]);
    book.Columns.push_back(std::move(entry));
  }
  for (const QJsonValue& rule : json["conditional"].toArray()) {
    std::map<std::string, std::string> entry;
    for (const char* key : {"range", "operator", "value", "font", "fill"}) {
      entry[key] = xlsxtest::Text(rule[key]);
    }
    book.Conditional.push_back(std::move(entry));
  }
  book.Rows = json["rows"].toInt();
  book.LastRow = json["lastRow"].toInt();
  const QJsonObject cells = json["cells"].toObject();
  for (auto it = cells.begin(); it != cells.end(); ++it) {
    const QJsonObject cell = it.value().toObject();
    book.Cells[it.key().toStdString()] = {xlsxtest::Text(cell["type"]),
                                          xlsxtest::Text(cell["value"]),
                                          xlsxtest::Text(cell["format"]), cell["bold"].toBool()};
  }
  return book;
}

// The sheet's cells as LibreOffice shows them (UTF-8), one vector per row, through
// `soffice --headless --convert-to csv`.
inline std::vector<std::vector<std::string>> XlsxAsShown(const std::string& path) {
  namespace fs = std::filesystem;
  // One office profile per test program, removed when it ends.
  static const struct Folder {
    fs::path path = fs::temp_directory_path() / ("xlsx_shown_" + std::to_string(::getpid()));
    ~Folder() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } scratch;
  const fs::path& folder = scratch.path;
  fs::create_directories(folder / "out");
  // A profile of its own, so that no running office instance or user setting takes part.
  const QString profile = QString::fromStdString("file://" + (folder / "profile").string());
  xlsxtest::RunTool(
      "soffice", {"-env:UserInstallation=" + profile, "--headless", "--norestore", "--convert-to",
                  "csv:Text - txt - csv (StarCalc):9,34,76,1", "--outdir",
                  QString::fromStdString((folder / "out").string()), QString::fromStdString(path)});
  const fs::path csv = folder / "out" / fs::path(path).filename().replace_extension(".csv");
  if (!fs::exists(csv)) throw std::runtime_error("soffice wrote no " + csv.string());
  std::ifstream in(csv, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  fs::remove(csv);
  return xlsxtest::ParseSeparated(text, '\t');
}
