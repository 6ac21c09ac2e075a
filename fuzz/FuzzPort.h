#pragma once

#include <cstdint>
#include <vector>

#include "FuzzChunking.h"
#include "core/port/IOHandle.h"

namespace velmora::fuzz {

// Every byte waiting in the receive buffer, taken out.
inline std::vector<uint8_t> TakeAll(core::NZIORxBuffer &rx) {
  std::vector<uint8_t> bytes;
  uint8_t byte = 0;
  while (rx.TakeByte(byte)) bytes.push_back(byte);
  return bytes;
}

// Hands `size` bytes to the port's receive path as its read thread would, in the chunks that
// `seed` gives.
inline void Receive(core::IOHandle &port, const uint8_t *bytes, size_t size, uint32_t seed) {
  for (size_t n : ChunkSizes(size, seed)) {
    port.receiver().Receive(bytes, n);
    bytes += n;
  }
}

}  // namespace velmora::fuzz
