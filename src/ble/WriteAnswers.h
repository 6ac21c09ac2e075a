#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

namespace velmora::ble {

// The printer's answers to the writes with response of one connection, each matched to its own
// write. The link carries one request at a time and answers them in order, so the n-th answer
// is the n-th write's: an answer that comes after its writer gave up is never taken for a later
// write's.
class WriteAnswers {
 public:
  using Clock = std::chrono::steady_clock;

  // A new link: answers to writes made on an earlier one never come.
  void Restart();
  // A write with response goes out now; returns its number (1, 2, ...).
  uint64_t Sent();
  // The link's next answer.
  void Received(bool accepted);
  // The number of the latest write, 0 when none went out.
  uint64_t Latest() const;
  // True while the latest write's answer is still to come.
  bool LatestPending() const;
  // Waits for `write` while `link_up()` holds (tested at least every millisecond and after each
  // Wake) and gives it as a write of `count` bytes ends: count when the printer accepted it, 0
  // when it refused it or no answer came by `deadline`, -1 when the link went first.
  int ResultOf(uint64_t write, int count, Clock::time_point deadline,
               const std::function<bool()> &link_up);
  // Lets waiters test `link_up()` now (the link changed).
  void Wake();

 private:
  enum class Answer { Pending, Accepted, Refused };

  Answer OfLocked(uint64_t write) const;
  // Waits until `write` is answered, `deadline` passes or `stop()` holds, and returns where it
  // stands.
  Answer Wait(uint64_t write, Clock::time_point deadline, const std::function<bool()> &stop);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t sent_ = 0;
  uint64_t answered_ = 0;
  std::map<uint64_t, bool> results_;  // answers of the latest writes
};

}  // namespace velmora::ble
