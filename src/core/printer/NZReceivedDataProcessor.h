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
// events), device packages are queued for the device-protocol calls, and the rest goes to the
// receive buffer. It also raises the port-received event, once every byte of the chunk is in
// the buffer or known to be a status packet. Used by the port's read thread only.
//
// A chunk that ends like the start of a status packet is held back for one read step at most:
// when the next step does not complete the packet, those bytes go on as data. A discard drops
// held bytes like those in the buffer.
class NZReceivedDataProcessor {
 public:
  explicit NZReceivedDataProcessor(IOHandle &port) : port_(port) {}

  // One chunk as read from the transport.
  void Receive(const uint8_t *chunk, size_t count);
  // A read step passed without bytes, or reading ended.
  void Idle();

 private:
  class Sink;

  // Notices discards made since the last step; returns the discard count for this step.
  uint64_t BeginStep();
  void ExpirePackages(int64_t now_ms);
  void Queue(NZReceivedProtoPackage package);
  void RaiseReceived(std::vector<uint8_t> &chunk);

  IOHandle &port_;
  AutoReplyPacketParser status_parser_;
  DevicePackageParser package_parser_;
  // Stream positions (bytes fed to the status parser): how many were fed, how many went on
  // as data or packets, and below which position data was received before a discard.
  uint64_t fed_ = 0;
  uint64_t passed_ = 0;
  uint64_t discarded_below_ = 0;
  uint64_t discards_seen_ = 0;
  // A chunk whose event waits for its held-back bytes.
  std::vector<uint8_t> waiting_event_;
};

}  // namespace velmora::core
