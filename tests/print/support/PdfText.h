#pragma once

// Reading back printed PDF files with poppler's tools: the text of each page as laid out
// (pdftotext -layout), pages rendered to PNG under build/artifacts/, and the search of a
// row's cells, in order, in a page's lines.

#include <QProcess>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace printtest {

// The standard output of `program` run with `args`; empty when it cannot run or fails.
inline std::string RunTool(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(120000) || process.exitCode() != 0) return {};
  return process.readAllStandardOutput().toStdString();
}

// The text of every page of `pdf` (UTF-8), split at the form feeds pdftotext ends pages with.
inline std::vector<std::string> PdfPages(const std::string& pdf) {
  const std::string text =
      RunTool("pdftotext", {"-layout", "-enc", "UTF-8", QString::fromStdString(pdf), "-"});
  std::vector<std::string> pages;
  size_t start = 0;
  for (size_t feed = text.find('\f'); feed != std::string::npos; feed = text.find('\f', start)) {
    pages.push_back(text.substr(start, feed - start));
    start = feed + 1;
  }
  return pages;
}

// Renders page `page` (from 1) of `pdf` to build/artifacts/`name`.png; returns the path, or
// empty when pdftoppm failed.
inline std::string RenderPage(const std::string& pdf, int page, const std::string& name) {
  const std::filesystem::path folder =
      std::filesystem::path(std::getenv("GALVORA_BINARY_DIR")) / "artifacts";
  std::filesystem::create_directories(folder);
  const std::string base = (folder / name).string();
  RunTool("pdftoppm", {"-png", "-r", "100", "-singlefile", "-f", QString::number(page), "-l",
                       QString::number(page), QString::fromStdString(pdf),
                       QString::fromStdString(base)});
  const std::string png = base + ".png";
  return std::filesystem::exists(png) ? png : std::string();
}

// `text` with every run of spaces made one space: pdftotext may widen a gap inside a text
// drawn smaller to fit its column.
inline std::string OneSpace(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out += c;
  }
  return out;
}

// Whether `cells` occur in `line` in their order, each as a whole field: between the text's
// ends, spaces or line ends. Runs of spaces count as one.
inline bool HasCellsInOrder(const std::string& text, const std::vector<std::string>& cells) {
  const std::string line = OneSpace(text);
  size_t at = 0;
  for (const std::string& wide : cells) {
    const std::string cell = OneSpace(wide);
    if (cell.empty()) continue;
    size_t found = line.find(cell, at);
    while (found != std::string::npos) {
      const size_t end = found + cell.size();
      const bool startOk = found == 0 || line[found - 1] == ' ' || line[found - 1] == '\n';
      const bool endOk = end == line.size() || line[end] == ' ' || line[end] == '\n';
      if (startOk && endOk) break;
      found = line.find(cell, found + 1);
    }
    if (found == std::string::npos) return false;
    at = found + cell.size();
  }
  return true;
}

// The lines of `page`.
inline std::vector<std::string> Lines(const std::string& page) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= page.size()) {
    const size_t end = page.find('\n', start);
    lines.push_back(page.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// The index of the first line of `page` from `from` on that holds `cells` in order; -1 when
// none does.
inline int FindRow(const std::string& page, const std::vector<std::string>& cells, int from = 0) {
  const std::vector<std::string> lines = Lines(page);
  for (int i = from; i < static_cast<int>(lines.size()); ++i) {
    if (HasCellsInOrder(lines[i], cells)) return i;
  }
  return -1;
}

// The fields of a line of tab-separated text.
inline std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace printtest
