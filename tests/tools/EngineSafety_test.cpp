// Interrupted runs never leave the database engine's shared lock folder blocked for the runs
// after them: stop requests at every moment of start-up and attach, SIGKILL at attach, and
// programs started with standard descriptors closed. Each test uses a lock folder of its own,
// while another process (isql-fb with the programs' Firebird root, standing in for an open
// window) holds the database, so that the engine's shared files stay in use between runs.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "tests/tools/support/ProgramRun.h"

namespace fs = std::filesystem;
using toolstest::Launch;
using toolstest::RunResult;

namespace {

using Clock = std::chrono::steady_clock;

std::string Bin(const std::string& name) {
  return std::string(std::getenv("GALVORA_BINARY_DIR")) + "/bin/" + name;
}

class EngineSafety : public toolstest::FolderSuite {
 protected:
  static void SetUpTestSuite() { MakeFolderWithDemo("engine_safety", 3); }

  void SetUp() override {
    locks_ = *folder_ / ("locks_" + std::string(
                             ::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(locks_);
    fs::create_directories(locks_);
    StartHolder();
  }
  void TearDown() override {
    holder_.write("quit;\n");
    holder_.closeWriteChannel();
    if (!holder_.waitForFinished(10000)) holder_.kill();
    EXPECT_TRUE(holder_.state() == QProcess::NotRunning || holder_.waitForFinished(5000));
  }

  fs::path Database() const { return *folder_ / "demo/datos/001/galvora.fdb"; }
  QString LockFolder() const { return QString::fromStdString(locks_.string()); }

  // isql-fb with the programs' root and this test's lock folder, attached to the database.
  void StartHolder() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("FIREBIRD", QString::fromStdString(std::string(std::getenv("GALVORA_BINARY_DIR")) +
                                                  "/lib/firebird"));
    env.insert("FIREBIRD_LOCK", LockFolder());
    holder_.setProcessEnvironment(env);
    holder_.start("isql-fb", {"-q", "-u", "SYSDBA", "-p", "masterkey",
                              QString::fromStdString(Database().string())});
    ASSERT_TRUE(holder_.waitForStarted());
    holder_.write("select count(*) from rdb$database;\n");
    ASSERT_TRUE(holder_.waitForReadyRead(30000)) << "isql-fb did not attach";
  }

  Launch Export(const std::string& name) const {
    Launch launch{.program = "repcostoav-export",
                  .args = toolstest::ExportArgs(*folder_ / "demo", *folder_ / (name + ".csv")),
                  .env = {{"FIREBIRD_LOCK", LockFolder()}}};
    launch.timeoutMs = 30000;
    return launch;
  }

  // An ordinary export after the interrupted ones: it must finish, and soon.
  void ExpectOrdinaryExport(const std::string& after) {
    const auto start = Clock::now();
    const RunResult result = toolstest::Run(Export("ordinary"));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    longest_ = std::max(longest_, took);
    EXPECT_EQ(result.status, 0) << "after " << after << ": " << result.err;
  }

  // Starts `launch`, sends `signal` `delay` after the start, and expects the run to end within
  // its time limit with the stop's status (or its own, when it was done before the signal).
  void StopAfter(Launch launch, int signal, std::chrono::milliseconds delay, int ownStatus) {
    launch.whileRunning = [signal, delay](QProcess& process) {
      process.waitForStarted();
      std::this_thread::sleep_for(delay);
      if (process.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(process.processId()), signal);
      }
    };
    const RunResult result = toolstest::Run(launch);
    if (signal == SIGKILL) {
      EXPECT_TRUE(result.status == -1 || result.status == ownStatus) << result.err;
    } else {
      EXPECT_TRUE(result.status == 128 + signal || result.status == ownStatus)
          << launch.program << " stopped by " << signal << " after " << delay.count()
          << " ms: status " << result.status << "\n"
          << result.err;
    }
  }

  fs::path locks_;
  QProcess holder_;
  std::chrono::milliseconds longest_{0};
};

// Stop requests of each kind over the start-up and attach of the batch exporter, at fixed and
// random moments; an ordinary export after each round. (Before, 3 to 30 such stops left a mutex
// of the lock folder owned by a process that no longer existed, and every later run hung.)
TEST_F(EngineSafety, StopRequestsAtAnyMomentLeaveTheEngineUsable) {
  const int rounds = std::getenv("GALVORA_STRESS_ROUNDS") ? std::atoi(std::getenv("GALVORA_STRESS_ROUNDS")) : 1;
  std::mt19937 random(20260);
  int stops = 0;
  for (int round = 0; round < rounds; ++round) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
      for (int delay : {5, 10, 20, 30, 40, 60, 90}) {
        StopAfter(Export("stopped"), signal,
                  std::chrono::milliseconds(delay + static_cast<int>(random() % 10)), 0);
        ++stops;
      }
      ExpectOrdinaryExport("stops by signal " + std::to_string(signal));
    }
  }
  RecordProperty("stops", stops);
  RecordProperty("longest_later_run_ms", static_cast<int>(longest_.count()));
}

