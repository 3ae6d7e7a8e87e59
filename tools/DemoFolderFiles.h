#pragma once

// galvora-demo's care for what an installation folder already holds: a server list or a
// registry file it did not make is never replaced, and no symbolic link found there is followed.

#include <string>
#include <vector>

#include "db/DemoInstallation.h"

namespace tools {

// Why galvora-demo must not write into folder for company, "" when it may: one of
// SERVIDORES.cfg, registry.reg, datos or datos/<company> is a symbolic link, or is there but is
// not a regular file (the two files) or not a folder (the two folders).
std::string DemoFolderRefusal(const std::string& folder, const std::string& company);

// Puts the server list and the registry file of installation in place, after its database:
// SERVIDORES.cfg is created listing the folder, or, when it exists, gets the folder appended
// (CR LF ended) unless one of its lines names it already; registry.reg is created only when
// there is none. Never follows a symbolic link and never truncates a file. Returns one notice
// per file kept or extended; throws db::DatabaseError when a file cannot be read or written.
std::vector<std::string> PlaceDemoFolderFiles(const db::DemoInstallation& installation);

}  // namespace tools
