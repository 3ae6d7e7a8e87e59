#include "platform/Registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/Errors.h"
#include "platform/RegionalSettings.h"

namespace platform {
namespace {

using Root = RegistryRoot;

// One expected look-up: nullopt kind means the value must be absent.
struct Lookup {
  Root root;
  const char* key;
  const char* name;
  std::optional<RegistryValue::Kind> kind;
  std::string text = "";
  uint32_t dword = 0;
  std::vector<uint8_t> bytes = {};
};

struct FileCase {
  const char* label;
  std::string text;
  std::vector<Lookup> lookups;
};

const char kHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";

TEST(RegistryFile, ReadsWellFormedAndSkipsMalformedLines) {
  const FileCase cases[] = {
      {"typed values",
       std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n"
                              "\"Directorio\"=\"c:\\\\galvora\"\r\n"
                              "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
                              "\"Count\"=dword:0000002a\r\n"
                              "\"Blob\"=hex:01,ff,0a\r\n"
                              "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                              "@=\"default\"\r\n",
       {{Root::LocalMachine, "\\Software\\Qor\\Galvora2025", "Directorio", RegistryValue::String,
         "c:\\galvora"},
        {Root::LocalMachine, "software\\qor\\GALVORA2025", "directorio", RegistryValue::String,
         "c:\\galvora"},
        {Root::LocalMachine, "Software\\Qor\\Galvora2025", "Quote", RegistryValue::String,
         "say \"hi\""},
        {Root::LocalMachine, "Software\\Qor\\Galvora2025", "Count", RegistryValue::DWord, "", 42},
        {Root::LocalMachine,
         "Software\\Qor\\Galvora2025",
         "Blob",
         RegistryValue::Binary,
         "",
         0,
         {0x01, 0xFF, 0x0A}},
        {Root::LocalMachine, "Software\\Qor\\Galvora2025", "Path", RegistryValue::ExpandString,
         "%A%"},
        {Root::LocalMachine, "Software\\Qor\\Galvora2025", "", RegistryValue::String, "default"},
        {Root::CurrentUser, "Software\\Qor\\Galvora2025", "Directorio", std::nullopt}}},
      {"roots are separate, short root names, continued hex lines",
       std::string(kHeader) + "[HKCU\\Control Panel\\International]\n"
                              "\"sDecimal\"=\",\"\n"
                              "\"Bytes\"=hex:01,02,\\\n"
                              "  03,04\n",
       {{Root::CurrentUser, "Control Panel\\International", "sDecimal", RegistryValue::String, ","},
        {Root::CurrentUser,
         "Control Panel\\International",
         "Bytes",
         RegistryValue::Binary,
         "",
         0,
         {1, 2, 3, 4}},
        {Root::LocalMachine, "Control Panel\\International", "sDecimal", std::nullopt}}},
      {"malformed lines are skipped, the rest is read",
       std::string(kHeader) + "\"Orphan\"=\"no section yet\"\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\A]\n"
                              "\"Unclosed=\"x\"\n"
                              "\"NoEquals\" \"x\"\n"
                              "\"BadDword\"=dword:xyz\n"
                              "\"LongDword\"=dword:123456789\n"
                              "\"BadHex\"=hex:1,zz\n"
                              "\"BadKind\"=hex(q):00\n"
                              "\"Trailing\"=\"x\" junk\n"
                              "\"Unterminated\"=\"abc\n"
                              "garbage line\n"
                              "\"Deleted\"=-\n"
                              "\"Good\"=\"yes\"\n"
                              "[HKEY_CLASSES_ROOT\\Software\\A]\n"
                              "\"Other\"=\"root\"\n"
                              "[broken section\n"
                              "\"AfterBroken\"=\"lost\"\n",
       {{Root::LocalMachine, "Software\\A", "Good", RegistryValue::String, "yes"},
        {Root::LocalMachine, "Software\\A", "Orphan", std::nullopt},
        {Root::LocalMachine, "Software\\A", "Unclosed", std::nullopt},
        {Root::LocalMachine, "Software\\A", "NoEquals", std::nullopt},
        {Root::LocalMachine, "Software\\A", "BadDword", std::nullopt},
        {Root::LocalMachine, "Software\\A", "LongDword", std::nullopt},
        {Root::LocalMachine, "Software\\A", "BadHex", std::nullopt},
        {Root::LocalMachine, "Software\\A", "BadKind", std::nullopt},
        {Root::LocalMachine, "Software\\A", "Trailing", std::nullopt},
        {Root::LocalMachine, "Software\\A", "Unterminated", std::nullopt},
        {Root::LocalMachine, "Software\\A", "Deleted", std::nullopt},
        {Root::LocalMachine, "Software\\A", "Other", std::nullopt},
        {Root::LocalMachine, "Software\\A", "AfterBroken", std::nullopt}}},
      {"REGEDIT4 hex strings are code page bytes; NUL cuts a string",
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"S\"=hex(1):61,f3,00,62\n",
       {{Root::LocalMachine, "K", "S", RegistryValue::String, "a\xF3"}}},
      {"UTF-8 file text becomes Windows-1252",
       std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\K\\Año]\n\"V\"=\"Compañía €\"\n",
       {{Root::LocalMachine, "K\\A\xD1O", "v", RegistryValue::String,
         "Compa\xF1\xED"
         "a \x80"}}},
      {"Windows-1252 file text is kept",
       std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"Compa\xF1\xED"
                              "a\"\n",
       {{Root::LocalMachine, "K", "V", RegistryValue::String,
         "Compa\xF1\xED"
         "a"}}},
      {"empty and binary junk files give no keys",
       std::string("\0\x01\xFF[\n\xFE\"", 7),
       {{Root::LocalMachine, "K", "V", std::nullopt}}},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.label);
    RegistryFile file = RegistryFile::FromText(c.text);
    for (const Lookup& lookup : c.lookups) {
      SCOPED_TRACE(std::string(lookup.key) + " / " + lookup.name);
      std::optional<RegistryValue> value = file.Value(lookup.root, lookup.key, lookup.name);
      ASSERT_EQ(value.has_value(), lookup.kind.has_value());
      if (!value) continue;
      EXPECT_EQ(value->kind, *lookup.kind);
      if (value->kind == RegistryValue::String || value->kind == RegistryValue::ExpandString) {
        EXPECT_EQ(value->text, lookup.text);
      } else if (value->kind == RegistryValue::DWord) {
        EXPECT_EQ(value->dword, lookup.dword);
      } else {
        EXPECT_EQ(value->bytes, lookup.bytes);
      }
    }
  }
}