// galvora-demo and the window are stopped the same way over their start-up and attach.
TEST_F(EngineSafety, StopRequestsToTheDemoAndTheWindowLeaveTheEngineUsable) {
  std::mt19937 random(4711);
  for (int delay : {5, 15, 30, 60}) {
    const fs::path demo = *folder_ / "stopped_demo";
    fs::remove_all(demo);
    Launch launch{.program = "galvora-demo",
                  .args = {QString::fromStdString(demo.string()), "--warehouses", "2",
                           "--months", "1"},
                  .env = {{"FIREBIRD_LOCK", LockFolder()}}};
    launch.timeoutMs = 30000;
    StopAfter(launch, SIGTERM, std::chrono::milliseconds(delay + random() % 10), 0);
  }
  ExpectOrdinaryExport("stopped demo runs");
  for (int delay : {50, 150, 300, 600}) {
    Launch launch{.program = "repcostoav",
                  .args = {QString::fromStdString((*folder_ / "demo").string()), "SYSDBA",
                           "masterkey", "001", "", "", "", "", "", "1"},
                  .registry = *folder_ / "demo/registry.reg",
                  .env = {{"FIREBIRD_LOCK", LockFolder()}, {"QT_QPA_PLATFORM", "offscreen"}}};
    launch.timeoutMs = 30000;
    StopAfter(launch, SIGTERM, std::chrono::milliseconds(delay + random() % 20), 0);
  }
  ExpectOrdinaryExport("stopped window runs");
}

// A process killed outright while it attaches cannot release what it holds: the run after it
// finishes, or fails at once with a message naming the lock folder and the dead process.
TEST_F(EngineSafety, AKillAtAttachIsFollowedByARunThatEndsInBoundedTime) {
  std::mt19937 random(99);
  for (int kill = 0; kill < 6; ++kill) {
    StopAfter(Export("killed"), SIGKILL, std::chrono::milliseconds(10 + random() % 60), 0);
    const auto start = Clock::now();
    const RunResult result = toolstest::Run(Export("after_kill"));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    longest_ = std::max(longest_, took);
    EXPECT_LT(took, std::chrono::seconds(30));
    if (result.status != 0) {
      EXPECT_EQ(result.status, 3);
      EXPECT_NE(result.err.find(locks_.string()), std::string::npos) << result.err;
      EXPECT_NE(result.err.find("ended without releasing it"), std::string::npos) << result.err;
      return;  // the folder stays blocked until its users end: the holder is ended in TearDown
    }
  }
  RecordProperty("longest_later_run_ms", static_cast<int>(longest_.count()));
}

// A program started with standard input, output and error closed: what it writes never lands
// in the engine's shared files, and the runs after it work.
TEST_F(EngineSafety, ClosedStandardDescriptorsDoNotReachTheEngineFiles) {
  const std::string env = "FIREBIRD_LOCK='" + locks_.string() + "' GALVORA_PASSWORD=masterkey ";
  // No rows in 2021: the exporter writes "No hay datos para el reporte." to standard error.
  const std::string exportNoRows =
      env + "exec '" + Bin("repcostoav-export") + "' --server '" + (*folder_ / "demo").string() +
      "' --user SYSDBA --company 001 --from 2021-01-01 --to 2021-01-31 --output '" +
      (*folder_ / "closed.csv").string() + "' <&- >&- 2>&-";
  const std::string demo = env + "exec '" + Bin("galvora-demo") + "' '" +
                           (*folder_ / "closed_demo").string() +
                           "' --warehouses 1 --months 1 <&- >&- 2>&-";
  for (const std::string& command : {exportNoRows, demo}) {
    QProcess shell;
    shell.start("/bin/sh", {"-c", QString::fromStdString(command)});
    ASSERT_TRUE(shell.waitForFinished(60000)) << command;
    EXPECT_NE(shell.exitCode(), 128 + SIGABRT) << command;
    ExpectOrdinaryExport(command);
  }
}

// Every program on one local file uses one lock manager: a program with the engine's other
// mode (the system's default root, as the Firebird server uses) is refused while the programs
// hold the file, and the programs are refused while it does.
TEST_F(EngineSafety, AnotherEngineModeOnTheFileIsRefused) {
  QProcess other;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("FIREBIRD");
  env.insert("FIREBIRD_LOCK", LockFolder());
  other.setProcessEnvironment(env);
  other.start("isql-fb", {"-q", "-u", "SYSDBA", "-p", "masterkey",
                          QString::fromStdString(Database().string())});
  ASSERT_TRUE(other.waitForStarted());
  other.write("select count(*) from rdb$database;\nquit;\n");
  other.closeWriteChannel();
  ASSERT_TRUE(other.waitForFinished(30000));
  const std::string said = (other.readAllStandardOutput() + other.readAllStandardError()).toStdString();
  EXPECT_NE(said.find("incompatible"), std::string::npos) << said;

  // The holder ends; the other mode takes the file; the exporter is refused with the reason.
  holder_.write("quit;\n");
  holder_.closeWriteChannel();
  ASSERT_TRUE(holder_.waitForFinished(10000));
  other.start("isql-fb", {"-q", "-u", "SYSDBA", "-p", "masterkey",
                          QString::fromStdString(Database().string())});
  ASSERT_TRUE(other.waitForStarted());
  other.write("select count(*) from rdb$database;\n");
  ASSERT_TRUE(other.waitForReadyRead(30000));
  const RunResult refused = toolstest::Run(Export("refused"));
  EXPECT_EQ(refused.status, 3);
  EXPECT_NE(refused.err.find("same Firebird root"), std::string::npos) << refused.err;
  other.write("quit;\n");
  other.closeWriteChannel();
  EXPECT_TRUE(other.waitForFinished(10000));
  StartHolder();  // for TearDown
}

}  // namespace
