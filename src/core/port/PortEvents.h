#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "velmora/vp_port.h"
#include "velmora/vp_printer.h"

namespace velmora::core {

// One process-wide event list: callbacks with their private data, called in list order on
// the raising thread while the list's lock is held. A callback is listed at most once.
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
      if (it->callback == callback) {
        entries_.erase(it);
        return 1;
      }
    }
    return 0;
  }

  // Calls every callback with `args..., private_data`. The lock is recursive and the walk
  // goes by index, so a callback that changes its own list neither deadlocks nor derails it.
  template <typename... Args>
  void Raise(Args... args) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (size_t i = 0; i < entries_.size(); ++i) {
      const Entry e = entries_[i];
      e.callback(args..., e.private_data);
    }
  }

 private:
  struct Entry {
    Callback callback;
    void *private_data;
  };
  std::recursive_mutex mutex_;
  std::vector<Entry> entries_;
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
