#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "platform/Cp1252.h"
#include "platform/Errors.h"

namespace platform {
namespace {

// Lower-cases the letters of Windows-1252 text, for comparing names without regard to case.
std::string Fold(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z') {
      b = static_cast<unsigned char>(b + 32);
    } else if (b >= 0xC0 && b <= 0xDE && b != 0xD7) {
      b = static_cast<unsigned char>(b + 32);
    } else if (b == 0x8A || b == 0x8C || b == 0x8E) {
      b = static_cast<unsigned char>(b + 16);
    } else if (b == 0x9F) {
      b = 0xFF;
    }
    c = static_cast<char>(b);
  }
  return result;
}

// Folded key path without leading or trailing backslashes.
std::string KeyPath(std::string_view key) {
  size_t begin = key.find_first_not_of('\\');
  if (begin == std::string_view::npos) return "";
  size_t end = key.find_last_not_of('\\');
  return Fold(key.substr(begin, end - begin + 1));
}

std::string_view Trim(std::string_view text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string_view::npos) return {};
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::string Utf16ToUtf8(const std::u16string& units) {
  const QByteArray utf8 = QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()))
                              .toUtf8();
  return std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

// The file's text as UTF-8, whatever encoding it was written in (UTF-16LE with a byte order
// mark, UTF-8, else Windows-1252), so that a value naming a file keeps every character.
std::string DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return Utf16ToUtf8(units);
  }
  std::string_view text(bytes);
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (IsValidUtf8(text)) return std::string(text);
  return Cp1252ToUtf8(text);
}

// A key or value name of the file (UTF-8) folded as the program's names are.
std::string FoldName(std::string_view utf8) { return Fold(Utf8ToCp1252(utf8)); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "0a,ff, 3c" -> bytes; nullopt when a token is not one or two hex digits.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view list) {
  std::vector<uint8_t> bytes;
  list = Trim(list);
  if (list.empty()) return bytes;
  size_t start = 0;
  while (true) {
    size_t comma = list.find(',', start);
    std::string_view token =
        Trim(list.substr(start, comma == std::string_view::npos ? list.npos : comma - start));
    if (token.empty() || token.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : token) {
      int digit = HexDigit(c);
      if (digit < 0) return std::nullopt;
      value = value * 16 + digit;
    }
    bytes.push_back(static_cast<uint8_t>(value));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return bytes;
}

// A quoted text starting at text[pos] == '"' with \\ and \" escapes; advances pos past the
// closing quote. nullopt when the quote is never closed.
std::optional<std::string> ParseQuoted(std::string_view text, size_t& pos) {
  std::string result;
  for (size_t i = pos + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      result += text[++i];
    } else if (c == '"') {
      pos = i + 1;
      return result;
    } else {
      result += c;
    }
  }
  return std::nullopt;
}

