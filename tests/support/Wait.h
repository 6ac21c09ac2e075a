#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace velmora::test {

// Polls `condition` every millisecond until it holds or `timeout_ms` passed.
inline bool WaitUntil(const std::function<bool()> &condition, int timeout_ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Milliseconds taken by `body`.
inline long long ElapsedMs(const std::function<void()> &body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

}  // namespace velmora::test
