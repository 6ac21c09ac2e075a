#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora::core {

// XOR of `count` bytes: the check byte of status packets and device packages.
inline uint8_t XorOf(const uint8_t *bytes, size_t count) {
  uint8_t x = 0;
  for (size_t i = 0; i < count; ++i) x ^= bytes[i];
  return x;
}

}  // namespace velmora::core
