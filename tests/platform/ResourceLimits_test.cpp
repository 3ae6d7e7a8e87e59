// The crash guard: what a crash says while guards are alive, nested or not, and the messages
// that name the address space limit.

#include "platform/ResourceLimits.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <optional>

namespace {

using platform::CrashGuard;

TEST(CrashGuardDeathTest, TheLatestGuardSpeaksAndTheOuterComesBackWhenItEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* what;
    std::function<void()> run;
    ::testing::ExitedWithCode exit;
    const char* said;
  } cases[] = {
      {"one guard",
       [] {
         CrashGuard guard("outer (%s)", 5);
         std::raise(SIGSEGV);
       },
       ::testing::ExitedWithCode(5), "outer .Segmentation fault."},
      {"inside a nested guard",
       [] {
         CrashGuard outer("outer (%s)", 5);
         CrashGuard inner("inner (%s)", 6);
         std::raise(SIGBUS);
       },
       ::testing::ExitedWithCode(6), "inner .Bus error."},
      {"after the nested guard ended",
       [] {
         CrashGuard outer("outer (%s)", 5);
         { CrashGuard inner("inner (%s)", 6); }
         std::raise(SIGFPE);
       },
       ::testing::ExitedWithCode(5), "outer .Floating point exception."},
      {"guards made again after both ended",
       [] {
         { CrashGuard first("first (%s)", 5); }
         CrashGuard again("again (%s)", 7);
         std::raise(SIGABRT);
       },
       ::testing::ExitedWithCode(7), "again .Aborted."},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(c.run(), c.exit, c.said) << c.what;
  }
}

TEST(CrashGuardDeathTest, AfterTheLastGuardACrashIsAnOrdinaryCrashAgain) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // The handler the guards replace is the default one (a sanitizer installs its own).
        std::signal(SIGSEGV, SIG_DFL);
        {
          CrashGuard outer("outer (%s)", 5);
          { CrashGuard inner("inner (%s)", 6); }
        }
        std::raise(SIGSEGV);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
}

TEST(CrashGuardDeathTest, AGuardEndingBeforeALaterOneIsRefusedLoudly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::optional<CrashGuard> outer(std::in_place, "outer (%s)", 5);
        CrashGuard inner("inner (%s)", 6);
        outer.reset();
      },
      ::testing::KilledBySignal(SIGABRT), "A crash guard ended while a later one was active");
}

TEST(ResourceLimits, OutOfMemoryMessagesNameTheAddressSpaceLimit) {
  rlimit former;
  ASSERT_EQ(::getrlimit(RLIMIT_AS, &former), 0);
  const struct {
    rlim_t limit;  // RLIM_INFINITY: none
    const char* doing;
    const char* said;
  } cases[] = {
      {RLIM_INFINITY, "reading the report", "Out of memory while reading the report."},
      {RLIM_INFINITY, "", "Out of memory."},
      {rlim_t{64} << 30, "reading the report",
       "Out of memory while reading the report (the address space limit, ulimit -v, is "
       "67108864 KiB)."},
  };
  for (const auto& c : cases) {
    if (c.limit != RLIM_INFINITY && former.rlim_max != RLIM_INFINITY) continue;
    rlimit limit = former;
    limit.rlim_cur = c.limit == RLIM_INFINITY ? former.rlim_max : c.limit;
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &limit), 0);
    EXPECT_EQ(platform::OutOfMemoryMessage(c.doing), c.said);
    ::setrlimit(RLIMIT_AS, &former);
  }
}

}  // namespace
