// Files put in place only when complete: what may be replaced, what the replacement keeps of
// the former file, and that nothing stays beside it.

#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::EFCreateError;
using platform::ReplacementFile;

class ReplacementFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("replacement_test_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  // Writes `bytes` through the descriptor and commits.
  static void Replace(const std::string& target, const std::string& bytes) {
    ReplacementFile file(target);
    ASSERT_EQ(::write(file.Descriptor(), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
    file.Commit();
  }
  std::vector<std::string> Listing(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> Listing() const { return Listing(folder_); }

  fs::path folder_;
};

TEST_F(ReplacementFileTest, ReplacesOnlyAtCommitAndLeavesNothingBeside) {
  const fs::path target = folder_ / "Costos.txt";
  Write(target, "former");
  {
    ReplacementFile file(target.string());
    ASSERT_EQ(::write(file.Descriptor(), "new", 3), 3);
    EXPECT_EQ(Read(target), "former");
    EXPECT_EQ(Listing(), std::vector<std::string>{"Costos.txt"});
  }  // not committed: discarded
  EXPECT_EQ(Read(target), "former");
  EXPECT_EQ(Listing(), std::vector<std::string>{"Costos.txt"});

  Replace(target.string(), "new");
  EXPECT_EQ(Read(target), "new");
  EXPECT_EQ(Listing(), std::vector<std::string>{"Costos.txt"});
}

TEST_F(ReplacementFileTest, WritersThatTakeANameWriteTheSameFile) {
  const fs::path target = folder_ / "Costos.xlsx";
  ReplacementFile file(target.string());
  FILE* byName = std::fopen(file.Path().c_str(), "wb");
  ASSERT_NE(byName, nullptr) << file.Path();
  std::fputs("written by name", byName);
  ASSERT_EQ(std::fclose(byName), 0);
  EXPECT_FALSE(fs::exists(target));
  file.Commit();
  EXPECT_EQ(Read(target), "written by name");
  EXPECT_EQ(Listing(), std::vector<std::string>{"Costos.xlsx"});
}

TEST_F(ReplacementFileTest, KeepsOwnerAndModeOfTheFormerFile) {
  const fs::path target = folder_ / "Costos.csv";
  Write(target, "former");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const bool privileged = ::geteuid() == 0;
  if (privileged) {
    ASSERT_EQ(::chown(target.c_str(), 4321, 4322), 0);
  }
  struct stat before;
  ASSERT_EQ(::stat(target.c_str(), &before), 0);

  Replace(target.string(), "new");
  struct stat after;
  ASSERT_EQ(::stat(target.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);

  // A new file gets the mode any new file gets.
  const mode_t mask = ::umask(022);
  Replace((folder_ / "nuevo.txt").string(), "x");
  ::umask(mask);
  ASSERT_EQ(::stat((folder_ / "nuevo.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0644u);
}

TEST_F(ReplacementFileTest, SymlinksAreFollowedAndStay) {
  fs::create_directories(folder_ / "real");
  Write(folder_ / "real" / "report.txt", "former");
  fs::create_symlink("real/report.txt", folder_ / "relative.txt");
  fs::create_symlink(folder_ / "relative.txt", folder_ / "chain.txt");
  fs::create_symlink("real/missing.txt", folder_ / "dangling.txt");

  Replace((folder_ / "chain.txt").string(), "through a chain");
  EXPECT_TRUE(fs::is_symlink(folder_ / "chain.txt"));
  EXPECT_TRUE(fs::is_symlink(folder_ / "relative.txt"));
  EXPECT_EQ(Read(folder_ / "real" / "report.txt"), "through a chain");

  Replace((folder_ / "dangling.txt").string(), "created at the link's target");
  EXPECT_TRUE(fs::is_symlink(folder_ / "dangling.txt"));
  EXPECT_EQ(Read(folder_ / "real" / "missing.txt"), "created at the link's target");
  EXPECT_EQ(Listing(folder_ / "real"), (std::vector<std::string>{"missing.txt", "report.txt"}));

  ReplacementFile file((folder_ / "chain.txt").string());
  EXPECT_EQ(file.Target(), (folder_ / "real" / "report.txt").string());
}

TEST_F(ReplacementFileTest, NamesAsLongAsTheFileSystemTakes) {
  const std::string name(255, 'n');
  Replace((folder_ / name).string(), "long");
  EXPECT_EQ(Read(folder_ / name), "long");
  EXPECT_EQ(Listing(), std::vector<std::string>{name});
}

// Whatever is refused stays exactly as it was, and nothing appears beside it.
TEST_F(ReplacementFileTest, RefusesWhatIsNotAWritableRegularFile) {
  const fs::path fifo = folder_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directories(folder_ / "folder");
  const fs::path open = folder_ / "galvora.fdb";
  Write(open, "database");
  const int held = ::open(open.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  fs::create_symlink(open, folder_ / "link-to-open");
  Write(folder_ / "loop-a", "");
  fs::remove(folder_ / "loop-a");
  fs::create_symlink(folder_ / "loop-b", folder_ / "loop-a");
  fs::create_symlink(folder_ / "loop-a", folder_ / "loop-b");

  struct Case {
    std::string target, reason;
  } cases[] = {
      {"/dev/null", "It is not a regular file."},
      {fifo.string(), "It is not a regular file."},
      {(folder_ / "folder").string(), "Is a directory"},
      {(folder_ / "folder").string() + "/", "Is a directory"},
      {open.string(), "The file is open in this program (the database being read)."},
      {(folder_ / "link-to-open").string(),
       "The file is open in this program (the database being read)."},
      {(folder_ / "missing" / "Costos.txt").string(), "No such file or directory"},
      {(folder_ / "loop-a").string(), "Too many levels of symbolic links"},
  };
  const std::vector<std::string> listing = Listing();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    try {
      ReplacementFile file(c.target);
      ADD_FAILURE() << "accepted";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.Message(), "Cannot create file \"" + c.target + "\". " + c.reason);
    }
    EXPECT_EQ(Listing(), listing);
  }
  EXPECT_EQ(Read(open), "database");
  ::close(held);
}

TEST_F(ReplacementFileTest, ReadOnlyFormerFileIsRefusedUnlessPrivileged) {
  if (::geteuid() == 0) GTEST_SKIP() << "a privileged process may write any file";
  const fs::path target = folder_ / "locked.txt";
  Write(target, "former");
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  EXPECT_THROW(ReplacementFile file(target.string()), EFCreateError);
  EXPECT_EQ(Read(target), "former");
}

}  // namespace
