#include "tests/x11/support/ClipboardManagerStandIn.h"

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace testx11 {
namespace {

template <typename T>
std::unique_ptr<T, decltype(&std::free)> Own(T* reply) {
  return std::unique_ptr<T, decltype(&std::free)>(reply, &std::free);
}

int Kind(const xcb_generic_event_t* event) { return event->response_type & 0x7F; }

}  // namespace

ClipboardManagerStandIn::ClipboardManagerStandIn(Options options) : options_(std::move(options)) {
  c_ = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c_)) return;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  window_ = xcb_generate_id(c_);
  const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
  // A server time stamp for taking the selection.
  xcb_change_property(c_, XCB_PROP_MODE_APPEND, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                      nullptr);
  xcb_flush(c_);
  while (auto event = Own(xcb_wait_for_event(c_))) {
    if (Kind(event.get()) != XCB_PROPERTY_NOTIFY) continue;
    time_ = reinterpret_cast<xcb_property_notify_event_t*>(event.get())->time;
    break;
  }
  const xcb_atom_t manager = Atom("CLIPBOARD_MANAGER");
  xcb_set_selection_owner(c_, window_, manager, time_);
  auto owner =
      Own(xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, manager), nullptr));
  ready_ = owner && owner->owner == window_;
  if (ready_) thread_ = std::thread([this] { Serve(); });
}

ClipboardManagerStandIn::~ClipboardManagerStandIn() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (c_ != nullptr) xcb_disconnect(c_);
}

bool ClipboardManagerStandIn::WaitForSave(int seconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return saved_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; });
}

std::map<std::string, std::string> ClipboardManagerStandIn::Saved() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_;
}

std::map<std::string, size_t> ClipboardManagerStandIn::SavedSizes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sizes_;
}

std::vector<std::string> ClipboardManagerStandIn::Offered() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return offered_;
}