std::string CutAtNul(std::string text) {
  size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

class RegistryParser {
 public:
  explicit RegistryParser(RegistryFile& file) : file_(file) {}

  void Parse(const std::string& text) {
    // CR LF, a lone LF or a lone CR ends a line, so a value continued over several lines
    // reads the same whichever line ends the file has.
    std::vector<std::string_view> lines;
    std::string_view rest(text);
    while (!rest.empty()) {
      size_t end = rest.find_first_of("\r\n");
      lines.push_back(rest.substr(0, end));
      if (end == std::string_view::npos) break;
      const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
      rest = rest.substr(end + (crlf ? 2 : 1));
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string line(Trim(lines[i]));
      // A hex value continues on the next line after a trailing backslash.
      while (!line.empty() && line.back() == '\\' && IsHexValueLine(line) && i + 1 < lines.size()) {
        line.pop_back();
        line += Trim(lines[++i]);
      }
      ParseLine(line);
    }
  }

 private:
  static bool IsHexValueLine(const std::string& line) {
    size_t equals = line.find("=hex");
    return equals != std::string::npos && (line[0] == '"' || line[0] == '@');
  }

  void ParseLine(std::string_view line) {
    if (line.empty() || line[0] == ';') return;
    if (line == "REGEDIT4") {
      unicodeHex_ = false;
      return;
    }
    if (line[0] == '[') {
      ParseSection(line);
      return;
    }
    if (current_ == nullptr) return;
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      std::optional<std::string> quoted = ParseQuoted(line, pos);
      if (!quoted) return;
      name = *quoted;
    } else {
      return;
    }
    std::string_view rest = Trim(line.substr(pos));
    if (rest.empty() || rest[0] != '=') return;
    std::optional<RegistryValue> value = ParseData(Trim(rest.substr(1)));
    if (value) (*current_)[FoldName(name)] = std::move(*value);
  }

  void ParseSection(std::string_view line) {
    current_ = nullptr;
    size_t close = line.rfind(']');
    if (close == std::string_view::npos) return;
    std::string_view path = Trim(line.substr(1, close - 1));
    if (path.empty() || path[0] == '-') return;  // a deletion entry adds nothing
    size_t slash = path.find('\\');
    std::string root = FoldName(path.substr(0, slash));
    int index = root == "hkey_local_machine" || root == "hklm"  ? 0
                : root == "hkey_current_user" || root == "hkcu" ? 1
                                                                : -1;
    if (index < 0) return;
    std::string key =
        slash == std::string_view::npos ? "" : KeyPath(Utf8ToCp1252(path.substr(slash)));
    current_ = &file_.keys_[index][key];
  }

  std::optional<RegistryValue> ParseData(std::string_view data) {
    RegistryValue value;
    if (!data.empty() && data[0] == '"') {
      size_t pos = 0;
      std::optional<std::string> text = ParseQuoted(data, pos);
      if (!text || !Trim(data.substr(pos)).empty()) return std::nullopt;
      value.kind = RegistryValue::String;
      SetText(value, CutAtNul(*text));
      return value;
    }
    std::string lower = Fold(data.substr(0, data.find(':')));
    size_t colon = data.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view body = data.substr(colon + 1);
    if (lower == "dword") {
      body = Trim(body);
      if (body.empty() || body.size() > 8) return std::nullopt;
      uint32_t number = 0;
      for (char c : body) {
        int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        number = number * 16 + static_cast<uint32_t>(digit);
      }
      value.kind = RegistryValue::DWord;
      value.dword = number;
      return value;
    }
    int type = 3;  // hex: is binary
    if (lower != "hex") {
      if (lower.size() < 6 || lower.compare(0, 4, "hex(") != 0 || lower.back() != ')') {
        return std::nullopt;
      }
      std::string_view digits = std::string_view(lower).substr(4, lower.size() - 5);
      if (digits.empty() || digits.size() > 8) return std::nullopt;
      type = 0;
      for (char c : digits) {
        int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        type = type * 16 + digit;
      }
    }
    std::optional<std::vector<uint8_t>> bytes = ParseHexBytes(body);
    if (!bytes) return std::nullopt;
    switch (type) {
      case 1:
      case 2:
        value.kind = type == 1 ? RegistryValue::String : RegistryValue::ExpandString;
        SetText(value, BytesToText(*bytes));
        value.bytes = std::move(*bytes);
        return value;
      case 4:
        if (bytes->size() != 4) return std::nullopt;
        value.kind = RegistryValue::DWord;
        value.dword = static_cast<uint32_t>((*bytes)[0]) | static_cast<uint32_t>((*bytes)[1]) << 8 |
                      static_cast<uint32_t>((*bytes)[2]) << 16 |
                      static_cast<uint32_t>((*bytes)[3]) << 24;
        return value;
      default:
        value.kind = RegistryValue::Binary;
        value.bytes = std::move(*bytes);
        return value;
    }
  }

  static void SetText(RegistryValue& value, std::string utf8) {
    value.text = Utf8ToCp1252(utf8);
    value.unicodeText = std::move(utf8);
  }

  // The UTF-8 text of a hex(1)/hex(2) value's bytes: UTF-16LE in version 5 files, the code
  // page's bytes in REGEDIT4 files; cut at the first NUL.
  std::string BytesToText(const std::vector<uint8_t>& bytes) const {
    if (!unicodeHex_) {
      return Cp1252ToUtf8(CutAtNul(std::string(bytes.begin(), bytes.end())));
    }
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      char16_t unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
      if (unit == 0) break;
      units += unit;
    }
    return Utf16ToUtf8(units);
  }

  RegistryFile& file_;
  RegistryFile::Values* current_ = nullptr;
  bool unicodeHex_ = true;
};

