// A password the process holds stays out of core dumps and, once read, out of the process list.

#include "platform/ProcessSecrets.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(ProcessSecrets, AProcessHoldingAPasswordIsNotDumpable) {
  const pid_t child = ::fork();
  if (child == 0) {
    platform::KeepSecretsFromDumps();
    ::_exit(::prctl(PR_GET_DUMPABLE) == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// The argument is overwritten in place (what the process list shows); the others stay, and a
// position outside the command line changes nothing.
TEST(ProcessSecrets, ABlankedArgumentLeavesTheCommandLine) {
  char program[] = "repcostoav", server[] = "/srv", user[] = "SYSDBA", password[] = "s3cr3t!";
  char* argv[] = {program, server, user, password, nullptr};
  struct Case {
    int index;
    const char* expected;
  } cases[] = {{9, "s3cr3t!"}, {-1, "s3cr3t!"}, {3, "       "}};
  for (const Case& c : cases) {
    platform::BlankArgument(4, argv, c.index);
    EXPECT_STREQ(argv[3], c.expected) << c.index;
    EXPECT_STREQ(argv[2], "SYSDBA");
  }
}

}  // namespace
