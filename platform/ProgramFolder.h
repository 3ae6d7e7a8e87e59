#pragma once

#include <string>

namespace platform {

// Returns the folder that holds the running program file (no trailing slash).
std::string ProgramFolder();

// Returns the folder the loadable driver and engine libraries are installed in:
// the program's folder + "/../lib". A bare library name is looked up there first.
std::string ProgramLibraryFolder();

// Returns `name` joined to ProgramLibraryFolder() when a file of that name exists there,
// otherwise `name` unchanged (so the system's loader searches its usual paths).
std::string ResolveLibraryPath(const std::string& name);

}  // namespace platform
