#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace velmora::test {

// Whole milliseconds of a duration.
inline long long Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

// How long a write that began at `start` and ended at `end` ran past the printer's last word to the
// host (`last_word`; the write's own start when the printer spoke before it).
inline long long MsPastLastWord(std::chrono::steady_clock::time_point start,
                                std::chrono::steady_clock::time_point end,
                                std::chrono::steady_clock::time_point last_word) {
  return Ms(end - std::max(start, last_word));
}

inline bool IsPrefix(const std::vector<uint8_t> &prefix, const std::vector<uint8_t> &of) {
  return prefix.size() <= of.size() && std::equal(prefix.begin(), prefix.end(), of.begin());
}

// A fraction of the packets of a connection, chosen by their sequence numbers.
inline std::function<bool(uint64_t)> Losing(double fraction, uint64_t seed) {
  return [fraction, seed](uint64_t n) {
    uint64_t x = (seed << 32) ^ n;  // splitmix64
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return static_cast<double>((x ^ (x >> 31)) % 1000000) < fraction * 1000000;
  };
}

}  // namespace velmora::test
