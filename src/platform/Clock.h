#pragma once

#include <chrono>
#include <cstdint>

namespace velmora::platform {

// Monotonic milliseconds, for deadlines.
inline int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Wall-clock milliseconds since the epoch, for timestamps handed to callers.
inline int64_t wallMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Whole seconds, rounded up, of a timeout in milliseconds.
inline uint32_t wholeSecondsRoundedUp(uint32_t timeout_ms) {
  return timeout_ms / 1000 + (timeout_ms % 1000 != 0 ? 1 : 0);
}

// The end of a search that lasts ceil(timeout / 1000) whole seconds from `start_ms` (steady
// milliseconds); a timeout of 0 ends at once.
inline int64_t wholeSecondDeadlineMs(int64_t start_ms, uint32_t timeout_ms) {
  return start_ms + int64_t{wholeSecondsRoundedUp(timeout_ms)} * 1000;
}

}  // namespace velmora::platform
