#pragma once

// What a benchmark's loop costs the whole process: wall time, CPU time of every thread (and of
// the child processes it waited for), taken with getrusage, and the peak resident memory.
// Google Benchmark's own CPU column counts only the calling thread.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>

namespace bench {

// CPU seconds of all threads of this process and of its waited-for children.
inline double ProcessCpuSeconds() {
  double seconds = 0;
  for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    struct rusage usage {};
    ::getrusage(who, &usage);
    seconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return seconds;
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM"); 0 when absent.
inline double StatusBytes(const std::string& name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(name + ":", 0) == 0) return std::stod(line.substr(name.size() + 1)) * 1024.0;
  }
  return 0;
}
inline double ResidentBytes() { return StatusBytes("VmRSS"); }
inline double PeakResidentBytes() { return StatusBytes("VmHWM"); }
// Starts a new peak from the memory resident now.
inline void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Construct right before the loop; on destruction adds per-iteration counters: wall_ms,
// proc_cpu_ms (all threads), proc_cpu/wall, peak_MB and peak_growth_MB (peak resident memory
// above what was resident when the loop started).
class ProcessCost {
 public:
  explicit ProcessCost(benchmark::State& state) : state_(state) {
    ResetPeakResident();
    residentAtStart_ = ResidentBytes();
    cpuAtStart_ = ProcessCpuSeconds();
    wallAtStart_ = std::chrono::steady_clock::now();
  }
  ~ProcessCost() {
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallAtStart_).count();
    const double cpu = ProcessCpuSeconds() - cpuAtStart_;
    const double iterations = static_cast<double>(std::max<benchmark::IterationCount>(
        state_.iterations(), 1));
    const double peak = PeakResidentBytes();
    state_.counters["wall_ms"] = wall / iterations * 1e3;
    state_.counters["proc_cpu_ms"] = cpu / iterations * 1e3;
    state_.counters["proc_cpu/wall"] = wall > 0 ? cpu / wall : 0;
    state_.counters["peak_MB"] = peak / 1e6;
    state_.counters["peak_growth_MB"] = (peak - residentAtStart_) / 1e6;
  }
  ProcessCost(const ProcessCost&) = delete;
  ProcessCost& operator=(const ProcessCost&) = delete;

 private:
  benchmark::State& state_;
  double residentAtStart_ = 0;
  double cpuAtStart_ = 0;
  std::chrono::steady_clock::time_point wallAtStart_;
};

}  // namespace bench
