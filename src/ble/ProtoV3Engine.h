#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "ble/GattPacketLink.h"
#include "ble/WaitClock.h"

namespace velmora::ble {

// The host side of protocol V3, a credit protocol: the printer announces its chunk size and grants
// credits on a flow-control characteristic; the host sends one chunk per credit until the printer
// has granted, since the write began, a credit for every chunk.
class ProtoV3Engine {
 public:
  static constexpr int kInitialMaximumWriteValueLength = 20;
  // No printer holds more chunks than this: credits granted beyond it are not counted.
  static constexpr int kMaxCredits = 0xFFFF;

  // The clock the engine's waits run on (the steady clock unless a harness drives time); set
  // before the first flow-control message, whose time the engine keeps.
  void SetWaitClock(WaitClock &clock) { clock_ = &clock; }

  int maximumWriteValueLength() const;
  void setMaximumWriteValueLength(int length);

  // Before a connection attempt: no size and no credits yet (the total is kept).
  void ResetForOpen();
  // The printer has announced a size and granted at least one credit.
  bool HasSizeAndCredits() const;
  // One flow-control notification: 02 size xx, or 01 n.
  void OnFlowControl(const uint8_t *data, size_t count);

  // Sends `count` bytes chunk by chunk: count once every chunk went out and the printer granted
  // as many credits as there are chunks; -1 when the link is down, no chunk size is known, or no
  // credit is there at the start (with `wait_for_credit`, such a write waits for one within its
  // timeout instead). A write whose time is up (its timeout, or WriteTimeUp::kSilenceMs without
  // a credit while chunks wait for theirs) sends no further chunk and waits for the credits of
  // those it sent: at least WriteTimeUp::kSettleMs, and on until no credit came for
  // WriteTimeUp::kSilenceMs. When they come, it returns the bytes of the chunks sent (what the
  // printer took in); when they do not, the printer's credits can no longer be known, so the link
  // ends as a failed one and the write returns 0.
  int WriteCredits(GattPacketLink &link, const uint8_t *data, int count, int timeout_ms,
                   bool wait_for_credit = false);

  int mtuSize() const;
  int currentCredits() const;
  // Credits granted since the running (or last) write began.
  int totalCredits() const;

 private:
  using Clock = WaitClock::Clock;

  WaitClock *clock_ = &WaitClock::Steady();
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int maximum_write_value_length_ = kInitialMaximumWriteValueLength;
  int mtu_size_ = 0;
  int credits_current_ = 0;
  int credits_total_ = 0;
  Clock::time_point last_credit_{};
};

}  // namespace velmora::ble
