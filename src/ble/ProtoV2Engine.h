#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "ble/BLERWProtoV2Handler.h"
#include "ble/GattPacketLink.h"
#include "ble/IndexRuns.h"
#include "ble/WaitClock.h"

namespace velmora::ble {

// The host side of protocol V2: one write is one numbered group of packets, announced by a setup
// packet, sent while the printer's reported free space allows, resent when the printer asks, and
// finished by the printer's received count. The printer's notifications are frames that either
// steer the write or carry data for the reader.
class ProtoV2Engine {
 public:
  static constexpr int kInitialPacketSize = 200;
  static constexpr int kMaxPacketCount = 0xFFFF;
  static constexpr int kSetupPacketLength = 17;
  // The most free space a printer can report: a set frame says at most this much, and added
  // space never takes it further.
  static constexpr int kMaxFreeSpace = 8192;
  using PayloadSink = std::function<void(const uint8_t *data, size_t count)>;

  explicit ProtoV2Engine(PayloadSink payload_sink) : payload_sink_(std::move(payload_sink)) {}

  // The clock the engine's waits run on (the steady clock unless a harness drives time); set
  // before the printer's first frame, whose time the engine keeps.
  void SetWaitClock(WaitClock &clock) { clock_ = &clock; }

  // Size of one group packet including its 4-byte header; it only ever shrinks.
  int packetSize() const;
  void LowerPacketSize(int limit);

  // One group write of `count` bytes: count when the printer reported every packet received,
  // 0 when the group did not complete, -1 when the link is down or drops. The group's time is up
  // at `timeout_ms`, or after WriteTimeUp::kSilenceMs without a frame of the printer; it then
  // sends nothing more and waits for the printer to confirm what went out (its received count,
  // or, when packets are left unsent, the space of every packet sent given back): at least
  // WriteTimeUp::kSettleMs, and on until the printer confirmed nothing for
  // WriteTimeUp::kSilenceMs. Without that confirmation, what the printer holds can no longer be
  // known: the link ends as a failed one and the write returns 0.
  int WriteGroup(GattPacketLink &link, const uint8_t *data, int count, int timeout_ms);
  // Announces a group of `packet_count` packets of `packet_size` bytes and waits for the printer's
  // matching answer (up to 10 attempts). A received count only counts once that answer came and
  // every packet of the group went out: one that comes earlier is not this group's.
  bool SetupGroup(GattPacketLink &link, int packet_size, int packet_count);
  // Starts the sending of an announced group: every index still to send, none to resend, and a
  // new send-count list. Resend requests are kept only for indices of this group, until it ends.
  void BeginGroup(int packet_count);

  // Every notification value of the printer, in order.
  void OnNotification(const uint8_t *data, size_t count);
  // Drops a partly received frame.
  void ResetReceived();

  void ClearPacketSendTimesList();
  int GetPacketSendTimesListLength() const;
  int GetPacketSendTimesListValue(int *values, int count) const;

  int freeSpace() const;
  std::vector<int> retryList() const;

  static std::array<uint8_t, kSetupPacketLength> SetupPacket(int packet_size, int packet_count);
  // Builds the group packet of index `index` carrying `m` data bytes into `out` (at least m + 4
  // bytes); returns its length.
  static int GroupPacket(uint8_t *out, int index, const uint8_t *data, int m);

 private:
  int SendGroup(GattPacketLink &link, const uint8_t *data, int count, int n, int payload,
                int timeout_ms);
  void EndGroup();
  void ActOnFrame(const uint8_t *frame, unsigned length);

  PayloadSink payload_sink_;
  WaitClock *clock_ = &WaitClock::Steady();

  mutable std::mutex mutex_;  // guards everything below it up to the frame lock
  std::condition_variable changed_;
  int packet_size_ = kInitialPacketSize;
  int free_space_ = 0;
  int echoed_count_ = 0;
  int echoed_size_ = 0;
  int received_count_ = 0;
  int announced_count_ = -1;  // the set-up being answered
  int announced_size_ = -1;
  bool answered_ = false;   // the printer answered it
  int group_size_ = 0;      // packets of the running group, 0 between groups
  std::vector<bool> sent_;  // packets of the group that went out at least once
  int unsent_ = -1;         // and how many did not yet; -1 between groups
  int unconfirmed_ = 0;     // data bytes sent whose space the printer has not given back
  WaitClock::Clock::time_point last_heard_{};  // the printer's latest control frame
  // The printer's latest confirmation of what went out: space given back, or its received count.
  WaitClock::Clock::time_point last_confirmed_{};
  int next_first_ = 0;  // first-send list: indices next_first_ .. group_size_ - 1
  IndexRuns retry_;     // indices of the group the printer asked for again
  std::vector<int> send_times_;

  std::mutex frame_mutex_;
  BLERWProtoV2Handler assembler_;
};

}  // namespace velmora::ble
