#include "platform/LocalDatabaseFile.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform {

namespace {

std::string Lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsLoopback(const sockaddr* address) {
  if (address->sa_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
    return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
  }
  if (address->sa_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
    return IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr) ||
           (IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr) && v6->sin6_addr.s6_addr[12] == 127);
  }
  return false;
}

bool SameAddress(const sockaddr* a, const sockaddr* b) {
  if (a == nullptr || b == nullptr || a->sa_family != b->sa_family) return false;
  if (a->sa_family == AF_INET) {
    return reinterpret_cast<const sockaddr_in*>(a)->sin_addr.s_addr ==
           reinterpret_cast<const sockaddr_in*>(b)->sin_addr.s_addr;
  }
  if (a->sa_family == AF_INET6) {
    return std::memcmp(&reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr,
                       &reinterpret_cast<const sockaddr_in6*>(b)->sin6_addr,
                       sizeof(in6_addr)) == 0;
  }
  return false;
}

// True when `address` is assigned to an interface of this machine.
bool IsInterfaceAddress(const sockaddr* address) {
  ifaddrs* interfaces = nullptr;
  if (::getifaddrs(&interfaces) != 0) return false;
  bool found = false;
  for (const ifaddrs* i = interfaces; i != nullptr && !found; i = i->ifa_next) {
    found = SameAddress(i->ifa_addr, address);
  }
  ::freeifaddrs(interfaces);
  return found;
}

// The absolute path of a name's path part; empty for an alias or a relative path.
std::string AbsolutePath(const std::string& path) {
  return !path.empty() && path.front() == '/' ? path : std::string();
}

}  // namespace

bool IsThisMachine(const std::string& name) {
  std::string host = Lowered(name);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  if (host.empty()) return false;
  if (host == "localhost") return true;
  char own[256] = {};
  if (::gethostname(own, sizeof own - 1) == 0 && host == Lowered(own)) return true;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
  bool local = false;
  for (const addrinfo* a = found; a != nullptr && !local; a = a->ai_next) {
    local = IsLoopback(a->ai_addr) || IsInterfaceAddress(a->ai_addr);
  }
  ::freeaddrinfo(found);
  return local;
}

std::string LocalDatabaseFile(const std::string& databaseName) {
  if (databaseName.empty()) return {};
  if (databaseName.front() == '/') return databaseName;
  // URL form: inet://host[:port]/path, where an absolute path gives a second "/".
  const std::string lowered = Lowered(databaseName.substr(0, databaseName.find("://") + 3));
  for (const char* scheme : {"inet://", "inet4://", "inet6://"}) {
    if (lowered != scheme) continue;
    const std::string rest = databaseName.substr(lowered.size());
    size_t hostEnd = 0;
    if (!rest.empty() && rest.front() == '[') {
      hostEnd = rest.find(']');
      if (hostEnd == std::string::npos) return {};
      ++hostEnd;
    }
    const size_t slash = rest.find('/', hostEnd);
    if (slash == std::string::npos) return {};
    std::string host = rest.substr(0, slash);
    const size_t port = host.find(':', hostEnd);
    if (port != std::string::npos) host.resize(port);
    return IsThisMachine(host) ? AbsolutePath(rest.substr(slash + 1)) : std::string();
  }
  // host[/port]:path, where the host may be an address in brackets.
  size_t hostEnd = 0;
  if (databaseName.front() == '[') {
    hostEnd = databaseName.find(']');
    if (hostEnd == std::string::npos) return {};
    ++hostEnd;
  }
  const size_t colon = databaseName.find(':', hostEnd);
  if (colon == std::string::npos) return {};
  std::string host = databaseName.substr(0, colon);
  const size_t port = host.find('/', hostEnd);
  if (port != std::string::npos) host.resize(port);
  return IsThisMachine(host) ? AbsolutePath(databaseName.substr(colon + 1)) : std::string();
}

}  // namespace platform
