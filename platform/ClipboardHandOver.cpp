#include "platform/ClipboardHandOver.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// Bytes written to a property at once; larger values go in pieces of this size.
constexpr uint32_t kPieceBytes = 1024 * 1024;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> Own(T* reply) {
  return Reply<T>(reply, &std::free);
}

xcb_atom_t InternAtom(xcb_connection_t* c, const std::string& name) {
  auto reply = Own(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// One target's value on its way to a requestor.
struct Transfer {
  xcb_window_t requestor = XCB_NONE;
  xcb_atom_t property = XCB_ATOM_NONE;
  size_t target = 0;  // index into the offered targets
  xcb_atom_t selection = XCB_ATOM_NONE;
  xcb_timestamp_t time = XCB_CURRENT_TIME;
  bool answered = false;  // the requestor was told where the value is
  bool rendered = false;
  bool taken = false;  // the requestor deleted the property: the next piece may go
  QByteArray bytes;
  qsizetype sent = 0;
};

class HandOver {
 public:
  HandOver(xcb_connection_t* c, const std::vector<HandOverTarget>& targets)
      : c_(c), targets_(targets) {}
  ~HandOver() {
    if (window_ == XCB_NONE) return;
    xcb_destroy_window(c_, window_);
    ShowTimeToOthers();
    xcb_flush(c_);
  }

  HandOverResult Run(int quietMs);

 private:
  void InternAtoms();
  bool ManagerRuns();
  bool Setup();
  void ShowTimeToOthers();
  xcb_timestamp_t ServerTime();
  xcb_generic_event_t* WaitForEvent(Clock::time_point deadline);
  void OnRequest(const xcb_selection_request_event_t& request);
  void OnMultiple(const xcb_selection_request_event_t& request, xcb_atom_t property);
  void OnPropertyDeleted(xcb_window_t window, xcb_atom_t property);
  void Advance();
  void Finish();
  void Answer(xcb_window_t requestor, xcb_atom_t selection, xcb_atom_t target, xcb_atom_t property,
              xcb_timestamp_t time);
  void WatchDeletions(xcb_window_t requestor);
  void Put(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint8_t format,
           uint32_t count, const void* data);
  int TargetIndex(xcb_atom_t atom) const;

  xcb_connection_t* c_;
  const std::vector<HandOverTarget>& targets_;
  std::vector<xcb_atom_t> atoms_;  // of targets_, in order
  xcb_window_t window_ = XCB_NONE;
  xcb_timestamp_t owned_ = XCB_CURRENT_TIME;
  xcb_atom_t clipboard_ = 0, manager_ = 0, saveTargets_ = 0, targetsAtom_ = 0, multiple_ = 0,
             timestamp_ = 0, incr_ = 0, atomPair_ = 0, saveProperty_ = 0;
  uint32_t piece_ = kPieceBytes;
  std::deque<Transfer> queue_;  // served in order; only the first one holds bytes
  int keptSource_ = -1;         // the source of the bytes last handed over, kept for the next
  QByteArray kept_;             // target of the same source, until another is written
};

void HandOver::InternAtoms() {
  clipboard_ = InternAtom(c_, "CLIPBOARD");
  manager_ = InternAtom(c_, "CLIPBOARD_MANAGER");
  saveTargets_ = InternAtom(c_, "SAVE_TARGETS");
  targetsAtom_ = InternAtom(c_, "TARGETS");
  multiple_ = InternAtom(c_, "MULTIPLE");
  timestamp_ = InternAtom(c_, "TIMESTAMP");
  incr_ = InternAtom(c_, "INCR");
  atomPair_ = InternAtom(c_, "ATOM_PAIR");
  saveProperty_ = InternAtom(c_, "_GALVORA_CLIPBOARD_SAVE");
  for (const HandOverTarget& target : targets_) atoms_.push_back(InternAtom(c_, target.name));
}

bool HandOver::ManagerRuns() {
  auto manager =
      Own(xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, manager_), nullptr));
  return manager && manager->owner != XCB_NONE;
}

bool HandOver::Setup() {
  // The largest request the server takes, less room for the request's own header.
  const uint32_t largest = xcb_get_maximum_request_length(c_) * 4;
  if (largest > 1024) piece_ = std::min(kPieceBytes, largest - 1024);

  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
  if (screen == nullptr) return false;
  window_ = xcb_generate_id(c_);
  const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
  owned_ = ServerTime();
  if (owned_ == XCB_CURRENT_TIME) return false;
  xcb_set_selection_owner(c_, window_, clipboard_, owned_);
  auto owner =
      Own(xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, clipboard_), nullptr));
  return owner && owner->owner == window_;
}

// The selection was last taken at a time the program's other connections have not seen; they
// could not take it again with the times they know. A property of the root window, made and
// removed, shows them a later time (Qt reads the time of every property notice it gets).
void HandOver::ShowTimeToOthers() {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
  xcb_change_property(c_, XCB_PROP_MODE_APPEND, root, saveProperty_, XCB_ATOM_STRING, 8, 0,
                      nullptr);
  xcb_delete_property(c_, root, saveProperty_);
}

