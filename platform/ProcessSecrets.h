#pragma once

// Keeping a password the process holds out of the places other users and tools can read it:
// the command line shown in the process list, and core dumps.

namespace platform {

// Makes the process not dumpable: no core file, and no other process of the same user may
// trace it or read its memory. For a process that holds a password until it ends.
void KeepSecretsFromDumps();

// Overwrites argument `index` of the command line with blanks of the same length (as the
// database tools do with a password given there), so the process list no longer shows it.
// Requires: it has been read; nothing reads it from `argv` afterwards.
void BlankArgument(int argc, char** argv, int index);

}  // namespace platform
