#pragma once

#include <algorithm>
#include <chrono>

#include "ble/WaitClock.h"

namespace velmora::ble {

// When a write whose printer confirms by notification what it took in (V2's free space and
// received count, V3's credits) stops waiting for it. Its time is up at its deadline, or once
// kSilenceMs pass without a word from the printer while the write waits for one: a printer
// answers what it took in within a few connection intervals (4 s at the longest), so one silent
// that long never will. A write whose time is up sends nothing more and waits up to kSettleMs
// for the confirmations of what it sent; when they do not come, what the printer holds can no
// longer be known on that link, and the write ends it as a failed one.
class WriteTimeUp {
 public:
  using Clock = WaitClock::Clock;
  static constexpr int kSilenceMs = 10000;
  // A few connection intervals of a link that still carries its packets.
  static constexpr int kSettleMs = 500;

  WriteTimeUp(Clock::time_point start, Clock::time_point deadline)
      : start_(start), deadline_(deadline) {}

  // Whether the time is up at `now`, given when the printer last spoke and whether the write waits
  // for it to speak. Once up it stays up, and the settle runs from that moment.
  bool Up(Clock::time_point now, Clock::time_point last_heard, bool waiting) {
    if (!up_ && (now >= deadline_ || (waiting && now >= SilenceEnd(last_heard)))) {
      up_ = true;
      settle_end_ = now + std::chrono::milliseconds(kSettleMs);
    }
    return up_;
  }
  bool SettleOver(Clock::time_point now) const { return up_ && now >= settle_end_; }
  // The latest time a waiting writer must look again.
  Clock::time_point WakeAt(Clock::time_point last_heard, bool waiting) const {
    if (up_) return settle_end_;
    return waiting ? std::min(deadline_, SilenceEnd(last_heard)) : deadline_;
  }

 private:
  Clock::time_point SilenceEnd(Clock::time_point last_heard) const {
    return std::max(start_, last_heard) + std::chrono::milliseconds(kSilenceMs);
  }

  const Clock::time_point start_;
  const Clock::time_point deadline_;
  Clock::time_point settle_end_{};
  bool up_ = false;
};

}  // namespace velmora::ble
