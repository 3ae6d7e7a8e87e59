#pragma once

// What a replacement file takes over from the file it replaces: owner, mode, access control
// list and user extended attributes, never granting anyone more than the former file did.

#include <sys/stat.h>

#include <string>

namespace platform {

// Gives the open file `fd` the owner, group, mode, access control list and "user."
// extended attributes of the file at `former` (whose status is `formerInfo`). The owner and
// group are kept where this process may set them; where the group cannot be kept, the group's
// permissions are dropped, and where the owner cannot be kept, the set-user-ID bit is, so that
// no one gains by the change. Returns an empty text, or why the list or an attribute could
// not be kept.
std::string CopyFileAttributes(int fd, const std::string& former, const struct stat& formerInfo);

}  // namespace platform
