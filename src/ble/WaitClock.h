#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velmora::ble {

// Time as the Bluetooth LE write engines and the channels' reads see it, and how they wait for
// the printer. The library runs on the steady clock and waits for real; a harness that plays the
// printer itself may drive time instead, so that a wait costs nothing.
class WaitClock {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~WaitClock() = default;
  virtual Clock::time_point Now() const { return Clock::now(); }
  // Waits on `changed`, whose mutex `lock` holds, until it is signalled or `until` has passed,
  // and at most kPollSlice: what the waiter watches may also change unsignalled (the link), so it
  // looks again at least that often.
  static constexpr auto kPollSlice = std::chrono::milliseconds(1);
  virtual void WaitUntil(std::unique_lock<std::mutex> &lock, std::condition_variable &changed,
                         Clock::time_point until) {
    changed.wait_until(lock, std::min(until, Now() + kPollSlice));
  }
  // Pauses the calling thread.
  virtual void Sleep(Clock::duration pause);

  // The steady clock with real waits.
  static WaitClock &Steady();
};

}  // namespace velmora::ble