// A server time stamp, read from the notice of a change to the window's own property.
xcb_timestamp_t HandOver::ServerTime() {
  xcb_change_property(c_, XCB_PROP_MODE_APPEND, window_, saveProperty_, XCB_ATOM_STRING, 8, 0,
                      nullptr);
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (xcb_generic_event_t* event = WaitForEvent(deadline)) {
    const auto owned = Own(event);
    if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) continue;
    const auto* notice = reinterpret_cast<const xcb_property_notify_event_t*>(event);
    if (notice->window == window_) return notice->time;
  }
  return XCB_CURRENT_TIME;
}

// The next event, or nullptr at the deadline or when the connection breaks.
xcb_generic_event_t* HandOver::WaitForEvent(Clock::time_point deadline) {
  for (;;) {
    xcb_flush(c_);
    if (xcb_generic_event_t* event = xcb_poll_for_event(c_)) return event;
    if (xcb_connection_has_error(c_)) return nullptr;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return nullptr;
    pollfd wait{xcb_get_file_descriptor(c_), POLLIN, 0};
    ::poll(&wait, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
  }
}

HandOverResult HandOver::Run(int quietMs) {
  InternAtoms();
  if (!ManagerRuns()) return HandOverResult::NoManager;
  if (!Setup()) return HandOverResult::NoDisplay;

  // No list of targets in the property: the manager saves the ones it wants.
  xcb_delete_property(c_, window_, saveProperty_);
  xcb_convert_selection(c_, window_, manager_, saveTargets_, saveProperty_, owned_);
  const auto quiet = std::chrono::milliseconds(quietMs);
  auto deadline = Clock::now() + quiet;
  while (xcb_generic_event_t* event = WaitForEvent(deadline)) {
    const auto owned = Own(event);
    deadline = Clock::now() + quiet;
    switch (event->response_type & 0x7F) {
      case XCB_SELECTION_REQUEST:
        OnRequest(*reinterpret_cast<const xcb_selection_request_event_t*>(event));
        break;
      case XCB_PROPERTY_NOTIFY: {
        const auto* notice = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notice->state == XCB_PROPERTY_DELETE) OnPropertyDeleted(notice->window, notice->atom);
        break;
      }
      case XCB_SELECTION_NOTIFY: {
        const auto* notice = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        if (notice->requestor == window_ && notice->selection == manager_) {
          return notice->property == XCB_ATOM_NONE ? HandOverResult::Refused
                                                   : HandOverResult::Saved;
        }
        break;
      }
      default:
        break;
    }
  }
  return xcb_connection_has_error(c_) ? HandOverResult::NoDisplay : HandOverResult::TimedOut;
}

int HandOver::TargetIndex(xcb_atom_t atom) const {
  for (size_t i = 0; i < atoms_.size(); ++i) {
    if (atoms_[i] == atom && atom != XCB_ATOM_NONE) return static_cast<int>(i);
  }
  return -1;
}

void HandOver::Put(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint8_t format,
                   uint32_t count, const void* data) {
  xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window, property, type, format, count, data);
}

void HandOver::Answer(xcb_window_t requestor, xcb_atom_t selection, xcb_atom_t target,
                      xcb_atom_t property, xcb_timestamp_t time) {
  xcb_selection_notify_event_t notice{};
  notice.response_type = XCB_SELECTION_NOTIFY;
  notice.time = time;
  notice.requestor = requestor;
  notice.selection = selection;
  notice.target = target;
  notice.property = property;
  xcb_send_event(c_, 0, requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&notice));
}

void HandOver::WatchDeletions(xcb_window_t requestor) {
  const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_change_window_attributes(c_, requestor, XCB_CW_EVENT_MASK, &events);
}

void HandOver::OnRequest(const xcb_selection_request_event_t& request) {
  // Old requestors name no property: the target's name serves as one.
  const xcb_atom_t property = request.property == XCB_ATOM_NONE ? request.target : request.property;
  const auto refuse = [&] {
    Answer(request.requestor, request.selection, request.target, XCB_ATOM_NONE, request.time);
  };
  if (request.selection != clipboard_) return refuse();
  if (request.target == targetsAtom_) {
    std::vector<xcb_atom_t> list{targetsAtom_, timestamp_, multiple_};
    list.insert(list.end(), atoms_.begin(), atoms_.end());
    Put(request.requestor, property, XCB_ATOM_ATOM, 32, static_cast<uint32_t>(list.size()),
        list.data());
    return Answer(request.requestor, request.selection, request.target, property, request.time);
  }
  if (request.target == timestamp_) {
    Put(request.requestor, property, XCB_ATOM_INTEGER, 32, 1, &owned_);
    return Answer(request.requestor, request.selection, request.target, property, request.time);
  }
  if (request.target == multiple_) return OnMultiple(request, property);
  const int index = TargetIndex(request.target);
  if (index < 0) return refuse();
  Transfer transfer;
  transfer.requestor = request.requestor;
  transfer.property = property;
  transfer.target = static_cast<size_t>(index);
  transfer.selection = request.selection;
  transfer.time = request.time;
  queue_.push_back(std::move(transfer));
  Advance();
}

