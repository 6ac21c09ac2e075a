#pragma once

#include <functional>
#include <memory>
#include <string>

namespace velmora::platform::ble {

// A dispatch queue: tasks run in submission order on the queue's own threads. A serial queue runs
// one task at a time; a concurrent queue runs up to kConcurrentWidth at once.
class DispatchQueue {
 public:
  enum class Kind { Serial, Concurrent };
  static constexpr int kConcurrentWidth = 4;

  static std::shared_ptr<DispatchQueue> Create(std::string label, Kind kind, int qos,
                                               int relative_priority);
  // Pending tasks still run; the threads are joined (or, when the last reference goes on one of
  // the queue's own threads, left to finish by themselves).
  ~DispatchQueue();
  DispatchQueue(const DispatchQueue &) = delete;
  DispatchQueue &operator=(const DispatchQueue &) = delete;

  void Async(std::function<void()> task);

  const std::string &label() const { return label_; }
  Kind kind() const { return kind_; }
  int qos() const { return qos_; }
  int relativePriority() const { return relative_priority_; }
  // True on one of this queue's threads.
  bool IsCurrent() const;

  struct State;

 private:
  DispatchQueue(std::string label, Kind kind, int qos, int relative_priority);

  std::string label_;
  Kind kind_;
  int qos_;
  int relative_priority_;
  std::shared_ptr<State> state_;
};

}  // namespace velmora::platform::ble
