#pragma once

// The Firebird root (configuration, messages, plugins) that the client library reads at its
// first call, named by the environment variable FIREBIRD. The programs ship a root of their own,
// "firebird" in their private library folder, whose firebird.conf runs the embedded engine in
// Classic mode: then the window, batch exports and other Firebird tools given the same root
// open one local database file at the same time.

#include <string>

namespace ibdriver {

// The environment variable that names the root.
inline constexpr char kFirebirdRootVariable[] = "FIREBIRD";

// The programs' root beside a private library folder: libraryFolder + "/firebird".
std::string SharedRootIn(const std::string& libraryFolder);

// Sets FIREBIRD to SharedRootIn(libraryFolder) when FIREBIRD is unset or empty and that folder
// holds a firebird.conf; a FIREBIRD already set is kept (another root chosen on purpose).
// Returns the root in effect afterwards, "" when the client library's built-in default applies.
// Call before the first call into the client library: the library reads FIREBIRD only then.
std::string ChooseFirebirdRoot(const std::string& libraryFolder);

// The folder of the shared object (or program) that holds this code; "" when unknown.
std::string OwnFolder();

}  // namespace ibdriver
