#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::fuzz {

// Cuts `size` bytes into chunks whose lengths come from `seed` (1..64 bytes each), so one input
// drives both the stream and how it arrives.
inline std::vector<size_t> ChunkSizes(size_t size, uint32_t seed) {
  std::vector<size_t> sizes;
  uint32_t state = seed | 1u;
  size_t left = size;
  while (left > 0) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const size_t n = std::min<size_t>(left, 1 + state % 64);
    sizes.push_back(n);
    left -= n;
  }
  return sizes;
}

// The first four bytes of an input are the chunking seed, the rest is the stream.
struct FuzzInput {
  uint32_t seed = 0;
  const uint8_t *stream = nullptr;
  size_t size = 0;
  static bool From(const uint8_t *data, size_t size, FuzzInput &out) {
    if (size < 4) return false;
    out.seed = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
               static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
    out.stream = data + 4;
    out.size = size - 4;
    return true;
  }
};

}  // namespace velmora::fuzz
