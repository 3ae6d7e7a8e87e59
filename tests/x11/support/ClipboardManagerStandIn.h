#pragma once

// A small clipboard manager on its own X connection and thread: it owns CLIPBOARD_MANAGER and,
// asked to SAVE_TARGETS, reads the clipboard's TARGETS and then the values of the targets it
// wants (one request each, or all in one MULTIPLE request), taking values sent in pieces
// (INCR), and answers when it has them, as the freedesktop clipboard managers do.

#include <xcb/xcb.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testx11 {

class ClipboardManagerStandIn {
 public:
  struct Options {
    std::vector<std::string> wanted;  // targets to save; empty: every target offered
    bool multiple = false;            // one MULTIPLE request instead of one per target
    bool keepValues = true;           // false: only the sizes are kept (for benchmarks)
  };
  // Requires: DISPLAY names a running X server. Ready() tells whether it owns the selection.
  explicit ClipboardManagerStandIn(Options options);
  ~ClipboardManagerStandIn();

  bool Ready() const { return ready_; }
  // Waits (at most `seconds`) for the first hand-over to end; false when none ended.
  bool WaitForSave(int seconds);
  // After a save: the values read, by target name (targets refused are absent).
  std::map<std::string, std::string> Saved() const;
  // After a save: the size of each value read, by target name.
  std::map<std::string, size_t> SavedSizes() const;
  // After a save: the targets the clipboard offered.
  std::vector<std::string> Offered() const;

 private:
  void Serve();
  void Save(const xcb_selection_request_event_t& request);
  xcb_generic_event_t* NextEvent();
  xcb_selection_notify_event_t Convert(xcb_atom_t target, xcb_atom_t property);
  struct Value {
    std::string bytes;  // empty unless the values are kept
    size_t size = 0;
  };
  std::map<xcb_atom_t, Value> Read(const std::vector<xcb_atom_t>& properties, bool keep);
  xcb_atom_t Atom(const std::string& name);
  std::string Name(xcb_atom_t atom);

  Options options_;
  xcb_connection_t* c_ = nullptr;
  xcb_window_t window_ = 0;
  xcb_timestamp_t time_ = 0;
  std::atomic<bool> ready_{false};
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::condition_variable saved_;
  bool done_ = false;
  std::map<std::string, std::string> values_;
  std::map<std::string, size_t> sizes_;
  std::vector<std::string> offered_;
  std::thread thread_;
};

}  // namespace testx11
