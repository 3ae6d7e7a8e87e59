#include "report/ServerList.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace report {
namespace {

namespace fs = std::filesystem;
using Entries = std::vector<std::string>;

TEST(ParseServerList, LineEndRules) {
  struct Case {
    const char* label;
    std::string bytes;
    Entries entries;
  };
  const std::string line255(255, 'x');
  const Case cases[] = {
      {"two CR LF lines", "c:\\galvora\r\n/srv/b\r\n", {"c:\\galvora", "/srv/b"}},
      {"last line without CR LF is not taken", "c:\\galvora\r\n/srv/b", {"c:\\galvora"}},
      {"CR swallows the next byte", "a\rb\n", {"a", ""}},
      {"lone LFs end lines", "a\n\nb\r\n", {"a", "", "b"}},
      {"leading CR LF gives an empty entry", "\r\na\r\n", {"", "a"}},
      {"empty file", "", {}},
      {"only text", "abc", {}},
      {"CR at the very end", "a\r", {"a"}},
      {"CR CR: the second is swallowed", "a\r\rb\r\n", {"a", "b"}},
      {"NUL cuts the entry", std::string("ab\0cd\r\nef\r\n", 11), {"ab", "ef"}},
      {"NUL at the start", std::string("\0x\r\n", 4), {""}},
      {"255 bytes kept whole", line255 + "\r\n", {line255}},
      {"longer line keeps its first 255 bytes", line255 + "yyyy\r\nz\r\n", {line255, "z"}},
      // Entries are file-system text: UTF-8 lines stay, other lines are Windows-1252.
      {"UTF-8 kept", "/srv/a\xC3\xB1o/\xD0\x9E\r\n", {"/srv/a\xC3\xB1o/\xD0\x9E"}},
      {"Windows-1252 converted",
       "c:\\compa\xF1\xED"
       "a \x80\r\n/srv/\xC3\x91\r\n",
       {"c:\\compa\xC3\xB1\xC3\xAD"
        "a \xE2\x82\xAC",
        "/srv/\xC3\x91"}},
      // A byte-order mark at the start is skipped; anywhere else it is text.
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF/srv/a\r\n/srv/b\r\n", {"/srv/a", "/srv/b"}},
      {"byte-order mark alone", "\xEF\xBB\xBF", {}},
      {"byte-order mark before an empty line", "\xEF\xBB\xBF\r\n/srv/a\r\n", {"", "/srv/a"}},
      {"byte-order mark on the second line", "/a\r\n\xEF\xBB\xBF/b\r\n", {"/a", "\xEF\xBB\xBF/b"}},
      {"binary junk", std::string("\xFF\x00\x01\n\x80\r\x0A\x0D", 8),
       {"\xC3\xBF", "\xE2\x82\xAC", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseServerList(c.bytes), c.entries) << c.label;
}

class ServerFile : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("servers-" + std::to_string(getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string Write(const std::string& bytes) {
    std::string path = ServerListPath(folder_.string());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  fs::path folder_;
};

TEST_F(ServerFile, ReadsTheFileInTheInstallationFolder) {
  EXPECT_EQ(ServerListPath(""), "/SERVIDORES.cfg");
  EXPECT_EQ(ServerListPath("/srv/galvora"), "/srv/galvora/SERVIDORES.cfg");
  std::string path = Write("/srv/a\r\n/srv/b\r\n");
  EXPECT_EQ(ReadServerList(path), (Entries{"/srv/a", "/srv/b"}));
  // A line far past the buffer is cut, never overflows.
  path = Write(std::string(100000, 'q') + "\r\nend\r\n");
  Entries entries = ReadServerList(path);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], std::string(255, 'q'));
  EXPECT_EQ(entries[1], "end");
}

TEST_F(ServerFile, FolderNamesAreTheFileSystemsBytes) {
  for (const char* name : {"Compa\xC3\xB1\xC3\xAD"
                           "a",
                           "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82"}) {
    const fs::path folder = folder_ / name;
    fs::create_directories(folder);
    std::ofstream(folder / kServerListFile, std::ios::binary) << "/srv/a\r\n";
    EXPECT_EQ(ReadServerList(ServerListPath(folder.string())), Entries{"/srv/a"}) << name;
  }
}

TEST_F(ServerFile, AbsentLockedOrNotAFileGivesNothing) {
  EXPECT_TRUE(ReadServerList((folder_ / "missing.cfg").string()).empty());
  EXPECT_TRUE(ReadServerList(folder_.string()).empty());
  // A FIFO without a writer gives nothing at once instead of holding up the reader.
  const fs::path fifo = folder_ / "fifo.cfg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_TRUE(ReadServerList(fifo.string()).empty());

  std::string path = Write("/srv/a\r\n");
  int holder = open(path.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_TRUE(ReadServerList(path).empty());
  close(holder);
  EXPECT_EQ(ReadServerList(path), Entries{"/srv/a"});
  // The reader let go of its own lock.
  holder = open(path.c_str(), O_RDONLY);
  EXPECT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  close(holder);
}

}  // namespace
}  // namespace report
