#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

// One typed registry value. `text` holds String and ExpandString values (Windows-1252,
// cut at the first NUL) and `unicodeText` the same text in UTF-8 with every character kept,
// `dword` DWord values, `bytes` Binary values (and the raw bytes of hex(N) kinds that have no
// closer match, such as multi-strings and 64-bit numbers).
struct RegistryValue {
  enum Kind { String, ExpandString, DWord, Binary } kind = String;
  std::string text;
  std::string unicodeText;
  uint32_t dword = 0;
  std::vector<uint8_t> bytes;
};

// A read-only registry held in a file of the registry export format ("Windows Registry Editor
// Version 5.00" or "REGEDIT4"): [HKEY_LOCAL_MACHINE\...] / [HKEY_CURRENT_USER\...] sections (HKLM /
// HKCU accepted too) with "name"="text", "name"=hex(2):.., "name"=dword:0000002a, "name"=hex:.. and
// @= (the key's default value). The file may be UTF-16LE with a byte order mark, UTF-8, or
// Windows-1252 bytes; lines end in CR LF, LF or CR, and a hex value continues on the next line
// after a trailing "\". Texts are given as Windows-1252, and names of files in UTF-8. Lines that
// cannot be read are skipped. Keys and value names are compared without regard to case; a key may
// be given with or without a leading "\". A key exists when it has a section or any section lies
// below it.
class RegistryFile {
 public:
  // The largest file Load reads (16 MiB).
  static constexpr uint64_t kMaxRegistryFileBytes = 16 * 1024 * 1024;

  // Reads the file at `path`; a missing or unreadable file gives a registry with no keys.
  // Raises ERegistryException ("Cannot read the registry file "%s". %s") when `path` names a
  // folder, a FIFO or a device, a file over kMaxRegistryFileBytes, or reading fails.
  static RegistryFile Load(const std::string& path);
  // Reads registry text (as the bytes of a file would be).
  static RegistryFile FromText(const std::string& text);

  bool KeyExists(RegistryRoot root, const std::string& key) const;
  std::optional<RegistryValue> Value(RegistryRoot root, const std::string& key,
                                     const std::string& name) const;

  // The text of a string value (plain or expandable, not expanded); empty when the key or
  // the value is absent. Throws ERegistryException "Invalid data type for '<name>'" when the
  // value exists but is not a string.
  std::string ReadString(RegistryRoot root, const std::string& key, const std::string& name) const;
  // The same value as a file-system path: its text in UTF-8, with characters that Windows-1252
  // lacks kept. Same errors as ReadString().
  std::string ReadPathString(RegistryRoot root, const std::string& key,
                             const std::string& name) const;

 private:
  friend class RegistryParser;
  // Folded key path ("software\qor\galvora2025") per root -> folded value name -> value.
  using Values = std::map<std::string, RegistryValue>;
  std::map<std::string, Values> keys_[2];
};

// The program's registry: the file named by the environment variable QOR_REGISTRY, else
// /etc/qor/registry.reg (no file means no keys). Loaded at first use and kept.
const RegistryFile& SystemRegistry();
// Reads the program's registry file again (for example after the file changed).
void ReloadSystemRegistry();

// SystemRegistry().ReadString(root, key, name).
std::string ReadRegistryString(RegistryRoot root, const std::string& key, const std::string& name);

}  // namespace platform
