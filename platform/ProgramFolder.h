#pragma once

#include <string>

namespace platform {

// Returns the folder that holds the running program file (no trailing slash).
std::string ProgramFolder();

// Returns the running program's file name without folder and extension ("repcostoav"):
// the application's title, used as the caption of its message boxes.
std::string ProgramTitle();

// Returns the folder the loadable driver and engine libraries are installed in:
// the program's folder + "/../lib". A bare library name is looked up there first.
std::string ProgramLibraryFolder();

// Returns `name` joined to ProgramLibraryFolder() when a file of that name exists there,
// otherwise `name` unchanged (so the system's loader searches its usual paths).
std::string ResolveLibraryPath(const std::string& name);

}  // namespace platform