// Several targets at once: each value goes in pieces, one target after the other, so that
// only one is written out at a time. A target not offered gets no property.
void HandOver::OnMultiple(const xcb_selection_request_event_t& request, xcb_atom_t property) {
  auto pairs = Own(xcb_get_property_reply(
      c_,
      xcb_get_property(c_, 0, request.requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
      nullptr));
  if (!pairs || pairs->format != 32) {
    return Answer(request.requestor, request.selection, request.target, XCB_ATOM_NONE,
                  request.time);
  }
  const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(pairs.get()));
  std::vector<xcb_atom_t> list(values, values + xcb_get_property_value_length(pairs.get()) / 4);
  WatchDeletions(request.requestor);
  for (size_t i = 0; i + 1 < list.size(); i += 2) {
    const int index = TargetIndex(list[i]);
    if (index < 0 || list[i + 1] == XCB_ATOM_NONE) {
      list[i + 1] = XCB_ATOM_NONE;
      continue;
    }
    const uint32_t lowerBound = 0;  // not known before the value is written
    Put(request.requestor, list[i + 1], incr_, 32, 1, &lowerBound);
    Transfer transfer;
    transfer.requestor = request.requestor;
    transfer.property = list[i + 1];
    transfer.target = static_cast<size_t>(index);
    transfer.answered = true;
    queue_.push_back(std::move(transfer));
  }
  Put(request.requestor, property, atomPair_, 32, static_cast<uint32_t>(list.size()), list.data());
  Answer(request.requestor, request.selection, request.target, property, request.time);
  Advance();
}

void HandOver::OnPropertyDeleted(xcb_window_t window, xcb_atom_t property) {
  for (Transfer& transfer : queue_) {
    if (transfer.answered && transfer.requestor == window && transfer.property == property) {
      transfer.taken = true;
      break;
    }
  }
  Advance();
}

// Serves the first transfer as far as it can go now: writes its value when it comes to it,
// then a piece each time the requestor has taken the previous one; an empty piece ends it.
void HandOver::Advance() {
  while (!queue_.empty()) {
    Transfer& transfer = queue_.front();
    const xcb_atom_t type = atoms_[transfer.target];
    if (!transfer.rendered) {
      const HandOverTarget& target = targets_[transfer.target];
      if (target.source < 0 || target.source != keptSource_) {
        kept_ = QByteArray();
        keptSource_ = -1;
        transfer.bytes = target.render();
      } else {
        transfer.bytes = kept_;
      }
      transfer.rendered = true;
      if (!transfer.answered) {
        if (transfer.bytes.isNull()) {
          Answer(transfer.requestor, transfer.selection, type, XCB_ATOM_NONE, transfer.time);
          queue_.pop_front();
          continue;
        }
        if (transfer.bytes.size() <= static_cast<qsizetype>(piece_)) {
          Put(transfer.requestor, transfer.property, type, 8,
              static_cast<uint32_t>(transfer.bytes.size()), transfer.bytes.constData());
          Answer(transfer.requestor, transfer.selection, type, transfer.property, transfer.time);
          Finish();
          continue;
        }
        WatchDeletions(transfer.requestor);
        const uint32_t size =
            static_cast<uint32_t>(std::min<qsizetype>(transfer.bytes.size(), UINT32_MAX));
        Put(transfer.requestor, transfer.property, incr_, 32, 1, &size);
        Answer(transfer.requestor, transfer.selection, type, transfer.property, transfer.time);
        transfer.answered = true;
      }
    }
    if (!transfer.taken) return;
    transfer.taken = false;
    const qsizetype count = std::min<qsizetype>(piece_, transfer.bytes.size() - transfer.sent);
    Put(transfer.requestor, transfer.property, type, 8, static_cast<uint32_t>(count),
        transfer.bytes.constData() + transfer.sent);
    transfer.sent += count;
    if (count > 0) return;
    Finish();  // the empty piece is written: done
  }
}

// Ends the first transfer; its bytes stay only as long as the next target shares them.
void HandOver::Finish() {
  Transfer& transfer = queue_.front();
  if (!transfer.bytes.isNull()) {
    keptSource_ = targets_[transfer.target].source;
    kept_ = std::move(transfer.bytes);
  }
  queue_.pop_front();
}

}  // namespace

HandOverResult HandOverToClipboardManager(const std::vector<HandOverTarget>& targets, int quietMs) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    xcb_disconnect(c);
    return HandOverResult::NoDisplay;
  }
  HandOverResult result;
  {
    HandOver handOver(c, targets);
    result = handOver.Run(quietMs);
  }
  xcb_disconnect(c);
  return result;
}

void SyncQtDisplayConnection() {
  auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (application == nullptr) return;
  auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  xcb_connection_t* c = x11->connection();
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

}  // namespace platform
