#include "platform/FileAttributes.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr char kAccessAcl[] = "system.posix_acl_access";

// The kernel's form of an access control list: a 4-byte version, then entries of a 16-bit
// tag, 16-bit permissions and a 32-bit id, in the machine's byte order.
constexpr size_t kAclHeader = 4;
constexpr size_t kAclEntry = 8;
constexpr uint16_t kAclUserObject = 0x01;
constexpr uint16_t kAclGroupObject = 0x04;

// The names of `path`'s extended attributes; empty when it has none or they cannot be listed.
std::vector<std::string> AttributeNames(const std::string& path) {
  std::vector<char> names;
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
    if (size <= 0) return {};
    names.resize(static_cast<size_t>(size));
    const ssize_t got = ::listxattr(path.c_str(), names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<size_t>(got));
      break;
    }
    if (errno != ERANGE) return {};
  }
  std::vector<std::string> list;
  for (size_t at = 0; at < names.size();) {
    const std::string name(names.data() + at);
    at += name.size() + 1;
    if (!name.empty()) list.push_back(name);
  }
  return list;
}

bool ReadAttribute(const std::string& path, const std::string& name, std::string& value) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const ssize_t size = ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<size_t>(size));
    const ssize_t got = ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

// Limits the permissions of the entries tagged `tag` in the list `acl` to `permissions`.
void LimitAclEntry(std::string& acl, uint16_t tag, uint16_t permissions) {
  for (size_t at = kAclHeader; at + kAclEntry <= acl.size(); at += kAclEntry) {
    uint16_t entryTag = 0, entryPermissions = 0;
    std::memcpy(&entryTag, acl.data() + at, 2);
    std::memcpy(&entryPermissions, acl.data() + at + 2, 2);
    if (entryTag != tag) continue;
    entryPermissions &= permissions;
    std::memcpy(acl.data() + at + 2, &entryPermissions, 2);
  }
}

}  // namespace

std::string CopyFileAttributes(int fd, const std::string& former, const struct stat& formerInfo) {
  // The owner first: a change of owner clears the set-user-ID bits the mode then restores.
  // Another owner can only be kept by a privileged process; the group where ours is one.
  if (::fchown(fd, formerInfo.st_uid, formerInfo.st_gid) != 0) {
    [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), formerInfo.st_gid);
  }
  struct stat now;
  if (::fstat(fd, &now) != 0) return std::strerror(errno);
  const bool sameOwner = now.st_uid == formerInfo.st_uid;
  const bool sameGroup = now.st_gid == formerInfo.st_gid;
  mode_t mode = formerInfo.st_mode & 07777;
  // A new owner (the writer) gets the access it had to the former file, not its owner's.
  mode_t ownAccess = 0;
  for (const auto& [test, bit] : {std::pair{R_OK, 04}, std::pair{W_OK, 02}, std::pair{X_OK, 01}}) {
    if (::faccessat(AT_FDCWD, former.c_str(), test, AT_EACCESS) == 0) ownAccess |= bit;
  }
  if (!sameOwner) {
    mode = (mode & ~static_cast<mode_t>(S_ISUID | S_IRWXU)) | (ownAccess << 6);
  }
  if (!sameGroup) mode &= ~static_cast<mode_t>(S_ISGID | S_IRWXG);

  std::string acl;
  const bool hasAcl = ReadAttribute(former, kAccessAcl, acl) && acl.size() >= kAclHeader;
  if (hasAcl && !sameOwner) LimitAclEntry(acl, kAclUserObject, static_cast<uint16_t>(ownAccess));
  if (hasAcl && !sameGroup) LimitAclEntry(acl, kAclGroupObject, 0);
  if (::fchmod(fd, mode) != 0) return std::strerror(errno);
  if (hasAcl && ::fsetxattr(fd, kAccessAcl, acl.data(), acl.size(), 0) != 0) {
    return "Cannot keep its access control list: " + std::string(std::strerror(errno));
  }

  for (const std::string& name : AttributeNames(former)) {
    if (name.rfind("user.", 0) != 0) continue;
    std::string value;
    if (!ReadAttribute(former, name, value)) continue;
    if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0) {
      return "Cannot keep its extended attribute \"" + name + "\": " + std::strerror(errno);
    }
  }
  return {};
}

}  // namespace platform
