#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace platform {

// The project's exception base: every error of the program carries a message text in
// Windows-1252. The general error report shows Message(); layers derive their own classes.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message);

  const std::string& Message() const;
  const char* what() const noexcept override;

 private:
  std::string message_;
};

// A silent abort: the general error report shows nothing for it.
class EAbort : public Exception {
 public:
  EAbort();
  explicit EAbort(std::string message);
};

// Registry failures, for example "Invalid data type for 'Directorio'".
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// Clipboard failures, for example "Cannot open clipboard".
class EClipboardException : public Exception {
 public:
  using Exception::Exception;
};

// Fills the placeholders of `pattern` in order: each "%s" or "%d" takes the next text of
// `args` (already formatted by the caller); "%%" writes one "%". A placeholder without an
// argument left writes nothing; any other "%" sequence is copied as it stands.
std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string> args);

}  // namespace platform
