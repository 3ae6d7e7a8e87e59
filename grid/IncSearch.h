#pragma once

// Incremental search of the report grid: its process-wide settings, the single-shot timer that
// ends a search, and the prefix comparison. The search itself runs in TDBGridEh (IncSearch.cpp).

#include <functional>
#include <memory>
#include <string>

#include "platform/SystemColors.h"

enum TIncSearchDirectionEh { isdFromStartEh, isdNextEh, isdPriorEh };

// Process-wide settings of the search, read at each step.
struct TIncSearchSettingsEh {
  int TimeOut = 1500;  // milliseconds after the last step
  platform::TColor Color = platform::clYellow;
  platform::TColor FontColor = platform::clBlack;
};
TIncSearchSettingsEh& IncSearchSettings();

// The single-shot timer that ends a search. The grid owns one; tests give it one they fire.
class TIncSearchTimerEh {
 public:
  virtual ~TIncSearchTimerEh() = default;
  // Starts (or restarts) the count; OnTimeOut runs once when it elapses.
  virtual void Start(int milliseconds) = 0;
  virtual void Stop() = 0;
  virtual bool Running() const = 0;
  std::function<void()> OnTimeOut;
};

// The timer on the application's event loop.
std::unique_ptr<TIncSearchTimerEh> NewIncSearchTimer();

// True when `text` starts with `prefix` without regard to case (both Windows-1252, upper-cased
// with the locale's rules).
bool IncSearchPrefixMatches(const std::string& text, const std::string& prefix);
