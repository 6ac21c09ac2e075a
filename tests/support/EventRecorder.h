#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {

// Records the flat port events in the order they were raised, with the raising thread.
// Register() enters it in all five port event lists; Unregister() takes it out again.
class EventRecorder {
 public:
  struct Event {
    std::string kind;  // "opened", "open_failed", "closed", "written", "received"
    void *handle = nullptr;
    std::string name;
    std::vector<uint8_t> bytes;
    std::thread::id thread;
  };

  EventRecorder() = default;
  ~EventRecorder() { Unregister(); }
  EventRecorder(const EventRecorder &) = delete;
  EventRecorder &operator=(const EventRecorder &) = delete;

  void Register() {
    ::VP_Port_AddOnPortOpenedEvent(OnOpened, this);
    ::VP_Port_AddOnPortOpenFailedEvent(OnOpenFailed, this);
    ::VP_Port_AddOnPortClosedEvent(OnClosed, this);
    ::VP_Port_AddOnPortWrittenEvent(OnWritten, this);
    ::VP_Port_AddOnPortReceivedEvent(OnReceived, this);
    registered_ = true;
  }
  void Unregister() {
    if (!registered_) return;
    ::VP_Port_RemoveOnPortOpenedEvent(OnOpened);
    ::VP_Port_RemoveOnPortOpenFailedEvent(OnOpenFailed);
    ::VP_Port_RemoveOnPortClosedEvent(OnClosed);
    ::VP_Port_RemoveOnPortWrittenEvent(OnWritten);
    ::VP_Port_RemoveOnPortReceivedEvent(OnReceived);
    registered_ = false;
  }

  std::vector<Event> Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }
  std::vector<Event> Events(const std::string &kind) const {
    std::vector<Event> out;
    for (auto &e : Events()) {
      if (e.kind == kind) out.push_back(e);
    }
    return out;
  }
  size_t Count(const std::string &kind) const { return Events(kind).size(); }
  // Concatenation of the bytes of every event of `kind` for `handle`.
  std::vector<uint8_t> Bytes(const std::string &kind, void *handle) const {
    std::vector<uint8_t> out;
    for (auto &e : Events(kind)) {
      if (e.handle == handle) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
    }
    return out;
  }
  bool WaitForCount(const std::string &kind, size_t count, int timeout_ms = 5000) const {
    return WaitUntil([&] { return Count(kind) >= count; }, timeout_ms);
  }

 private:
  static void Add(void *self, const char *kind, void *handle, const char *name,
                  const unsigned char *bytes = nullptr, unsigned count = 0) {
    auto *recorder = static_cast<EventRecorder *>(self);
    std::lock_guard<std::mutex> lock(recorder->mutex_);
    recorder->events_.push_back({kind,
                                 handle,
                                 name != nullptr ? name : "",
                                 {bytes, bytes + count},
                                 std::this_thread::get_id()});
  }
  static void OnOpened(void *h, const char *name, void *self) { Add(self, "opened", h, name); }
  static void OnOpenFailed(void *h, const char *name, void *self) {
    Add(self, "open_failed", h, name);
  }
  static void OnClosed(void *h, void *self) { Add(self, "closed", h, nullptr); }
  static void OnWritten(void *h, unsigned char *bytes, unsigned count, void *self) {
    Add(self, "written", h, nullptr, bytes, count);
  }
  static void OnReceived(void *h, unsigned char *bytes, unsigned count, void *self) {
    Add(self, "received", h, nullptr, bytes, count);
  }

  mutable std::mutex mutex_;
  std::vector<Event> events_;
  bool registered_ = false;
};

}  // namespace velmora::test
