#include "data/TextCase.h"

namespace {

char LowerCp1252(char c) {
  auto byte = static_cast<unsigned char>(c);
  if (byte >= 'A' && byte <= 'Z') return static_cast<char>(byte + 32);
  if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return static_cast<char>(byte + 32);
  if (byte == 0x8A || byte == 0x8C || byte == 0x8E) return static_cast<char>(byte + 16);
  if (byte == 0x9F) return static_cast<char>(0xFF);
  return c;
}

}  // namespace

char UpperCp1252(char c) {
  auto byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 32);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 32);
  if (byte == 0x9A || byte == 0x9C || byte == 0x9E) return static_cast<char>(byte - 16);
  if (byte == 0xFF) return static_cast<char>(0x9F);
  return c;
}

std::string UpperCaseCp1252(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperCp1252(c);
  return result;
}

std::string LowerCaseCp1252(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerCp1252(c);
  return result;
}

int CompareTextCp1252(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(UpperCp1252(a[i]));
    auto y = static_cast<unsigned char>(UpperCp1252(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameTextCp1252(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareTextCp1252(a, b) == 0;
}
