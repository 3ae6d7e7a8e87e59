// Files put in place only when complete: what may be replaced, what the replacement keeps of
// the former file, and that nothing stays beside it.

#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// An access control list in the kernel's form: version 2, then (tag, permissions, id) entries.
std::string Acl(std::initializer_list<std::array<uint32_t, 3>> entries) {
  std::string acl(4, '\0');
  const uint32_t version = 2;
  std::memcpy(acl.data(), &version, 4);
  for (const auto& [tag, permissions, id] : entries) {
    const uint16_t t = static_cast<uint16_t>(tag), p = static_cast<uint16_t>(permissions);
    acl.append(reinterpret_cast<const char*>(&t), 2);
    acl.append(reinterpret_cast<const char*>(&p), 2);
    acl.append(reinterpret_cast<const char*>(&id), 4);
  }
  return acl;
}
constexpr uint32_t kUserObj = 0x01, kUser = 0x02, kGroupObj = 0x04, kMask = 0x10, kOther = 0x20;
constexpr uint32_t kNoId = 0xFFFFFFFFu;

std::string Attribute(const fs::path& path, const char* name) {
  char value[256];
  const ssize_t size = ::getxattr(path.c_str(), name, value, sizeof value);
  return size < 0 ? "<none>" : std::string(value, static_cast<size_t>(size));
}

// Runs `work` in a child process as user `uid` and group `gid` (this process's own, or any
// when privileged); true when it returned true.
bool RunAs(uid_t uid, gid_t gid, const std::function<bool()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    bool ok = uid == ::geteuid() ||
              (::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0);
    try {
      ok = ok && work();
    } catch (...) {
      ok = false;
    }
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// The former file's access control list and user attributes go over to the new file, whose
// mode then shows the list's mask as before (not a wider group permission).
TEST_F(ReplacementFileTest, KeepsAccessControlListAndUserAttributes) {
  const fs::path target = folder_ / "Costos.csv";
  Write(target, "former");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  const std::string acl = Acl({{kUserObj, 6, kNoId},
                               {kUser, 6, 4321},
                               {kGroupObj, 4, kNoId},
                               {kMask, 6, kNoId},
                               {kOther, 0, kNoId}});
  if (::setxattr(target.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
      ::setxattr(target.c_str(), "user.galvora.origin", "batch", 5, 0) != 0) {
    GTEST_SKIP() << "the temporary folder takes no access control lists or user attributes";
  }
  Replace(target.string(), "new");
  EXPECT_EQ(Read(target), "new");
  EXPECT_EQ(Attribute(target, "system.posix_acl_access"), acl);
  EXPECT_EQ(Attribute(target, "user.galvora.origin"), "batch");
  struct stat after;
  ASSERT_EQ(::stat(target.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0660u);
}

// A writer that is not the owner: the new file is the writer's, with the access the writer had
// (not the former owner's), no set-user-ID bit, and no group permission where the group could
// not be kept. Each row: the former file's mode and list, what the new file must show.
TEST_F(ReplacementFileTest, AWriterThatIsNotTheOwnerGainsNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs a privileged process to act as two users";
  ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
  constexpr uid_t kOwner = 4400, kWriter = 4321;
  constexpr gid_t kOwnerGroup = 4401, kWriterGroup = 4322;
  const struct Case {
    const char* name;
    mode_t mode;
    std::string acl;
    mode_t expectedMode;
    std::string expectedAcl;
  } cases[] = {
      {"writable by others", 04776, "", 0606, ""},
      {"writable through a named entry",
       0660,
       Acl({{kUserObj, 7, kNoId}, {kUser, 6, kWriter}, {kGroupObj, 6, kNoId}, {kMask, 6, kNoId},
            {kOther, 4, kNoId}}),
       0664,
       Acl({{kUserObj, 6, kNoId}, {kUser, 6, kWriter}, {kGroupObj, 0, kNoId}, {kMask, 6, kNoId},
            {kOther, 4, kNoId}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path target = folder_ / "ajeno.txt";
    Write(target, "former");
    ASSERT_EQ(::chown(target.c_str(), kOwner, kOwnerGroup), 0);
    ASSERT_EQ(::chmod(target.c_str(), c.mode), 0);
    if (!c.acl.empty()) {
      ASSERT_EQ(::setxattr(target.c_str(), "system.posix_acl_access", c.acl.data(), c.acl.size(),
                           0),
                0);
    }
    EXPECT_TRUE(RunAs(kWriter, kWriterGroup, [&] {
      Replace(target.string(), "new");
      return true;
    }));
    struct stat after;
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(after.st_uid, kWriter);
    EXPECT_EQ(after.st_gid, kWriterGroup);
    EXPECT_EQ(after.st_mode & 07777, c.expectedMode);
    EXPECT_EQ(Attribute(target, "system.posix_acl_access"),
              c.expectedAcl.empty() ? "<none>" : c.expectedAcl);
    fs::remove(target);
  }
}

// A writer killed between naming its file and putting it in place leaves a hidden temporary
// file; the next write into the folder removes it, but never a file a live writer holds (its
// lock), a folder, another name or the target itself.
TEST_F(ReplacementFileTest, TheNextWriteRemovesFilesLeftByAKilledWriter) {
  Write(folder_ / ".~gvAbCdEf12", "complete report");
  Write(folder_ / ".~gvLive0001", "being put in place");
  Write(folder_ / ".~gvshort", "not one of ours");
  Write(folder_ / ".~gvName0001", "former");
  fs::create_directories(folder_ / ".~gvFolder01");
  const int live = ::open((folder_ / ".~gvLive0001").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(live, 0);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);

  Replace((folder_ / "Costos.txt").string(), "new");
  Replace((folder_ / ".~gvName0001").string(), "named so by the operator");
  ::close(live);
  EXPECT_EQ(Listing(), (std::vector<std::string>{".~gvFolder01", ".~gvLive0001", ".~gvName0001",
                                                 ".~gvshort", "Costos.txt"}));
  EXPECT_EQ(Read(folder_ / ".~gvName0001"), "named so by the operator");
}

// A stop request learns whether the file was already put in place, so it can say so. Run in a
// child process: the stop's clean-up holds back every later commit.
TEST_F(ReplacementFileTest, AStopLearnsWhetherTheFileWasPutInPlace) {
  const fs::path target = folder_ / "Costos.txt";
  const auto stopAfter = [&](bool commit) {
    return RunAs(::geteuid(), ::getegid(), [&] {
      ReplacementFile file(target.string());
      if (commit) file.Commit();
      // Without a commit here it gives no file or one an earlier test put in place.
      return (ReplacementFile::DiscardUnfinished() == target.string()) == commit;
    });
  };
  EXPECT_TRUE(stopAfter(false));
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(stopAfter(true));
  EXPECT_TRUE(fs::exists(target));
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