xcb_atom_t ClipboardManagerStandIn::Atom(const std::string& name) {
  auto reply = Own(xcb_intern_atom_reply(
      c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::string ClipboardManagerStandIn::Name(xcb_atom_t atom) {
  auto reply = Own(xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, atom), nullptr));
  if (!reply) return "";
  return std::string(xcb_get_atom_name_name(reply.get()),
                     static_cast<size_t>(xcb_get_atom_name_name_length(reply.get())));
}

// The next event; nullptr when the stand-in is stopped or the connection is gone.
xcb_generic_event_t* ClipboardManagerStandIn::NextEvent() {
  while (!stop_) {
    xcb_flush(c_);
    if (xcb_generic_event_t* event = xcb_poll_for_event(c_)) return event;
    if (xcb_connection_has_error(c_)) return nullptr;
    pollfd wait{xcb_get_file_descriptor(c_), POLLIN, 0};
    ::poll(&wait, 1, 100);
  }
  return nullptr;
}

void ClipboardManagerStandIn::Serve() {
  const xcb_atom_t manager = Atom("CLIPBOARD_MANAGER");
  const xcb_atom_t saveTargets = Atom("SAVE_TARGETS");
  while (auto event = Own(NextEvent())) {
    if (Kind(event.get()) != XCB_SELECTION_REQUEST) continue;
    const auto request = *reinterpret_cast<xcb_selection_request_event_t*>(event.get());
    if (request.selection == manager && request.target == saveTargets) Save(request);
  }
}

// Asks the clipboard's owner for `target` into `property` and waits for the answer.
xcb_selection_notify_event_t ClipboardManagerStandIn::Convert(xcb_atom_t target,
                                                              xcb_atom_t property) {
  xcb_convert_selection(c_, window_, Atom("CLIPBOARD"), target, property, time_);
  while (auto event = Own(NextEvent())) {
    if (Kind(event.get()) == XCB_SELECTION_NOTIFY) {
      return *reinterpret_cast<xcb_selection_notify_event_t*>(event.get());
    }
  }
  return xcb_selection_notify_event_t{};
}

// The values the owner placed in `properties` of the stand-in's window, reading pieces of
// values sent incrementally as they come; the bytes are kept when `keep` says so.
std::map<xcb_atom_t, ClipboardManagerStandIn::Value> ClipboardManagerStandIn::Read(
    const std::vector<xcb_atom_t>& properties, bool keep) {
  const xcb_atom_t incr = Atom("INCR");
  std::map<xcb_atom_t, Value> values;
  std::map<xcb_atom_t, bool> pending;  // still coming in pieces
  // Reads and deletes a property, adding its bytes to `value`; returns its type and size.
  const auto take = [&](xcb_atom_t property, Value& value) {
    auto reply = Own(xcb_get_property_reply(
        c_, xcb_get_property(c_, 1, window_, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 28),
        nullptr));
    if (!reply) return std::make_pair(xcb_atom_t(XCB_ATOM_NONE), 0);
    const int size = xcb_get_property_value_length(reply.get());
    if (reply->type != incr) {
      value.size += static_cast<size_t>(size);
      if (keep) {
        value.bytes.append(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<size_t>(size));
      }
    }
    return std::make_pair(xcb_atom_t(reply->type), size);
  };
  for (xcb_atom_t property : properties) {
    if (take(property, values[property]).first == incr) pending[property] = true;
  }
  while (!pending.empty()) {
    auto event = Own(NextEvent());
    if (!event) break;
    if (Kind(event.get()) != XCB_PROPERTY_NOTIFY) continue;
    const auto* notice = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
    if (notice->window != window_ || notice->state != XCB_PROPERTY_NEW_VALUE ||
        !pending.count(notice->atom)) {
      continue;
    }
    if (take(notice->atom, values[notice->atom]).second == 0) pending.erase(notice->atom);
  }
  return values;
}

void ClipboardManagerStandIn::Save(const xcb_selection_request_event_t& request) {
  const xcb_atom_t answer = Atom("_STANDIN_VALUE");
  std::vector<std::string> offered;
  const xcb_selection_notify_event_t listed = Convert(Atom("TARGETS"), answer);
  std::vector<xcb_atom_t> wanted;
  if (listed.property != XCB_ATOM_NONE) {
    const std::string list = Read({answer}, true)[answer].bytes;
    for (size_t i = 0; i + 4 <= list.size(); i += 4) {
      xcb_atom_t atom;
      std::memcpy(&atom, list.data() + i, 4);
      const std::string name = Name(atom);
      offered.push_back(name);
      if (name == "TARGETS" || name == "TIMESTAMP" || name == "MULTIPLE") continue;
      bool wants = options_.wanted.empty();
      for (const std::string& w : options_.wanted) wants = wants || w == name;
      if (wants) wanted.push_back(atom);
    }
  }
  std::map<std::string, Value> values;
  if (options_.multiple && !wanted.empty()) {
    std::vector<xcb_atom_t> pairs;
    for (size_t i = 0; i < wanted.size(); ++i) {
      pairs.push_back(wanted[i]);
      pairs.push_back(Atom("_STANDIN_VALUE_" + std::to_string(i)));
    }
    const xcb_atom_t pairList = Atom("_STANDIN_PAIRS");
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, pairList, Atom("ATOM_PAIR"), 32,
                        static_cast<uint32_t>(pairs.size()), pairs.data());
    if (Convert(Atom("MULTIPLE"), pairList).property != XCB_ATOM_NONE) {
      const std::string answered = Read({pairList}, true)[pairList].bytes;
      std::vector<xcb_atom_t> properties;
      for (size_t i = 0; i + 8 <= answered.size(); i += 8) {
        xcb_atom_t property;
        std::memcpy(&property, answered.data() + i + 4, 4);
        if (property != XCB_ATOM_NONE) properties.push_back(property);
      }
      auto read = Read(properties, options_.keepValues);
      for (size_t i = 0; i < wanted.size(); ++i) {
        auto found = read.find(pairs[2 * i + 1]);
        if (found != read.end()) values[Name(wanted[i])] = std::move(found->second);
      }
    }
  } else {
    for (xcb_atom_t target : wanted) {
      if (Convert(target, answer).property == XCB_ATOM_NONE) continue;
      values[Name(target)] = std::move(Read({answer}, options_.keepValues)[answer]);
    }
  }

  xcb_selection_notify_event_t notice{};
  notice.response_type = XCB_SELECTION_NOTIFY;
  notice.time = request.time;
  notice.requestor = request.requestor;
  notice.selection = request.selection;
  notice.target = request.target;
  notice.property = request.property;
  xcb_send_event(c_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                 reinterpret_cast<const char*>(&notice));
  xcb_flush(c_);
  std::lock_guard<std::mutex> lock(mutex_);
  values_.clear();
  sizes_.clear();
  for (auto& [name, value] : values) {
    sizes_[name] = value.size;
    values_[name] = std::move(value.bytes);
  }
  offered_ = std::move(offered);
  done_ = true;
  saved_.notify_all();
}

}  // namespace testx11
