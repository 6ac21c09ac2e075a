#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "ble/GattPacketLink.h"
#include "ble/WaitClock.h"

namespace velmora::ble {

// The write side of the basic layout: packets with response (mode 0), paced packets without
// response (mode 1), or for long jobs the indexed protocol (mode 2), in which each packet carries
// a one-byte index, the host asks every 128 packets how far the printer got, and resends from the
// index the printer reports.
class BasicWriteEngine {
 public:
  static constexpr int kDefaultPacketSize = 20;
  static constexpr int kDefaultMaxRetry = 3;
  static constexpr int kDefaultPacketTimeoutMs = 3600000;
  static constexpr int kDefaultMaxPacketSize = 100;
  static constexpr int kRequestEvery = 128;
  // An index report that does not come ends the indexed write after the packet timeout or this,
  // whichever is shorter.
  static constexpr int kMaxReportWaitMs = 10000;

  int writeMode() const { return write_mode_.load(); }
  int packetSize() const { return packet_size_.load(); }
  int packetTimeout() const { return packet_timeout_.load(); }
  int packetMaxRetry() const { return packet_max_retry_.load(); }
  // Stores the settings as given; bounding the packet size is the caller's business.
  void SetWriteMode(int mode, int size, int timeout_ms, int max_retry);
  // Lowers the packet size to `limit` when it is larger.
  void LowerPacketSize(int limit);

  // The clock the engine reads and waits on (the steady clock unless a harness drives time).
  void SetWaitClock(WaitClock &clock) { clock_ = &clock; }

  // Writes `count` bytes in the current mode: count, a smaller count when the printer stopped
  // taking packets (modes 0 and 1), or -1.
  int Write(GattPacketLink &link, const uint8_t *data, int count);
  // A port's write: as Write, within `timeout_ms`. The timeout bounds the write but never keeps
  // its first packet from going out, and a packet still unanswered at the end is settled by its
  // answer, so a count is what the printer holds.
  int WriteWithin(GattPacketLink &link, const uint8_t *data, int count, uint32_t timeout_ms);
  int WriteWithType(GattPacketLink &link, const uint8_t *data, int count, int type);
  // One packet, tried at most max_retry + 1 times: count, 0 when every attempt fell short, -1
  // when the link is down.
  int WritePack(GattPacketLink &link, const uint8_t *data, int count, int type, int max_retry);
  // One attempt: type 0 with response, type 1 paced without response, anything else -1.
  int WritePackOnce(GattPacketLink &link, const uint8_t *data, int count, int type);
  // One write without response followed by its pace (packet size / 4 ms).
  int WritePackPaced(GattPacketLink &link, const uint8_t *data, int count);
  // Repeats the paced write while it returns 0, for the timeout in whole seconds.
  int WritePackRepeated(GattPacketLink &link, const uint8_t *data, int count, int timeout_ms);
  // The indexed protocol: count or -1, never a partial count.
  int WriteWithProto(GattPacketLink &link, const uint8_t *data, int count);

  // A notification of the printer: an index report in it moves the running indexed write.
  void OnNotification(const uint8_t *data, size_t count);
  // nn of the first index report 10 07 FF nn in the bytes, or -1.
  static int GetNotifyIndex(const uint8_t *bytes, long length);

  int protoIndex() const { return proto_index_.load(); }
  int protoCount() const { return proto_count_.load(); }
  int notifyIndex() const { return notify_index_.load(); }
  int notifyReceived() const { return notify_received_.load(); }

 private:
  bool WaitForReport(GattPacketLink &link, int noted);

  WaitClock *clock_ = &WaitClock::Steady();
  std::atomic<int> write_mode_{0};
  std::atomic<int> packet_size_{kDefaultPacketSize};
  std::atomic<int> packet_timeout_{kDefaultPacketTimeoutMs};
  std::atomic<int> packet_max_retry_{kDefaultMaxRetry};

  std::mutex index_locker_;  // one data packet, or one report, at a time
  std::mutex notify_mutex_;
  std::condition_variable notify_condition_;
  std::atomic<int> proto_index_{0};
  std::atomic<int> proto_count_{0};
  std::atomic<int> notify_index_{0};
  std::atomic<int> notify_received_{0};
};

}  // namespace velmora::ble
