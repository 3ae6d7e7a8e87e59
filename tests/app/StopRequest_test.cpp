// The program started by another program with the connection on its command line: a stop
// request (SIGTERM) once it is connected ends it, with status 128 + 15, instead of being
// swallowed by the database engine.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

bool EngineLoaded(qint64 pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  std::stringstream text;
  text << maps.rdbuf();
  return text.str().find("libEngine12") != std::string::npos;
}

TEST(StopRequest, SigtermEndsTheConnectedProgram) {
  const fs::path folder = fs::temp_directory_path() / ("stop_request_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  const std::string bin = std::string(std::getenv("GALVORA_BINARY_DIR")) + "/bin/";
  QProcess demo;
  demo.start(QString::fromStdString(bin + "galvora-demo"),
             {QString::fromStdString((folder / "demo").string()), "--warehouses", "3"});
  ASSERT_TRUE(demo.waitForFinished(120000));
  ASSERT_EQ(demo.exitCode(), 0);

  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("QOR_REGISTRY", QString::fromStdString((folder / "demo/registry.reg").string()));
  program.setProcessEnvironment(env);
  program.start(QString::fromStdString(bin + "repcostoav"),
                {QString::fromStdString((folder / "demo").string()), "SYSDBA", "masterkey", "001",
                 "", "", "", "", "", "1"});
  ASSERT_TRUE(program.waitForStarted());
  // Connected once the engine is loaded; the calculation follows at once.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!EngineLoaded(program.processId()) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(EngineLoaded(program.processId()));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGTERM), 0);
  ASSERT_TRUE(program.waitForFinished(20000)) << "the program went on after SIGTERM";
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 128 + SIGTERM);
  fs::remove_all(folder);
}

}  // namespace
