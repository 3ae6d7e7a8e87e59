#include "tools/DemoFolderFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tools {

namespace {

std::string Failure(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

// Opens path without following a final symbolic link.
int OpenNoFollow(const std::string& path, int flags) {
  return ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0666);
}

std::string ReadAll(const std::string& path) {
  const int fd = OpenNoFollow(path, O_RDONLY);
  if (fd < 0) throw db::DatabaseError(Failure("Cannot read", path));
  std::string content;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = ::read(fd, buffer, sizeof buffer)) > 0) content.append(buffer, got);
  const int readError = errno;
  ::close(fd);
  errno = readError;
  if (got < 0) throw db::DatabaseError(Failure("Cannot read", path));
  return content;
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      const int writeError = errno;
      ::close(fd);
      errno = writeError;
      throw db::DatabaseError(Failure("Cannot write", path));
    }
    done += static_cast<size_t>(wrote);
  }
  if (::close(fd) != 0) throw db::DatabaseError(Failure("Cannot write", path));
}

// True when a line of the server list (ended by CR LF, LF or CR) is folder.
bool ListsFolder(const std::string& list, const std::string& folder) {
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find_first_of("\r\n", start);
    if (end == std::string::npos) end = list.size();
    std::string line = list.substr(start, end - start);
    while (line.size() > 1 && line.back() == '/') line.pop_back();
    if (line == folder) return true;
    start = end + 1;
  }
  return false;
}

// The refusal for one entry that must be absent or of the given kind (S_IFREG, S_IFDIR).
std::string EntryRefusal(const std::string& path, mode_t kind) {
  struct stat info{};
  if (::lstat(path.c_str(), &info) != 0) {
    return errno == ENOENT ? "" : Failure("cannot examine", path);
  }
  if (S_ISLNK(info.st_mode)) {
    return path + " is a symbolic link: galvora-demo does not follow links it finds";
  }
  if ((info.st_mode & S_IFMT) != kind) {
    return path + (kind == S_IFDIR ? " is not a folder" : " is not a regular file");
  }
  return "";
}

}  // namespace

std::string DemoFolderRefusal(const std::string& folder, const std::string& company) {
  const std::string datos = folder + "/datos";
  const std::pair<std::string, mode_t> entries[] = {
      {folder + "/SERVIDORES.cfg", S_IFREG},
      {folder + "/registry.reg", S_IFREG},
      {datos, S_IFDIR},
      {datos + "/" + company, S_IFDIR},
  };
  for (const auto& [path, kind] : entries) {
    if (std::string refusal = EntryRefusal(path, kind); !refusal.empty()) return refusal;
  }
  return "";
}

std::vector<std::string> PlaceDemoFolderFiles(const db::DemoInstallation& installation) {
  std::vector<std::string> notices;
  const std::string entry = installation.folder + "\r\n";
  int fd = OpenNoFollow(installation.serverList, O_WRONLY | O_CREAT | O_EXCL);
  if (fd >= 0) {
    WriteAll(fd, entry, installation.serverList);
  } else if (errno == EEXIST) {
    const std::string list = ReadAll(installation.serverList);
    if (ListsFolder(list, installation.folder)) {
      notices.push_back("kept " + installation.serverList + ", which lists the folder already");
    } else {
      fd = OpenNoFollow(installation.serverList, O_WRONLY | O_APPEND);
      if (fd < 0) throw db::DatabaseError(Failure("Cannot write", installation.serverList));
      // A last line without its end would run into the new one.
      const bool ended = list.empty() || list.back() == '\n' || list.back() == '\r';
      WriteAll(fd, (ended ? "" : "\r\n") + entry, installation.serverList);
      notices.push_back("added the folder to the server list " + installation.serverList);
    }
  } else {
    throw db::DatabaseError(Failure("Cannot create", installation.serverList));
  }

  fd = OpenNoFollow(installation.registry, O_WRONLY | O_CREAT | O_EXCL);
  if (fd >= 0) {
    WriteAll(fd, db::RegistryText(installation.folder), installation.registry);
  } else if (errno == EEXIST) {
    notices.push_back("kept the existing " + installation.registry + " (not replaced)");
  } else {
    throw db::DatabaseError(Failure("Cannot create", installation.registry));
  }
  return notices;
}

}  // namespace tools
