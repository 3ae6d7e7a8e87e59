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

// True when the program's main thread has waited in its event loop (poll) for a while: a
// message box or the main window is up and nothing else is going on.
bool IdleInEventLoop(qint64 pid) {
  for (int sample = 0; sample < 6; ++sample) {
    std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    if (!(syscall >> number) || (number != 7 && number != 271)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Each start-up message box is up, waiting for the operator, when a stop request comes: the
// request ends the program with 128 + the signal at once (it used to close only the box, and
// the main window then ignored every later request). A FIFO as the server list must not hold
// up the start: the main window comes up and the request ends it the same way.
TEST(StopRequest, EndsTheProgramAtEachStartUpBox) {
  const fs::path folder = fs::temp_directory_path() / ("stop_boxes_" + std::to_string(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder / "install");
  const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\r\n";
  std::ofstream(folder / "wrong-type.reg", std::ios::binary)
      << header << "\"Directorio\"=dword:0000002a\r\n";
  std::ofstream(folder / "fifo.reg", std::ios::binary)
      << header << "\"Directorio\"=\"" << (folder / "install").string() << "\"\r\n";
  ASSERT_EQ(::mkfifo((folder / "install/SERVIDORES.cfg").c_str(), 0600), 0);
  fs::create_directories(folder / "a-folder.reg");

  struct Case {
    const char* name;
    std::string registry;
    int signal;
  } cases[] = {
      {"no registry file: no installation key", (folder / "missing.reg").string(), SIGTERM},
      {"Directorio of the wrong type", (folder / "wrong-type.reg").string(), SIGINT},
      {"QOR_REGISTRY naming a folder", (folder / "a-folder.reg").string(), SIGHUP},
      {"SERVIDORES.cfg is a FIFO: the main window", (folder / "fifo.reg").string(), SIGTERM},
  };
  const std::string bin = std::string(std::getenv("GALVORA_BINARY_DIR")) + "/bin/";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QOR_REGISTRY", QString::fromStdString(c.registry));
    program.setProcessEnvironment(env);
    program.start(QString::fromStdString(bin + "repcostoav"), QStringList{});
    ASSERT_TRUE(program.waitForStarted());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!IdleInEventLoop(program.processId()) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(IdleInEventLoop(program.processId())) << "the start is held up";
    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), c.signal), 0);
    const bool ended = program.waitForFinished(3000);
    if (!ended) program.kill(), program.waitForFinished();
    EXPECT_TRUE(ended) << "the program went on after the stop request";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 128 + c.signal);
  }
  fs::remove_all(folder);
}

}  // namespace
