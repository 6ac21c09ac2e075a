#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora::ble {

// What a protocol's write engine needs of a Bluetooth LE connection: whether the link is up, and
// single GATT writes. Both the standalone channels and the library's connection objects offer it,
// so one engine serves both.
class GattPacketLink {
 public:
  virtual ~GattPacketLink() = default;
  virtual bool IsLinkUp() const = 0;
  // One GATT write of `count` bytes with response, waiting up to `timeout_ms` for the printer's
  // acknowledgement: count when acknowledged, 0 when refused or timed out, -1 when the link is
  // not there or drops.
  virtual int WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) = 0;
  // One GATT write without response. The platform drops such a write while its queue is full, so
  // it first waits for room (within timeout_ms, or within kWriteRoomWaitMs when timeout_ms <= 0)
  // and returns 0 when none came. With timeout_ms <= 0 it then returns count at
  // once; otherwise it returns count once timeout_ms has passed (-1 when the link drops
  // meanwhile).
  virtual int WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) = 0;

  // A write with response whose answer has not come when its writer's time is up may still have
  // reached the printer: it is never written again while its answer may come, and a write that
  // ends is settled by waiting for that answer. The attribute protocol waits for an answer up to
  // its transaction timeout and then takes the link for failed, so the settle waits as long:
  // however slow the link, the count a write returns is what the printer holds.
  static constexpr int kTransactionTimeoutMs = 30000;
  // How long a write without response of no timeout of its own waits for room in the queue.
  static constexpr int kWriteRoomWaitMs = 1000;
  // Whether the latest write with response still waits for its answer.
  virtual bool WritePending() const { return false; }
  // How many writes with response the link has sent: a writer compares it across one attempt to
  // know whether the latest answer belongs to its own packet.
  virtual uint64_t WritesWithResponseSent() const { return 0; }
  // Waits up to `timeout_ms` for the answer to the latest write with response (of `count`
  // bytes): count when the printer accepted it, 0 when it refused it or the answer did not come,
  // -1 when the link is not there or drops.
  virtual int AwaitPendingWrite(int count, int timeout_ms) {
    (void)count;
    (void)timeout_ms;
    return 0;
  }
  // Settles the latest write with response at the end of a write, past any deadline of its own:
  // count when the printer accepted it, 0 when it refused it, -1 when the link dropped or no
  // answer came within the transaction timeout (the link is then ended as failed).
  virtual int SettlePendingWrite(int count) {
    const int settled = AwaitPendingWrite(count, kTransactionTimeoutMs);
    if (settled != 0) return settled;
    // An answer that came just as the wait ended settles it as well, whatever it said.
    if (!WritePending()) return AwaitPendingWrite(count, 0);
    EndFailedLink();
    return -1;
  }

  // A write found that what it knows of the printer's state no longer holds (an answer that did
  // not come within the transaction timeout, chunks the printer never gave credit for): the link
  // ends as a failed one, at once no longer up, and only a new connection starts afresh.
  virtual void EndFailedLink() {}
};

// A write's timeout, raised to at least count + 3000 ms.
inline int RaisedWriteTimeout(int timeout_ms, int count) {
  const long long floor = static_cast<long long>(count) + 3000;
  if (timeout_ms >= floor) return timeout_ms;
  return floor > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(floor);
}

// Where a protocol delivers the payload bytes the printer sent.
class ReceivedBytesSink {
 public:
  virtual ~ReceivedBytesSink() = default;
  virtual void OnPayload(const uint8_t *data, size_t count) = 0;
};

}  // namespace velmora::ble
