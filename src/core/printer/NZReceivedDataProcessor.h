#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "core/printer/AutoReplyPacket.h"
#include "core/printer/DevicePackage.h"
#include "platform/Clock.h"

namespace velmora::core {

class IOHandle;

// Sees every byte a port receives before it reaches the receive buffer: automatic status
// packets are taken out of the stream (they update the port's records and raise the printer
// events), device packages are queued for the device-protocol calls, and the rest goes to the
// receive buffer. It also raises the port-received event for each chunk, once every byte of it
// is in the buffer or known to be a status packet. Used by the port's read thread only.
//
// Bytes that may begin a status packet are held back, however the stream is cut, until the
// bytes after them decide, or until nothing has arrived for kHoldMs: then they go on as data.
// Held bytes that complete a device package whose checks pass are its data and go on at once.
// A discard drops held bytes like those in the buffer: a packet among them still counts, also one
// that the first chunk after the discard completes, but nothing else waits behind them.
class NZReceivedDataProcessor {
 public:
  // How long a possible status packet waits for the rest of it while nothing arrives.
  static constexpr int64_t kHoldMs = 500;

  explicit NZReceivedDataProcessor(IOHandle &port) : port_(port) {}

  // One chunk as read from the transport at `now_ms` (steady milliseconds).
  void Receive(const uint8_t *chunk, size_t count, int64_t now_ms = platform::steadyMs());
  // A read step passed without bytes.
  void Idle(int64_t now_ms = platform::steadyMs());
  // Reading ended: held bytes go on as data.
  void Finish();
  // Bytes taken in so far, and how many of them have gone on as data or status packets; held
  // bytes are the difference. Readable from any thread.
  uint64_t TakenIn() const { return taken_in_.load(); }
  uint64_t Decided() const { return decided_.load(); }
  // How long the next read may wait for bytes, at most `longest_ms`: not past the moment held
  // bytes are due.
  uint32_t ReadWaitMs(uint32_t longest_ms, int64_t now_ms = platform::steadyMs()) const;

 private:
  class Sink;

  // Notices discards made since the last step; returns the discard count for this step.
  uint64_t BeginStep();
  void ExpirePackages(int64_t now_ms);
  void Queue(NZReceivedProtoPackage package);
  // Raises the event of every chunk whose bytes have all gone on.
  void RaiseDueEvents();

  IOHandle &port_;
  AutoReplyPacketParser status_parser_;
  DevicePackageParser package_parser_;
  // Stream positions (bytes fed to the status parser): how many were fed, how many went on
  // as data or packets, and below which position data was received before a discard.
  uint64_t fed_ = 0;
  std::atomic<uint64_t> taken_in_{0};
  std::atomic<uint64_t> decided_{0};
  uint64_t passed_ = 0;
  uint64_t discarded_below_ = 0;
  uint64_t discards_seen_ = 0;
  // Bytes were held when the last discard was noticed, and no chunk has come since.
  bool held_at_discard_ = false;
  int64_t last_byte_ms_ = 0;
  // Chunks whose event waits for held bytes, with the stream position of their end.
  struct WaitingEvent {
    uint64_t end = 0;
    std::vector<uint8_t> bytes;
  };
  std::deque<WaitingEvent> waiting_events_;
};

}  // namespace velmora::core
