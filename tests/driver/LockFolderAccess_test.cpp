// The engine's refusal of its lock folder is told apart from other errors, and its advice
// names the group to join and the new login.

#include "driver/LockFolderAccess.h"

#include <gtest/gtest.h>

namespace {

TEST(LockFolderAccess, RecognisesOnlyAPermissionRefusalOnTheLockFolder) {
  const struct {
    const char* text;
    bool refusal;
  } cases[] = {
      {"operating system directive access failed\nPermission denied\n/tmp/firebird/", true},
      {"operating system directive access failed\nPermission denied\n/tmp/firebird", true},
      {"operating system directive open failed\nPermission denied\n/tmp/firebird/fb_init", true},
      // Another folder, another cause, another error.
      {"operating system directive access failed\nPermission denied\n/srv/galvora/", false},
      {"operating system directive access failed\nNot a directory\n/tmp/firebird/", false},
      {"I/O error during \"open\" operation for file \"/srv/galvora/datos/001/galvora.fdb\"\n"
       "Error while trying to open file\nPermission denied",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ibdriver::IsLockFolderRefusal(c.text, "/tmp/firebird/"), c.refusal);
  }
}

TEST(LockFolderAccess, AdviceNamesTheGroupAndTheNewLogin) {
  EXPECT_EQ(ibdriver::LockFolderAccessText("/tmp/firebird", "op1"),
            "The database engine's lock folder /tmp/firebird is shared by the group galvora. "
            "Ask the administrator to add the account op1 to it (adduser op1 galvora), then log "
            "out and log in again: a new group counts from the next login.");
}

}  // namespace
