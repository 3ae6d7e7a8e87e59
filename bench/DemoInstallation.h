#pragma once

// The demo installation of 100,000 warehouses that the batch benchmarks share: made once with
// galvora-demo in BENCH_EXPORT_DEMO (default /tmp/galvora-bench-100k) and kept for later runs.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

inline constexpr int kDemoRows = 100000;

// The folder of the running benchmark, where the programs are built.
inline std::string BinFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

inline std::string Demo() {
  const char* folder = std::getenv("BENCH_EXPORT_DEMO");
  return folder ? folder : "/tmp/galvora-bench-100k";
}

// Makes the installation when it is missing; false when galvora-demo failed.
inline bool EnsureDemo() {
  if (std::filesystem::exists(Demo() + "/datos/001/galvora.fdb")) return true;
  const std::string command = BinFolder() + "/galvora-demo " + Demo() + " --warehouses " +
                              std::to_string(kDemoRows) + " --months 1 > /dev/null";
  return std::system(command.c_str()) == 0;
}

}  // namespace bench