// Windows' registry editor writes CR LF and continues long hex values over several lines; a
// file with LF or CR line ends reads the same.
TEST(RegistryFile, ContinuedHexValuesReadTheSameWithEveryLineEnd) {
  // "/srv/añejo/Отчёт €" and "dd/MM/yyyy" as UTF-16LE hex(2) bytes, 12 bytes a line.
  auto hexLines = [](const std::u16string& text, const std::string& end) {
    std::string out;
    std::vector<std::string> bytes;
    for (char16_t unit : text + u'\0') {
      for (int shift : {0, 8}) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", (unit >> shift) & 0xFF);
        bytes.push_back(hex);
      }
    }
    for (size_t i = 0; i < bytes.size(); ++i) {
      out += bytes[i];
      if (i + 1 < bytes.size()) out += i % 12 == 11 ? ",\\" + end + "  " : ",";
    }
    return out + end;
  };
  const std::u16string folder = u"/srv/a\u00F1ejo/\u041E\u0442\u0447\u0451\u0442 \u20AC";
  for (const std::string end : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(end == "\r\n" ? "CR LF" : end == "\n" ? "LF" : "CR");
    const std::string text =
        "Windows Registry Editor Version 5.00" + end + end +
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Qor\\Galvora2025]" + end +
        "\"Directorio\"=hex(2):" + hexLines(folder, end) + "\"Next\"=\"after\"" + end + end +
        "[HKEY_CURRENT_USER\\Control Panel\\International]" + end +
        "\"sShortDate\"=hex(2):" + hexLines(u"dd/MM/yyyy", end) + "\"sDate\"=\"/\"" + end;
    RegistryFile file = RegistryFile::FromText(text);
    EXPECT_EQ(file.ReadPathString(Root::LocalMachine, "Software\\Qor\\Galvora2025", "Directorio"),
              "/srv/a\xC3\xB1" "ejo/\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \xE2\x82\xAC");
    EXPECT_EQ(file.ReadString(Root::LocalMachine, "Software\\Qor\\Galvora2025", "Directorio"),
              "/srv/a\xF1" "ejo/????? \x80");
    EXPECT_EQ(file.ReadString(Root::LocalMachine, "Software\\Qor\\Galvora2025", "Next"), "after");
    EXPECT_EQ(file.ReadString(Root::CurrentUser, "Control Panel\\International", "sShortDate"),
              "dd/MM/yyyy");
    EXPECT_EQ(LoadFormatSettings("C", file).ShortDateFormat, "dd/MM/yyyy");
  }
}

// Paths keep every character whatever the file's encoding; a Windows-1252 file is converted.
TEST(RegistryFile, PathStringsAreUtf8) {
  struct Case {
    const char* label;
    std::string text;
    const char* path;
  } cases[] = {
      {"UTF-8", std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\K]\n\"D\"=\"/srv/\u0416 \u00D1\"\n",
       "/srv/\xD0\x96 \xC3\x91"},
      {"UTF-8 with byte order mark",
       "\xEF\xBB\xBF" + std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\K]\n\"D\"=\"/a\u00F1o\"\n",
       "/a\xC3\xB1o"},
      {"Windows-1252", std::string(kHeader) + "[HKEY_LOCAL_MACHINE\\K]\n\"D\"=\"/a\xF1o \x80\"\n",
       "/a\xC3\xB1o \xE2\x82\xAC"},
      {"REGEDIT4 hex(2) code page bytes",
       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"D\"=hex(2):2f,d1,00\n",
       "/\xC3\x91"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(RegistryFile::FromText(c.text).ReadPathString(Root::LocalMachine, "K", "D"), c.path);
  }
}

