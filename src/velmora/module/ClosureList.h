#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/ApplicationClosure.h"
#include "velmora/module/types.hpp"

namespace velmora::detail {

// The closures of one event kind, each under a tag that is unique in the list, in registration
// order. Changes and the dispatch snapshot take the list's lock; closures run without it, on a
// snapshot, so a closure may change the list (remove its own tag, say) while it runs: the change
// shows from the next dispatch on, and a removed record lives until the last snapshot holding it
// is gone.
template <typename... Args>
class ClosureList {
 public:
  using Closure = std::function<void(Args...)>;

  bool Add(Closure closure, Int tag) {
    auto record = std::make_shared<const Record>(Record{std::move(closure), tag});
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto &existing : *records_) {
      if (existing->tag == tag) return false;
    }
    auto next = std::make_shared<Records>(*records_);
    next->push_back(std::move(record));
    records_ = std::move(next);
    return true;
  }

  bool Remove(Int tag) {
    std::shared_ptr<const Records> previous;  // released after the lock
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::size_t i = 0; i < records_->size(); ++i) {
      if ((*records_)[i]->tag != tag) continue;
      auto next = std::make_shared<Records>(*records_);
      next->erase(next->begin() + static_cast<std::ptrdiff_t>(i));
      previous = std::exchange(records_, std::move(next));
      return true;
    }
    return false;
  }

  // Calls every closure of the current list with the same arguments. A closure that throws does
  // not keep the others from their event.
  void Dispatch(const std::remove_reference_t<Args> &...args) const {
    const std::shared_ptr<const Records> snapshot = Snapshot();
    for (const auto &record : *snapshot) platform::CallApplicationClosure(record->closure, args...);
  }

  // Runs `enter` once per list, before the first registration completes; concurrent first
  // registrations may both run it, so it must be idempotent.
  template <typename Enter>
  void EnterOnce(Enter &&enter) {
    if (entered_.load(std::memory_order_acquire)) return;
    enter();
    entered_.store(true, std::memory_order_release);
  }

 private:
  struct Record {
    Closure closure;
    Int tag;
  };
  using Records = std::vector<std::shared_ptr<const Record>>;

  std::shared_ptr<const Records> Snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return records_;
  }

  mutable std::mutex mutex_;
  std::shared_ptr<const Records> records_ = std::make_shared<const Records>();
  std::atomic<bool> entered_{false};
};

}  // namespace velmora::detail
