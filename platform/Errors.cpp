#include "platform/Errors.h"

#include <utility>

namespace platform {

Exception::Exception(std::string message) : message_(std::move(message)) {}

const std::string& Exception::Message() const { return message_; }

const char* Exception::what() const noexcept { return message_.c_str(); }

EAbort::EAbort() : Exception("Operation aborted") {}

EAbort::EAbort(std::string message) : Exception(std::move(message)) {}

std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string> args) {
  std::string result;
  result.reserve(pattern.size());
  auto next = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c != '%' || i + 1 == pattern.size()) {
      result += c;
      continue;
    }
    char spec = pattern[i + 1];
    if (spec == '%') {
      result += '%';
      ++i;
    } else if (spec == 's' || spec == 'd') {
      if (next != args.end()) result += *next++;
      ++i;
    } else {
      result += c;
    }
  }
  return result;
}

}  // namespace platform
