#pragma once

#include <string>

namespace platform {

// Returns the folder that holds the running program file (no trailing slash).
std::string ProgramFolder();

// Returns the running program's file name without folder and extension ("repcostoav"):
// the application's title, used as the caption of its message boxes.
std::string ProgramTitle();

// Returns the private folder of the loadable driver and engine libraries (and the Firebird
// root beside them). Installed, it lies at a fixed place relative to the programs' folder
// (bindir/../lib/galvora or the multiarch equivalent), so a relocated install finds it; in the
// build tree, where that folder does not exist, it is the program's folder + "/../lib".
std::string ProgramLibraryFolder();

// Returns `name` joined to ProgramLibraryFolder() when a file of that name exists there,
// otherwise `name` unchanged (so the system's loader searches its usual paths).
std::string ResolveLibraryPath(const std::string& name);

}  // namespace platform
