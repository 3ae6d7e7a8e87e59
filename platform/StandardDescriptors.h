#pragma once

// Standard input, output and error kept open. A program started with any of them closed would
// hand the next file it opens that number: the database engine's shared lock files would then
// receive what the program writes to standard output or error. Header only: the driver library
// calls it too before it loads the client library.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

// Opens /dev/null in place of each of descriptors 0, 1 and 2 that is closed (input for 0,
// output for 1 and 2). Call first in main, before any library that opens files is loaded.
// Returns false when one could not be opened (no /dev/null, no descriptors left).
inline bool OpenStandardDescriptors() {
  bool ok = true;
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is taken: the lower ones are open by now, so it is `fd`.
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened != fd) {
      if (opened >= 0) ::close(opened);
      ok = false;
    }
  }
  return ok;
}

}  // namespace platform
