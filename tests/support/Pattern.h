#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::test {

// Deterministic test data: `size` bytes that differ from seed to seed.
inline std::vector<uint8_t> Pattern(size_t size, uint32_t seed = 1) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = seed * 2654435761u + 1;
  for (auto &b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  return bytes;
}

}  // namespace velmora::test
