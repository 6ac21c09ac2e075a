#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace velmora::test {

// How many times longer than in a plain build the waits of this run may take. Sanitizers slow
// the library and its threads down several times; VELMORA_TEST_TIME_SCALE (a whole number)
// stretches every deadline further, for slow or busy machines.
inline int TimeScale() {
  static const int scale = [] {
    const char *text = std::getenv("VELMORA_TEST_TIME_SCALE");
    const int extra = text != nullptr ? std::max(std::atoi(text), 1) : 1;
#if defined(__SANITIZE_THREAD__)
    return 5 * extra;
#elif defined(__SANITIZE_ADDRESS__)
    return 3 * extra;
#else
    return extra;
#endif
  }();
  return scale;
}

// A deadline of `ms` in a plain build, stretched for this run. Every wait for an event uses it.
inline int ScaledMs(int ms) {
  return ms * TimeScale();
}

// A timeout for calls the test expects to end early (on a close, a cancel, an error): far past
// any scaled deadline, so that a call which ended early is told from one that ran to its end.
inline int LongTimeoutMs() {
  return ScaledMs(20000);
}

// Polls `condition` every millisecond until it holds or the scaled `timeout_ms` passed.
inline bool WaitUntil(const std::function<bool()> &condition, int timeout_ms = 5000) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(ScaledMs(timeout_ms));
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Milliseconds taken by `body`: only for calls with a timeout of their own, never to bound the
// test's own work.
inline long long ElapsedMs(const std::function<void()> &body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

}  // namespace velmora::test
