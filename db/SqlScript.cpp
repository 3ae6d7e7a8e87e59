#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "db/CompanyDatabase.h"

namespace db {

namespace {

std::string Trim(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  return std::string(text.substr(first, last - first));
}

// "SET TERM x" (the statement before the old terminator) gives x; anything else, "".
std::string NewTerminator(const std::string& statement) {
  size_t pos = 0;
  auto word = [&](std::string_view expected) {
    while (pos < statement.size() && std::isspace(static_cast<unsigned char>(statement[pos])))
      ++pos;
    for (char c : expected) {
      if (pos >= statement.size() || std::toupper(static_cast<unsigned char>(statement[pos])) != c)
        return false;
      ++pos;
    }
    return pos < statement.size() && std::isspace(static_cast<unsigned char>(statement[pos]));
  };
  if (!word("SET") || !word("TERM")) return "";
  return Trim(std::string_view(statement).substr(pos));
}

}  // namespace

std::vector<std::string> SplitScript(std::string_view script) {
  std::vector<std::string> statements;
  std::string terminator = ";";
  std::string current;
  size_t i = 0;
  auto finish = [&] {
    std::string statement = Trim(current);
    current.clear();
    if (statement.empty()) return;
    std::string term = NewTerminator(statement);
    if (!term.empty()) {
      terminator = term;
      return;
    }
    statements.push_back(std::move(statement));
  };
  while (i < script.size()) {
    const char c = script[i];
    if (c == '/' && i + 1 < script.size() && script[i + 1] == '*') {
      const size_t end = script.find("*/", i + 2);
      i = end == std::string_view::npos ? script.size() : end + 2;
      current += ' ';
    } else if (c == '-' && i + 1 < script.size() && script[i + 1] == '-') {
      const size_t end = script.find('\n', i);
      i = end == std::string_view::npos ? script.size() : end;
    } else if (c == '\'' || c == '"') {
      // A quoted text or name runs to the next lone quote of the same kind ('' is a quote).
      size_t end = i + 1;
      while (end < script.size()) {
        if (script[end] == c) {
          if (end + 1 < script.size() && script[end + 1] == c) {
            end += 2;
            continue;
          }
          break;
        }
        ++end;
      }
      end = end < script.size() ? end + 1 : script.size();
      current.append(script.substr(i, end - i));
      i = end;
    } else if (script.substr(i, terminator.size()) == terminator) {
      i += terminator.size();
      finish();
    } else {
      current += c;
      ++i;
    }
  }
  finish();
  return statements;
}

}  // namespace db
