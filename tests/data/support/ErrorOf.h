#pragma once

// The message of the error an action raises, so that a test compares it as text.

#include <functional>
#include <string>

#include "platform/Errors.h"

// What ErrorOf returns when the action raises nothing.
inline constexpr char kNoError[] = "<no error>";

// Runs `action` and returns the message of the platform error it raises, or kNoError.
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const platform::Exception& e) {
    return e.Message();
  }
  return kNoError;
}
