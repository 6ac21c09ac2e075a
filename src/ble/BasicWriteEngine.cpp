#include "ble/BasicWriteEngine.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <vector>

#include "ble/DeadlineLink.h"
#include "platform/Log.h"

namespace velmora::ble {
namespace {
constexpr uint8_t kStartCommand[5] = {0x10, 0x07, 0x01, 0x00, 0x01};
constexpr uint8_t kIndexRequest[5] = {0x10, 0x07, 0x01, 0x00, 0x00};
constexpr auto kReportSlice = std::chrono::milliseconds(1000);
}  // namespace

void BasicWriteEngine::SetWriteMode(int mode, int size, int timeout_ms, int max_retry) {
  write_mode_ = mode;
  packet_size_ = size;
  packet_timeout_ = timeout_ms;
  packet_max_retry_ = max_retry;
}

void BasicWriteEngine::LowerPacketSize(int limit) {
  int current = packet_size_.load();
  while (current > limit && !packet_size_.compare_exchange_weak(current, limit)) {
  }
}

int BasicWriteEngine::Write(GattPacketLink &link, const uint8_t *data, int count) {
  if (!link.IsLinkUp()) return -1;
  const int mode = write_mode_.load();
  if (mode == 2 && count > 5 * packet_size_.load()) return WriteWithProto(link, data, count);
  return WriteWithType(link, data, count, mode == 1 ? 1 : 0);
}

int BasicWriteEngine::WriteWithin(GattPacketLink &link, const uint8_t *data, int count,
                                  uint32_t timeout_ms) {
  const int64_t timeout = std::min<int64_t>(timeout_ms, INT_MAX);
  DeadlineLink bounded(link, DeadlineLink::NowMs(*clock_) + timeout,
                       DeadlineLink::Start::FirstPacketAlways, *clock_);
  return Write(bounded, data, count);
}

int BasicWriteEngine::WriteWithType(GattPacketLink &link, const uint8_t *data, int count,
                                    int type) {
  if (!link.IsLinkUp()) return -1;
  const int p = packet_size_.load();
  // Packets without a byte would never carry the data: a failure, not an endless retry.
  if (p < 1 && count > 0) return -1;
  int n = 0;
  for (;;) {
    if (n >= count) return n;
    if (!link.IsLinkUp()) return -1;
    const int r = WritePack(link, data + n, std::min(count - n, p), type, packet_max_retry_.load());
    if (r < 0) return -1;
    if (r == 0) return n;
    n += r;
  }
}

int BasicWriteEngine::WritePack(GattPacketLink &link, const uint8_t *data, int count, int type,
                                int max_retry) {
  int left = max_retry;
  // The answer to the packet's last write with response has not come: the printer may hold it.
  bool pending = false;
  while (link.IsLinkUp()) {
    // A -1 from one attempt is retried like a short write. A packet whose answer may still come
    // is not written again (a second copy would reach the printer too): the attempt waits for
    // that answer instead.
    const uint64_t sent_before = link.WritesWithResponseSent();
    const int r = pending ? link.AwaitPendingWrite(count, packet_timeout_.load())
                          : WritePackOnce(link, data, count, type);
    if (r == count) return count;
    if (type == 0 && (pending || link.WritesWithResponseSent() != sent_before)) {
      // The latest write is this packet's. Its answer may have come just after the attempt gave
      // up: asked in this order, an acceptance is never missed and never sent again.
      pending = link.WritePending();
      if (!pending && link.AwaitPendingWrite(count, 0) == count) return count;
    }
    if (left < 1) {
      // Settled before the packet counts as not written, so that the count a write returns is
      // what the printer holds: count, 0 when refused, -1 when the link failed meanwhile.
      if (pending) return link.SettlePendingWrite(count);
      // A link that went during the attempts fails the write: the packet may be at the printer.
      return link.IsLinkUp() ? 0 : -1;
    }
    --left;
  }
  return -1;
}

int BasicWriteEngine::WritePackOnce(GattPacketLink &link, const uint8_t *data, int count,
                                    int type) {
  if (type == 0) return link.WritePackWithResponse(data, count, packet_timeout_.load());
  if (type == 1) return WritePackRepeated(link, data, count, packet_timeout_.load());
  return -1;
}

int BasicWriteEngine::WritePackPaced(GattPacketLink &link, const uint8_t *data, int count) {
  const int pace_ms = static_cast<int>(packet_size_.load() / 4.0);
  return link.WritePackWithoutResponse(data, count, std::max(1, pace_ms));
}

int BasicWriteEngine::WritePackRepeated(GattPacketLink &link, const uint8_t *data, int count,
                                        int timeout_ms) {
  const auto window = std::chrono::seconds(timeout_ms / 1000);
  const auto start = clock_->Now();
  int r = 0;
  while (clock_->Now() - start < window) {
    r = WritePackPaced(link, data, count);
    if (r != 0) break;
  }
  return r;
}

bool BasicWriteEngine::WaitForReport(GattPacketLink &link, int noted) {
  const int bound_ms = std::clamp(packet_timeout_.load(), 0, kMaxReportWaitMs);
  const auto deadline = clock_->Now() + std::chrono::milliseconds(bound_ms);
  std::unique_lock<std::mutex> lock(notify_mutex_);
  while (notify_received_.load() == noted) {
    if (!link.IsLinkUp()) return false;
    if (clock_->Now() >= deadline) {
      platform::logf("Notify Index not received within %d ms", bound_ms);
      return false;
    }
    clock_->WaitUntil(lock, notify_condition_, std::min(deadline, clock_->Now() + kReportSlice));
  }
  return true;
}

int BasicWriteEngine::WriteWithProto(GattPacketLink &link, const uint8_t *data, int count) {
  const int p = packet_size_.load();
  if (!link.IsLinkUp()) return -1;
  if (p < 2 || count < 0) return -1;
  const int max_retry = packet_max_retry_.load();
  proto_index_ = -1;
  notify_index_ = 0;
  const int proto_count = static_cast<int>((static_cast<int64_t>(count) + p - 2) / (p - 1));
  proto_count_ = proto_count;
  std::vector<uint8_t> packet(static_cast<size_t>(p));
  int sent = 0;  // packets sent so far; the printer cannot report beyond them
  for (;;) {
    if (!link.IsLinkUp()) return -1;
    const int index = proto_index_.load();
    if (index == -1) {
      platform::logf("Start Proto Send");
      if (WritePack(link, kStartCommand, 5, 0, max_retry) != 5) return -1;
      proto_index_ = 0;
      continue;
    }
    // A report from before the start, or one that points past the packets sent, leaves nothing
    // sound to send: the write fails rather than skip data or send bytes the caller did not give.
    if (index < 0 || index > sent) return -1;
    if ((index == proto_count || index % kRequestEvery == 0) && index != notify_index_.load()) {
      platform::logf("Request Notify Index");
      const int noted = notify_received_.load();
      if (WritePack(link, kIndexRequest, 5, 0, max_retry) != 5) return -1;
      if (!WaitForReport(link, noted)) return -1;
      const int reported = proto_index_.load();
      if (reported < 0 || reported > sent) return -1;
      if (reported == proto_count) return count;
      continue;
    }
    // The printer already confirmed every packet.
    if (index == proto_count) return count;
    int r = 0;
    {
      std::lock_guard<std::mutex> lock(index_locker_);
      const int at = proto_index_.load();
      if (at < 0 || at >= proto_count || at > sent) continue;
      platform::logf("protoIndex: %d", at);
      const int offset = at * (p - 1);
      const int m = std::min(p - 1, count - offset);
      packet[0] = static_cast<uint8_t>(at & 0xFF);
      std::copy_n(data + offset, m, packet.begin() + 1);
      r = WritePack(link, packet.data(), m + 1, 1, max_retry);
      if (r > 0) {
        proto_index_ = at + 1;
        sent = std::max(sent, at + 1);
      }
    }
    if (r <= 0) return -1;
  }
}

int BasicWriteEngine::GetNotifyIndex(const uint8_t *bytes, long length) {
  long i = 0;
  while (i < length) {
    if (bytes[i++] != 0x10 || i >= length) continue;
    if (bytes[i++] != 0x07 || i >= length) continue;
    if (bytes[i++] != 0xFF || i >= length) continue;
    return bytes[i];
  }
  return -1;
}

void BasicWriteEngine::OnNotification(const uint8_t *data, size_t count) {
  const int nn = GetNotifyIndex(data, static_cast<long>(count));
  if (nn < 0) return;
  std::lock_guard<std::mutex> lock(index_locker_);
  int index = proto_index_.load();
  platform::logf("Notify Received. Current protoIndex: %d", index);
  // A report whose top bit is set while the writer has just passed a multiple of 256 belongs to
  // the previous block of 256 indices.
  if (index >= 256 && (index & 0x80) == 0 && (nn & 0x80) != 0) index -= 256;
  if ((index & 0xFF) != nn) index = (index & ~0xFF) + nn;
  proto_index_ = index;
  notify_index_ = index;
  {
    std::lock_guard<std::mutex> notify_lock(notify_mutex_);
    ++notify_received_;
  }
  notify_condition_.notify_all();
  platform::logf("Notify Index: %d(%d)", nn, index);
}

}  // namespace velmora::ble
