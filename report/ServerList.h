#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace report {

// The server list file's name in the installation folder.
inline constexpr const char kServerListFile[] = "SERVIDORES.cfg";

// The server list file of an installation folder: folder + "/SERVIDORES.cfg" (with an
// empty folder "/SERVIDORES.cfg").
std::string ServerListPath(const std::string& installFolder);

// The longest entry a line can give; the rest of a longer line is dropped.
inline constexpr size_t kServerLineMax = 255;

// The entries of a server list file's bytes. Read byte by byte: CR or LF ends a line and
// appends its text up to the first NUL (empty lines give empty entries); after a CR the next
// byte is consumed whatever it is (the line end is taken to be CR LF). Text after the last
// line end is not taken. A line keeps at most kServerLineMax bytes. Entries are file-system
// text (UTF-8): a line that is not valid UTF-8 (a file copied from a Windows installation) is
// read as Windows-1252 and converted. A UTF-8 byte-order mark at the start is skipped.
std::vector<std::string> ParseServerList(std::string_view bytes);

// The entries of the server list file at `path` (the file system's bytes, as the registry
// gives the installation folder). The file is opened for reading without
// sharing (an exclusive advisory lock); a file that is absent, unreadable or locked by
// another holder gives an empty list, without a message.
std::vector<std::string> ReadServerList(const std::string& path);

}  // namespace report
