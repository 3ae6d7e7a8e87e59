#pragma once

// A file that takes the place of another only when it is complete. It is written as an
// unnamed file in the target's folder and put in place at Commit, so a failed or stopped
// write leaves the former file as it was and nothing beside it. A writer killed (SIGKILL)
// between naming the file and putting it in place leaves a hidden ".~gvXXXXXXXX" file; the
// next write into that folder removes it.

#include <string>

#include "platform/Errors.h"

namespace platform {

// Stream failures.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
// "Cannot create file "%s". %s": the full path and what went wrong.
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class ReplacementFile {
 public:
  // Opens the new file in the folder of `target`; a symlink is followed, so its target is the
  // file replaced and the link stays. Raises EFCreateError (naming `target` as a full path)
  // when the target exists but is not a regular file, cannot be written, is open in this
  // program (the database being read), or when the folder takes no new file.
  explicit ReplacementFile(const std::string& target);
  // Discards the new file unless Commit ran; the target stays as it was.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // The open, writable descriptor of the new file (owned by this object).
  int Descriptor() const { return fd_; }
  // A name that opens this same file, for writers that take a file name only
  // ("/proc/self/fd/N"). Valid until Commit or destruction.
  const std::string& Path() const { return path_; }
  // The full path of the file replaced (the symlink's target when `target` was a link).
  const std::string& Target() const { return target_; }

  // Puts the new file in place of the target: its data reaches the disk first, an existing
  // target's owner, mode, access control list and user extended attributes are kept (see
  // CopyFileAttributes: no one gains access by the change), and the rename is atomic. Only
  // the target's name is replaced: other hard-link names keep the former file. While the new
  // file has a temporary name beside the target it is locked (flock), so that a later writer
  // removes only such files left by a writer that was killed. Raises EFCreateError when any
  // step fails; the target then stays as it was.
  void Commit();

  // Removes the named file the fallback (a folder without unnamed files) may be writing, and
  // holds back any further commit. Stop handlers call it before ending the process; unnamed
  // files need nothing. Returns the last target this process put in place (empty for none),
  // so that a stop that came after the file was written can say so.
  static std::string DiscardUnfinished();

 private:
  void OpenNamed();
  [[noreturn]] void Fail(const std::string& reason) const;

  std::string shownName_;  // the name given, as a full path, for messages
  std::string target_;
  std::string folder_;
  std::string path_;
  std::string named_;  // the fallback's temporary name; empty for an unnamed file
  int fd_ = -1;
};

}  // namespace platform
