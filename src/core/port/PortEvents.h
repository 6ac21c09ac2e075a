#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/ApplicationClosure.h"
#include "velmora/vp_port.h"
#include "velmora/vp_printer.h"

namespace velmora::core {

// One process-wide event list: callbacks with their private data, called in list order on
// the raising thread while the list's lock is held. A callback is listed at most once.
// The lock is recursive, so a callback may add to or remove from its own list: an entry
// removed during a dispatch is not called any more, one added gets the next event, and every
// other entry still gets this one.
template <typename Callback>
class EventList {
 public:
  int Add(Callback callback, void *private_data) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (callback == nullptr) return 0;
    for (const Entry &e : entries_) {
      if (e.callback == callback) return 0;
    }
    entries_.push_back(Entry{callback, private_data});
    return 1;
  }

  int Remove(Callback callback) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->callback != callback || callback == nullptr) continue;
      // During a dispatch the entry is only blanked, so that no index moves under it.
      if (dispatching_ > 0) {
        it->callback = nullptr;
      } else {
        entries_.erase(it);
      }
      return 1;
    }
    return 0;
  }

  // Calls every callback with `args..., private_data`.
  template <typename... Args>
  void Raise(Args... args) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const Dispatch dispatch(*this);
    const size_t count = entries_.size();
    for (size_t i = 0; i < count; ++i) {
      const Entry e = entries_[i];
      platform::CallApplicationClosure(e.callback, args..., e.private_data);
    }
  }

 private:
  struct Entry {
    Callback callback;
    void *private_data;
  };
  // Counts nested dispatches (a callback may raise its own event again) and drops the
  // blanked entries when the outermost one ends, also when a callback throws.
  class Dispatch {
   public:
    explicit Dispatch(EventList &list) : list_(list) { ++list_.dispatching_; }
    ~Dispatch() {
      if (--list_.dispatching_ == 0) {
        std::erase_if(list_.entries_, [](const Entry &e) { return e.callback == nullptr; });
      }
    }
    Dispatch(const Dispatch &) = delete;
    Dispatch &operator=(const Dispatch &) = delete;

   private:
    EventList &list_;
  };

  std::recursive_mutex mutex_;
  std::vector<Entry> entries_;
  int dispatching_ = 0;
};

// The eight process-wide lists, created at first use and never destroyed (threads of closing
// ports may still raise events while the process exits).
struct PortEvents {
  EventList<VP_OnPortOpenedEvent> opened;
  EventList<VP_OnPortOpenFailedEvent> open_failed;
  EventList<VP_OnPortClosedEvent> closed;
  EventList<VP_OnPortWrittenEvent> written;
  EventList<VP_OnPortReceivedEvent> received;
  EventList<VP_OnPrinterStatusEvent> printer_status;
  EventList<VP_OnPrinterReceivedEvent> printer_received;
  EventList<VP_OnPrinterPrintedEvent> printer_printed;

  static PortEvents &Get();
};

}  // namespace velmora::core
