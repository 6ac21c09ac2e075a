#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
  ~EventRecorder();
  EventRecorder(const EventRecorder &) = delete;
  EventRecorder &operator=(const EventRecorder &) = delete;

  void Register();
  void Unregister();

  std::vector<Event> Events() const;
  std::vector<Event> Events(const std::string &kind) const;
  size_t Count(const std::string &kind) const;
  // Concatenation of the bytes of every event of `kind` for `handle`.
  std::vector<uint8_t> Bytes(const std::string &kind, void *handle) const;
  bool WaitForCount(const std::string &kind, size_t count, int timeout_ms = 5000) const;

  void Add(Event event);

 private:
  mutable std::mutex mutex_;
  std::vector<Event> events_;
  bool registered_ = false;
};

}  // namespace velmora::test
