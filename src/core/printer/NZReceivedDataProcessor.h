#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/printer/AutoReplyPacket.h"
#include "core/printer/DevicePackage.h"

namespace velmora::core {

class IOHandle;

// Sees every byte a port receives before it reaches the receive buffer: automatic status
// packets are taken out of the stream (they update the port's records and raise the printer
// events), device packages are queued for the device-protocol calls. What is left for the
// reader is appended to `data`. Used by the port's read thread only.
class NZReceivedDataProcessor {
 public:
  explicit NZReceivedDataProcessor(IOHandle &port) : port_(port) {}

  void Process(const uint8_t *chunk, size_t count, std::vector<uint8_t> &data);
  // The stream paused: bytes held back as a possible status packet go to the reader after all.
  void Flush(std::vector<uint8_t> &data);

 private:
  class Sink;

  IOHandle &port_;
  AutoReplyPacketParser status_parser_;
  DevicePackageParser package_parser_;
};

}  // namespace velmora::core
