#include "driver/LockFolderAccess.h"

#include <pwd.h>
#include <unistd.h>

namespace ibdriver {

bool IsLockFolderRefusal(const std::string& statusText, const std::string& lockFolder) {
  std::string folder = lockFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return statusText.find("operating system directive") != std::string::npos &&
         statusText.find("Permission denied") != std::string::npos &&
         statusText.find(folder) != std::string::npos;
}

std::string LockFolderAccessText(const std::string& lockFolder, const std::string& user) {
  const std::string group = kProductGroup;
  return "The database engine's lock folder " + lockFolder + " is shared by the group " + group +
         ". Ask the administrator to add the account " + user + " to it (adduser " + user + " " +
         group + "), then log out and log in again: a new group counts from the next login.";
}

std::string CurrentUserName() {
  const passwd* entry = ::getpwuid(::geteuid());
  return entry != nullptr && entry->pw_name != nullptr ? entry->pw_name : "this account";
}

}  // namespace ibdriver
