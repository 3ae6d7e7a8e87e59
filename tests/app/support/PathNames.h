#pragma once

// Folder, company and file names with accented letters, the euro sign and Cyrillic letters,
// UTF-8 as the file system has them, for the tests that carry names through the window and
// the tools.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace apptest {

struct PathNames {
  const char* folder;
  const char* company;
  const char* file;
};

inline constexpr PathNames kPathNames[] = {
    {"a\xC3\xB1"
     "ejo",
     "\xC3\x91"
     "1",
     "Informe \xC3\x91 producci\xC3\xB3n"},
    {"Compa\xC3\xB1\xC3\xAD"
     "a \xC3\xA1",
     "c\xC3\xA1",
     "d\xC3\xAD"
     "a"},
    {"Costos \xE2\x82\xAC", "\xE2\x82\xAC", "Precio \xE2\x82\xAC"},
    {"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82", "\xD0\x9A\xD0\xBE",
     "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82"},
};

// The names in `folder`, as bytes, sorted.
inline std::vector<std::string> Listing(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace apptest
