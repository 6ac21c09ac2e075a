#include "ble/DeadlineLink.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace velmora::ble {

int64_t DeadlineLink::NowMs(const WaitClock &clock) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now().time_since_epoch())
      .count();
}

int DeadlineLink::LeftMs() const {
  const int64_t left = deadline_ms_ - NowMs(clock_);
  return static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
}

bool DeadlineLink::MaySend(int left) {
  const bool first = !sent_any_;
  sent_any_ = true;
  return left > 0 || (first && start_ == Start::FirstPacketAlways);
}

int DeadlineLink::WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) {
  const int left = LeftMs();
  if (!MaySend(left)) return link_.IsLinkUp() ? 0 : -1;
  return link_.WritePackWithResponse(data, count, std::min(timeout_ms, left));
}

int DeadlineLink::AwaitPendingWrite(int count, int timeout_ms) {
  // Past the deadline it still tells an answer that is already in, without waiting.
  return link_.AwaitPendingWrite(count, std::min(timeout_ms, LeftMs()));
}

int DeadlineLink::WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) {
  const int left = LeftMs();
  if (timeout_ms <= 0) {
    MaySend(left);
    return link_.WritePackWithoutResponse(data, count, timeout_ms);
  }
  // A paced write past the deadline is not sent; -1 stops the callers' repeat loops at once.
  if (!MaySend(left)) return -1;
  if (start_ == Start::FirstPacketAlways) {
    return link_.WritePackWithoutResponse(data, count, timeout_ms);
  }
  return link_.WritePackWithoutResponse(data, count, std::min(timeout_ms, left));
}

}  // namespace velmora::ble
