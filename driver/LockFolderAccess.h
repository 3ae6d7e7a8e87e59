#pragma once

// The advice given with the engine's refusal of its lock folder ("operating system directive
// access failed", "Permission denied", the folder): the folder is shared through the product's
// group, and a new group membership counts only from the next login.

#include <string>

#include "driver/EngineLocks.h"

namespace ibdriver {

// The group that the installation gives access to the lock folder and the company folders.
inline constexpr char kProductGroup[] = "galvora";

// True when statusText (the engine's interpreted error) is a permission refusal on lockFolder.
bool IsLockFolderRefusal(const std::string& statusText, const std::string& lockFolder);

// The advice for user: join kProductGroup, then log out and in again.
std::string LockFolderAccessText(const std::string& lockFolder, const std::string& user);

// The name of the account the process runs as ("this account" when it has none).
std::string CurrentUserName();

}  // namespace ibdriver
