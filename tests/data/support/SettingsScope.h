#pragma once

// Regional settings put in force for one test and restored when it ends.

#include "platform/RegionalSettings.h"

class SettingsScope {
 public:
  explicit SettingsScope(const platform::TFormatSettings& settings)
      : saved_(platform::FormatSettings()) {
    platform::SetFormatSettings(settings);
  }
  ~SettingsScope() { platform::SetFormatSettings(saved_); }
  SettingsScope(const SettingsScope&) = delete;
  SettingsScope& operator=(const SettingsScope&) = delete;

 private:
  platform::TFormatSettings saved_;
};
