// The batch exporter's report of 100,000 warehouses from a local database, with the engine in
// the shared mode (the programs' own Firebird root, Classic) against the exclusive mode (the
// system's root), and in the shared mode while another program holds the file open. Each run
// is a process of its own: wall time, its CPU time over all its threads and its peak memory
// come from wait4. The demo installation is made once with galvora-demo in BENCH_SHARED_DEMO
// (default /tmp/galvora-bench-shared-100k) and kept for later runs.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kWarehouses = 100000;

std::string BinFolder() { return fs::read_symlink("/proc/self/exe").parent_path().string(); }
std::string SharedRoot() { return fs::canonical(BinFolder() + "/../lib/firebird").string(); }
std::string ExclusiveRoot() {
  return fs::read_symlink(SharedRoot() + "/plugins").parent_path().string();
}

std::string Demo() {
  const char* folder = std::getenv("BENCH_SHARED_DEMO");
  return folder ? folder : "/tmp/galvora-bench-shared-100k";
}
std::string Database() { return Demo() + "/datos/001/galvora.fdb"; }

struct Usage {
  int status = -1;
  double wallSeconds = 0;
  double cpuSeconds = 0;  // user + system, all threads
  double peakMB = 0;
};

// Runs `args` with this environment plus FIREBIRD=root and `extra`; waits for its end.
Usage Run(const std::vector<std::string>& args, const std::string& root,
          const std::vector<std::string>& extra = {}) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::string(*entry).rfind("FIREBIRD=", 0) != 0) env.emplace_back(*entry);
  }
  env.push_back("FIREBIRD=" + root);
  env.insert(env.end(), extra.begin(), extra.end());
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  Usage usage;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return usage;
  int status = 0;
  struct rusage used {};
  if (wait4(pid, &status, 0, &used) != pid) return usage;
  usage.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  usage.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  usage.cpuSeconds = static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                     static_cast<double>(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
  usage.peakMB = static_cast<double>(used.ru_maxrss) / 1024.0;
  return usage;
}

bool EnsureDemo() {
  if (fs::exists(Database())) return true;
  return Run({BinFolder() + "/galvora-demo", Demo(), "--warehouses", std::to_string(kWarehouses),
              "--months", "1"},
             SharedRoot())
             .status == 0;
}

// isql-fb attached to the demo database in the shared mode for the object's lifetime, as a
// report window left open would be.
class Holder {
 public:
  Holder() {
    const std::string out = "/tmp/bench_shared_holder_" + std::to_string(::getpid());
    output_ = out;
    const std::string command = "FIREBIRD=" + SharedRoot() +
                                " isql-fb -q -u SYSDBA -p masterkey " + Database() + " > " + out;
    pipe_ = popen(command.c_str(), "w");
    if (pipe_ == nullptr) return;
    std::fputs("select count(*) from CONFIGURA_COSTOS_PROD;\n", pipe_);
    std::fflush(pipe_);
    for (int i = 0; i < 200 && !Attached(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~Holder() {
    if (pipe_ != nullptr) {
      std::fputs("quit;\n", pipe_);
      pclose(pipe_);
    }
    fs::remove(output_);
  }
  bool Attached() const {
    std::ifstream in(output_);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return text.find("COUNT") != std::string::npos;
  }

 private:
  FILE* pipe_ = nullptr;
  std::string output_;
};

void Export(benchmark::State& state, const std::string& root, bool held) {
  if (!EnsureDemo()) return state.SkipWithError("galvora-demo failed");
  std::unique_ptr<Holder> holder;
  if (held) {
    holder = std::make_unique<Holder>();
    if (!holder->Attached()) return state.SkipWithError("isql-fb did not attach");
  }
  const std::string output = "/tmp/bench_shared_" + std::to_string(::getpid()) + ".txt";
  double cpu = 0, peak = 0;
  for (auto _ : state) {
    const Usage usage =
        Run({BinFolder() + "/repcostoav-export", "--server", Demo(), "--user", "SYSDBA",
             "--company", "001", "--from", "2022-01-01", "--to", "2022-01-31", "--output", output},
            root, {"GALVORA_PASSWORD=masterkey", "QOR_REGISTRY=" + Demo() + "/registry.reg"});
    if (usage.status != 0) return state.SkipWithError("repcostoav-export failed");
    state.SetIterationTime(usage.wallSeconds);
    cpu += usage.cpuSeconds;
    peak = std::max(peak, usage.peakMB);
  }
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.counters["peak_MB"] = peak;
  state.counters["rows/s"] =
      benchmark::Counter(kWarehouses, benchmark::Counter::kIsIterationInvariantRate);
  fs::remove(output);
}

void BM_ExportExclusiveMode(benchmark::State& state) { Export(state, ExclusiveRoot(), false); }
void BM_ExportSharedMode(benchmark::State& state) { Export(state, SharedRoot(), false); }
void BM_ExportSharedModeFileHeld(benchmark::State& state) { Export(state, SharedRoot(), true); }

BENCHMARK(BM_ExportExclusiveMode)->Iterations(3)->Unit(benchmark::kSecond)->UseManualTime();
BENCHMARK(BM_ExportSharedMode)->Iterations(3)->Unit(benchmark::kSecond)->UseManualTime();
BENCHMARK(BM_ExportSharedModeFileHeld)->Iterations(3)->Unit(benchmark::kSecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
