#include "platform/LocalDatabaseFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace platform {
namespace {

// Every form of a database name that opens a file on this machine gives that file; other
// hosts, aliases and relative paths give nothing.
TEST(LocalDatabaseFile, NamesOfThisMachineGiveTheirFile) {
  char own[256] = {};
  ASSERT_EQ(::gethostname(own, sizeof own - 1), 0);
  const std::string host = own;
  const std::string path = "/srv/galvora/datos/001/galvora.fdb";
  const struct {
    std::string name, file;
  } cases[] = {
      {path, path},
      {"localhost:" + path, path},
      {"LOCALHOST:" + path, path},
      {"127.0.0.1:" + path, path},
      {"127.0.0.2/3050:" + path, path},
      {"localhost/3051:" + path, path},
      {host + ":" + path, path},
      {"[::1]:" + path, path},
      {"[::1]/3050:" + path, path},
      {"inet://localhost/" + path, path},
      {"inet://localhost:3050/" + path, path},
      {"INET4://127.0.0.1/" + path, path},
      {"inet6://[::1]:3050/" + path, path},
      {"inet://" + host + "/" + path, path},
      {"", ""},
      {"galvora.fdb", ""},
      {"localhost:galvora", ""},
      {"inet://localhost/galvora", ""},
      {"server.invalid:" + path, ""},
      {"192.0.2.1:" + path, ""},
      {"inet://192.0.2.1/" + path, ""},
      {"[2001:db8::1]:" + path, ""},
      {"[::1" + path, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LocalDatabaseFile(c.name), c.file) << c.name;
  }
}

}  // namespace
}  // namespace platform