RegistryFile RegistryFile::Load(const std::string& path) {
  // Opened without waiting, so that a FIFO in its place cannot hold up the program.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return RegistryFile();
  const auto fail = [fd, &path](const std::string& reason) {
    ::close(fd);
    return ERegistryException(
        FormatMessage("Cannot read the registry file \"%s\". %s", {path, reason}));
  };
  struct stat info;
  if (::fstat(fd, &info) != 0) throw fail(std::strerror(errno));
  if (S_ISDIR(info.st_mode)) throw fail(std::strerror(EISDIR));
  if (!S_ISREG(info.st_mode)) throw fail("It is not a regular file.");
  // A registry of settings is a few kilobytes; a file far larger is not one, and reading it
  // whole could take all the memory there is.
  const auto tooLarge = [] {
    return "It is larger than " + std::to_string(kMaxRegistryFileBytes / (1024 * 1024)) +
           " MiB, the most a registry file may hold.";
  };
  if (static_cast<uint64_t>(info.st_size) > kMaxRegistryFileBytes) throw fail(tooLarge());
  std::string bytes;
  char buffer[65536];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw fail(std::strerror(errno));
    if (got == 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
    // The file may grow while it is read.
    if (bytes.size() > kMaxRegistryFileBytes) throw fail(tooLarge());
  }
  ::close(fd);
  return FromText(bytes);
}

RegistryFile RegistryFile::FromText(const std::string& text) {
  RegistryFile file;
  RegistryParser(file).Parse(DecodeFile(text));
  return file;
}

bool RegistryFile::KeyExists(RegistryRoot root, const std::string& key) const {
  const auto& keys = keys_[root == RegistryRoot::LocalMachine ? 0 : 1];
  std::string path = KeyPath(key);
  if (path.empty()) return true;
  auto it = keys.lower_bound(path);
  if (it == keys.end()) return false;
  if (it->first == path) return true;
  // A section below the key makes the key exist too.
  return it->first.size() > path.size() && it->first.compare(0, path.size(), path) == 0 &&
         it->first[path.size()] == '\\';
}

std::optional<RegistryValue> RegistryFile::Value(RegistryRoot root, const std::string& key,
                                                 const std::string& name) const {
  const auto& keys = keys_[root == RegistryRoot::LocalMachine ? 0 : 1];
  auto section = keys.find(KeyPath(key));
  if (section == keys.end()) return std::nullopt;
  auto value = section->second.find(Fold(name));
  if (value == section->second.end()) return std::nullopt;
  return value->second;
}

namespace {

// Throws "Invalid data type for '<name>'" unless `value` is a plain or expandable string.
const RegistryValue& StringValue(const RegistryValue& value, const std::string& name) {
  if (value.kind != RegistryValue::String && value.kind != RegistryValue::ExpandString) {
    throw ERegistryException(FormatMessage("Invalid data type for '%s'", {name}));
  }
  return value;
}

}  // namespace

std::string RegistryFile::ReadString(RegistryRoot root, const std::string& key,
                                     const std::string& name) const {
  std::optional<RegistryValue> value = Value(root, key, name);
  return value ? StringValue(*value, name).text : "";
}

std::string RegistryFile::ReadPathString(RegistryRoot root, const std::string& key,
                                         const std::string& name) const {
  std::optional<RegistryValue> value = Value(root, key, name);
  return value ? StringValue(*value, name).unicodeText : "";
}

namespace {

std::optional<RegistryFile>& SystemRegistrySlot() {
  static std::optional<RegistryFile> registry;
  return registry;
}

}  // namespace

const RegistryFile& SystemRegistry() {
  std::optional<RegistryFile>& slot = SystemRegistrySlot();
  if (!slot) ReloadSystemRegistry();
  return *slot;
}

void ReloadSystemRegistry() {
  const char* path = std::getenv("QOR_REGISTRY");
  SystemRegistrySlot() =
      RegistryFile::Load(path != nullptr && *path != '\0' ? path : "/etc/qor/registry.reg");
}

std::string ReadRegistryString(RegistryRoot root, const std::string& key, const std::string& name) {
  return SystemRegistry().ReadString(root, key, name);
}

}  // namespace platform
