#include "ble/WriteAnswers.h"

#include <algorithm>

namespace velmora::ble {
namespace {
constexpr auto kSlice = std::chrono::milliseconds(1);
}  // namespace

void WriteAnswers::Restart() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    answered_ = sent_;
    results_.clear();
  }
  changed_.notify_all();
}

uint64_t WriteAnswers::Sent() {
  std::lock_guard<std::mutex> lock(mutex_);
  // Only the latest write's answer is ever asked for again: older ones are not kept.
  results_.erase(results_.begin(), results_.lower_bound(sent_));
  return ++sent_;
}

void WriteAnswers::Received(bool accepted) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // An answer with no write of this link to belong to is not counted.
    if (answered_ >= sent_) return;
    results_[++answered_] = accepted;
  }
  changed_.notify_all();
}

uint64_t WriteAnswers::Latest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sent_;
}

WriteAnswers::Answer WriteAnswers::OfLocked(uint64_t write) const {
  if (write == 0 || write > answered_) return Answer::Pending;
  const auto it = results_.find(write);
  return it != results_.end() && it->second ? Answer::Accepted : Answer::Refused;
}

bool WriteAnswers::LatestPending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sent_ != 0 && OfLocked(sent_) == Answer::Pending;
}

WriteAnswers::Answer WriteAnswers::Wait(uint64_t write, Clock::time_point deadline,
                                        const std::function<bool()> &stop) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    const Answer answer = OfLocked(write);
    if (answer != Answer::Pending || stop()) return answer;
    const auto now = Clock::now();
    if (now >= deadline) return answer;
    changed_.wait_until(lock, std::min(deadline, now + kSlice));
  }
}

int WriteAnswers::ResultOf(uint64_t write, int count, Clock::time_point deadline,
                           const std::function<bool()> &link_up) {
  const Answer answer = Wait(write, deadline, [&] { return !link_up(); });
  if (answer == Answer::Pending) return link_up() ? 0 : -1;
  return answer == Answer::Accepted ? count : 0;
}

void WriteAnswers::Wake() {
  { std::lock_guard<std::mutex> lock(mutex_); }
  changed_.notify_all();
}

}  // namespace velmora::ble
