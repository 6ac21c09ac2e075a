#pragma once

#include <cstdint>

#include "ble/GattPacketLink.h"
#include "ble/WaitClock.h"

namespace velmora::ble {

// Limits every packet of one write to the write's deadline: past it, writes with response count
// as unanswered and timed writes without response end early.
class DeadlineLink final : public GattPacketLink {
 public:
  // How the deadline treats a write's packets.
  enum class Start {
    // Every packet, the first included, is bounded by the deadline.
    Bounded,
    // The first packet goes out however little time is left (a timeout bounds a write, it never
    // keeps it from starting), and a paced packet keeps its whole pace, so that the next one,
    // of this write or the next, cannot follow it too soon.
    FirstPacketAlways,
  };

  // `deadline_ms` in the milliseconds of `clock` (platform::steadyMs() for the steady clock).
  DeadlineLink(GattPacketLink &link, int64_t deadline_ms, Start start = Start::Bounded,
               const WaitClock &clock = WaitClock::Steady())
      : link_(link), deadline_ms_(deadline_ms), start_(start), clock_(clock) {}
  // The milliseconds of `clock` now.
  static int64_t NowMs(const WaitClock &clock);
  int LeftMs() const;
  bool IsLinkUp() const override { return link_.IsLinkUp(); }
  int WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) override;
  int WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) override;
  bool WritePending() const override { return link_.WritePending(); }
  uint64_t WritesWithResponseSent() const override { return link_.WritesWithResponseSent(); }
  int AwaitPendingWrite(int count, int timeout_ms) override;
  // The packet in flight when the deadline came is settled past it: its answer tells whether
  // the printer holds it.
  int SettlePendingWrite(int count) override { return link_.SettlePendingWrite(count); }
  void EndFailedLink() override { link_.EndFailedLink(); }

 private:
  // Whether a packet may go out with `left` ms to go; counts it as sent.
  bool MaySend(int left);

  GattPacketLink &link_;
  const int64_t deadline_ms_;
  const Start start_;
  const WaitClock &clock_;
  bool sent_any_ = false;
};

}  // namespace velmora::ble
