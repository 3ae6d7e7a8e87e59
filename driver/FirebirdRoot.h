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

// The programs' root beside `libraryFolder` when it holds a firebird.conf (canonical path);
// "" otherwise.
std::string ProgramsRoot(const std::string& libraryFolder);

// What is wrong with `root` (the value of FIREBIRD) as a Firebird root: it does not exist, is
// not a folder, or holds no firebird.conf; the whole message, naming `programsRoot` (when not
// empty) as the root to use. "" when it is a root.
std::string FirebirdRootProblem(const std::string& root, const std::string& programsRoot);

// The folder of the shared object (or program) that holds this code; "" when unknown.
std::string OwnFolder();

}  // namespace ibdriver