TEST(RegistryFile, Utf16FileWithByteOrderMark) {
  std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
      u"\"V\"=\"d\u00EDa \u20AC\"\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  EXPECT_EQ(RegistryFile::FromText(bytes).ReadString(RegistryRoot::LocalMachine, "K", "V"),
            "d\xED"
            "a \x80");
}

TEST(RegistryFile, KeysExistWithTheirParentsOnly) {
  RegistryFile file = RegistryFile::FromText(std::string(kHeader) +
                                             "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2024]\n");
  EXPECT_TRUE(file.KeyExists(RegistryRoot::LocalMachine, "\\Software\\Qor\\Galvora2024"));
  EXPECT_TRUE(file.KeyExists(RegistryRoot::LocalMachine, "SOFTWARE\\QOR"));
  EXPECT_FALSE(file.KeyExists(RegistryRoot::LocalMachine, "\\Software\\Qor\\Galvora2025"));
  EXPECT_FALSE(file.KeyExists(RegistryRoot::LocalMachine, "\\Software\\Qor\\Galvora"));
  EXPECT_FALSE(file.KeyExists(RegistryRoot::CurrentUser, "\\Software\\Qor\\Galvora2024"));
}

TEST(RegistryFile, ReadStringRejectsOtherKinds) {
  RegistryFile file = RegistryFile::FromText(std::string(kHeader) +
                                             "[HKEY_LOCAL_MACHINE\\K]\n"
                                             "\"Number\"=dword:00000001\n"
                                             "\"Blob\"=hex:00\n");
  EXPECT_EQ(file.ReadString(RegistryRoot::LocalMachine, "K", "Missing"), "");
  EXPECT_EQ(file.ReadString(RegistryRoot::LocalMachine, "Nokey", "Missing"), "");
  for (const char* name : {"Number", "Blob"}) {
    try {
      file.ReadString(RegistryRoot::LocalMachine, "K", name);
      ADD_FAILURE() << name << " read as a string";
    } catch (const ERegistryException& error) {
      EXPECT_EQ(error.Message(), std::string("Invalid data type for '") + name + "'");
    }
  }
}

TEST(SystemRegistry, ReadsTheFileNamedByTheEnvironmentAndReloads) {
  std::filesystem::path path = std::filesystem::temp_directory_path() /
                               ("registry-test-" + std::to_string(getpid()) + ".reg");
  auto write = [&](const std::string& folder) {
    std::ofstream(path, std::ios::binary)
        << kHeader << "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\n\"Directorio\"=\""
        << folder << "\"\n";
  };
  write("/srv/one");
  setenv("QOR_REGISTRY", path.c_str(), 1);
  ReloadSystemRegistry();
  EXPECT_EQ(
      ReadRegistryString(RegistryRoot::LocalMachine, "\\Software\\Qor\\Galvora2025", "Directorio"),
      "/srv/one");
  write("/srv/two");
  EXPECT_EQ(SystemRegistry().ReadString(RegistryRoot::LocalMachine, "Software\\Qor\\Galvora2025",
                                        "Directorio"),
            "/srv/one");  // loaded once
  ReloadSystemRegistry();
  EXPECT_EQ(
      ReadRegistryString(RegistryRoot::LocalMachine, "Software\\Qor\\Galvora2025", "Directorio"),
      "/srv/two");
  std::filesystem::remove(path);
  ReloadSystemRegistry();
  EXPECT_FALSE(SystemRegistry().KeyExists(RegistryRoot::LocalMachine, "Software"));
  unsetenv("QOR_REGISTRY");
  ReloadSystemRegistry();
}

// A registry path that names no readable file of its own: missing gives no keys; a folder, a
// FIFO (which must not hold up the reader), a device or a file far larger than any registry
// (sparse, so it costs no disk) is an error naming the file.
TEST(RegistryFile, PathsThatAreNotRegularFiles) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("registry-kinds-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  ASSERT_EQ(::mkfifo((folder / "fifo.reg").c_str(), 0600), 0);
  for (const char* name : {"huge.reg", "over.reg"}) std::ofstream(folder / name).close();
  std::filesystem::resize_file(folder / "huge.reg", std::uintmax_t{8} << 30);
  std::filesystem::resize_file(folder / "over.reg", RegistryFile::kMaxRegistryFileBytes + 1);
  const std::string tooLarge = "It is larger than 16 MiB, the most a registry file may hold.";
  struct Case {
    std::string path, reason;
  } cases[] = {
      {(folder / "missing.reg").string(), ""},
      {folder.string(), "Is a directory"},
      {(folder / "fifo.reg").string(), "It is not a regular file."},
      {"/dev/zero", "It is not a regular file."},
      {(folder / "huge.reg").string(), tooLarge},
      {(folder / "over.reg").string(), tooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      const RegistryFile file = RegistryFile::Load(c.path);
      EXPECT_EQ(c.reason, "");
      EXPECT_FALSE(file.KeyExists(RegistryRoot::LocalMachine, "Software"));
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), "Cannot read the registry file \"" + c.path + "\". " + c.reason);
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace platform
