#pragma once

#include <algorithm>
#include <chrono>

#include "ble/WaitClock.h"

namespace velmora::ble {

// When a write whose printer confirms by notification what it took in (V2's free space and
// received count, V3's credits) stops waiting for it. Its time is up at its deadline, or once
// kSilenceMs pass without a word from the printer while the write waits for one: a printer
// answers what it took in within a few connection intervals (4 s at the longest), so one silent
// that long never will. A write whose time is up sends nothing more and keeps waiting for the
// confirmations of what it sent while the printer still speaks: on a slow link they come late,
// yet they come. Only once the printer has been silent for kSilenceMs, and never before kSettleMs
// have passed, does it stop; what the printer holds can then no longer be known on that link,
// and the write ends it as a failed one.
class WriteTimeUp {
 public:
  using Clock = WaitClock::Clock;
  static constexpr int kSilenceMs = 10000;
  // The least a write whose time is up waits for what it sent.
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
  // Whether a write whose time is up has waited long enough for what it sent: at least the
  // settle, and until the printer has been silent for kSilenceMs.
  bool SettleOver(Clock::time_point now, Clock::time_point last_heard) const {
    return up_ && now >= SettleEnd(last_heard);
  }
  // The latest time a waiting writer must look again.
  Clock::time_point WakeAt(Clock::time_point last_heard, bool waiting) const {
    if (up_) return SettleEnd(last_heard);
    return waiting ? std::min(deadline_, SilenceEnd(last_heard)) : deadline_;
  }

 private:
  Clock::time_point SettleEnd(Clock::time_point last_heard) const {
    return std::max(settle_end_, SilenceEnd(last_heard));
  }
  Clock::time_point SilenceEnd(Clock::time_point last_heard) const {
    return std::max(start_, last_heard) + std::chrono::milliseconds(kSilenceMs);
  }

  const Clock::time_point start_;
  const Clock::time_point deadline_;
  Clock::time_point settle_end_{};
  bool up_ = false;
};

}  // namespace velmora::ble
