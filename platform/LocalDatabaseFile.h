#pragma once

// Which file on this machine a database name opens, so that an output file can be checked
// against the database being read.

#include <string>

namespace platform {

// The local path a database name opens on this machine: "/path" itself, or the absolute path
// after a host that is this machine ("localhost:/path", "HOSTNAME:/path", "host/3050:/path",
// "[::1]:/path", "inet://localhost//path", "inet6://[::1]:3050//path"). Empty for another
// host, an alias or a relative path (nothing can be said about those).
std::string LocalDatabaseFile(const std::string& databaseName);

// True when `host` names this machine: "localhost", its host name, or a name or address that
// resolves to a loopback address or an address of one of its interfaces.
bool IsThisMachine(const std::string& host);

}  // namespace platform
