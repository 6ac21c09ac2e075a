#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::core {

class IOHandle;

// Sees every byte a port receives before it reaches the receive buffer: the place where
// printer-originated packets (automatic status reports, device packages) are taken out of
// the stream. What is left for the reader is appended to `data`.
class NZReceivedDataProcessor {
 public:
  explicit NZReceivedDataProcessor(IOHandle &port) : port_(port) {}

  void Process(const uint8_t *chunk, size_t count, std::vector<uint8_t> &data);

 private:
  IOHandle &port_;
};

}  // namespace velmora::core
