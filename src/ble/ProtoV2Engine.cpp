#include "ble/ProtoV2Engine.h"

#include <algorithm>
#include <chrono>

#include "ble/WriteTimeUp.h"
#include "platform/Log.h"

namespace velmora::ble {
namespace {
constexpr int kSetupAttempts = 10;
constexpr int kSetupWriteTimeoutMs = 40;
constexpr auto kSetupAnswerWait = std::chrono::milliseconds(100);

int Le16(const uint8_t *p) {
  return p[0] | (p[1] << 8);
}
}  // namespace

int ProtoV2Engine::packetSize() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return packet_size_;
}

void ProtoV2Engine::LowerPacketSize(int limit) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (limit < packet_size_) packet_size_ = limit;
}

std::array<uint8_t, ProtoV2Engine::kSetupPacketLength> ProtoV2Engine::SetupPacket(
    int packet_size, int packet_count) {
  return {0x00,
          0x07,
          0x00,
          0x00,
          0x00,
          0x00,
          0x00,
          0x00,
          0x0A,
          0x02,
          static_cast<uint8_t>(packet_count & 0xFF),
          static_cast<uint8_t>((packet_count >> 8) & 0xFF),
          static_cast<uint8_t>(packet_size & 0xFF),
          0x00,
          0x00,
          0x00,
          0x00};
}

int ProtoV2Engine::GroupPacket(uint8_t *out, int index, const uint8_t *data, int m) {
  out[0] = static_cast<uint8_t>(4 + m);
  out[2] = static_cast<uint8_t>(index & 0xFF);
  out[3] = static_cast<uint8_t>((index >> 8) & 0xFF);
  uint8_t check = out[0] ^ out[2] ^ out[3];
  for (int i = 0; i < m; ++i) {
    out[4 + i] = data[i];
    check ^= data[i];
  }
  out[1] = check;
  return 4 + m;
}

bool ProtoV2Engine::SetupGroup(GattPacketLink &link, int packet_size, int packet_count) {
  const auto setup = SetupPacket(packet_size, packet_count);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    announced_count_ = packet_count;
    announced_size_ = packet_size;
    answered_ = false;
    received_count_ = 0;
  }
  for (int attempt = 0; attempt < kSetupAttempts; ++attempt) {
    if (link.WritePackWithoutResponse(setup.data(), kSetupPacketLength, kSetupWriteTimeoutMs) !=
        kSetupPacketLength) {
      platform::logf("setupGroupPack retry %d writePackWithoutResponse Error", attempt);
      return false;
    }
    const auto deadline = clock_->Now() + kSetupAnswerWait;
    std::unique_lock<std::mutex> lock(mutex_);
    while (clock_->Now() < deadline) {
      if (!link.IsLinkUp()) return false;
      if (echoed_count_ != 0 && echoed_size_ != 0) break;
      clock_->WaitUntil(lock, changed_, deadline);
    }
    // The echoed values are kept from attempt to attempt.
    if (echoed_count_ == packet_count && echoed_size_ == packet_size) return true;
  }
  return false;
}

void ProtoV2Engine::BeginGroup(int packet_count) {
  std::lock_guard<std::mutex> lock(mutex_);
  group_size_ = packet_count;
  next_first_ = 0;
  sent_.assign(static_cast<size_t>(packet_count), false);
  unsent_ = packet_count;
  unconfirmed_ = 0;
  retry_.clear();
  send_times_.assign(static_cast<size_t>(packet_count), 0);
}

int ProtoV2Engine::WriteGroup(GattPacketLink &link, const uint8_t *data, int count,
                              int timeout_ms) {
  if (!link.IsLinkUp()) return -1;
  int size;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    echoed_count_ = 0;
    echoed_size_ = 0;
    received_count_ = 0;
    size = packet_size_;
  }
  const int payload = size - 4;
  if (payload <= 0 || count < 0) return 0;
  // The packet count field has 16 bits: a longer write goes as consecutive groups.
  const int64_t group_bytes = static_cast<int64_t>(kMaxPacketCount) * payload;
  if (count > group_bytes) {
    for (int64_t offset = 0; offset < count; offset += group_bytes) {
      const int part = static_cast<int>(std::min<int64_t>(group_bytes, count - offset));
      const int r = WriteGroup(link, data + offset, part, timeout_ms);
      if (r != part) return r;
    }
    return count;
  }
  const int n = static_cast<int>((static_cast<int64_t>(count) + payload - 1) / payload);
  if (!SetupGroup(link, size, n)) {
    platform::logf("writeGroupPack setupGroupPack Error");
    // A link lost during the set-up is a lost link, not a group that did not complete.
    return link.IsLinkUp() ? 0 : -1;
  }
  BeginGroup(n);
  const int result = SendGroup(link, data, count, n, payload, timeout_ms);
  EndGroup();
  return result;
}

void ProtoV2Engine::EndGroup() {
  std::lock_guard<std::mutex> lock(mutex_);
  group_size_ = 0;
  unsent_ = -1;
  retry_.clear();
  answered_ = false;
}

int ProtoV2Engine::SendGroup(GattPacketLink &link, const uint8_t *data, int count, int n,
                             int payload, int timeout_ms) {
  // No packet, no report: nothing can complete a group of none.
  if (n == 0) return 0;
  std::array<uint8_t, kInitialPacketSize> packet{};
  const auto start = clock_->Now();
  WriteTimeUp time(start, start + std::chrono::milliseconds(std::max(0, timeout_ms)));
  for (;;) {
    if (!link.IsLinkUp()) return -1;
    int index = -1;
    bool first_send = false;
    bool newly_sent = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (received_count_ != 0) return received_count_ == n ? count : 0;
      // Every frame of the printer steers the group, so the write waits for the printer always.
      const auto now = clock_->Now();
      // Past its time the group waits on while the printer confirms what went out; its requests
      // for packets no longer sent would keep it waiting forever.
      const bool up = time.Up(now, last_heard_, true);
      if (up) {
        // The printer gave back the space of every packet that went out: it holds them, and the
        // group cannot complete without the packets that never went.
        if (unconfirmed_ == 0 && unsent_ > 0) return 0;
        if (time.SettleOver(now, std::max(start, last_confirmed_))) {
          lock.unlock();
          // Packets went out that the printer never confirmed, or it holds the whole group and
          // its report did not come: what it holds can no longer be known on this link.
          link.EndFailedLink();
          return 0;
        }
      } else if (!retry_.empty()) {
        // Resends (only ever indices of the group) go first and need no free space; first sends
        // go in order while the printer's free space covers a whole payload.
        index = retry_.PopFirst();
      } else if (next_first_ < group_size_ && free_space_ >= payload) {
        index = next_first_++;
        first_send = true;
      }
      if (index < 0) {
        clock_->WaitUntil(lock, changed_,
                          time.WakeAt(up ? std::max(start, last_confirmed_) : last_heard_, true));
        continue;
      }
      // Marked before it goes out, so that the printer's report never finds it unsent.
      newly_sent = !sent_[static_cast<size_t>(index)];
      if (newly_sent) {
        sent_[static_cast<size_t>(index)] = true;
        --unsent_;
      }
    }
    const int offset = index * payload;
    const int m = std::min(payload, count - offset);
    const int length = GroupPacket(packet.data(), index, data + offset, m);
    const int written = link.WritePackWithoutResponse(packet.data(), length, 0);
    std::lock_guard<std::mutex> lock(mutex_);
    if (written != length) {
      // The link did not take it (no room in its queue in time, or gone): it did not go out and
      // stays first in line.
      if (newly_sent) {
        sent_[static_cast<size_t>(index)] = false;
        ++unsent_;
      }
      if (first_send) {
        next_first_ = index;
      } else {
        retry_.Add(index, index);
      }
      continue;
    }
    if (first_send) free_space_ -= m;
    // The printer gives a packet's space back once, when it takes the packet in.
    if (newly_sent) unconfirmed_ += m;
    if (static_cast<size_t>(index) < send_times_.size()) ++send_times_[static_cast<size_t>(index)];
  }
}

void ProtoV2Engine::OnNotification(const uint8_t *data, size_t count) {
  std::lock_guard<std::mutex> lock(frame_mutex_);
  for (size_t i = 0; i < count; ++i) {
    if (!assembler_.HandleReceivedData(data[i])) continue;
    ActOnFrame(assembler_.GetReceivedData(), assembler_.GetReceivedLen());
    assembler_.ResetReceived();
  }
}

void ProtoV2Engine::ResetReceived() {
  std::lock_guard<std::mutex> lock(frame_mutex_);
  assembler_.ResetReceived();
}

void ProtoV2Engine::ActOnFrame(const uint8_t *frame, unsigned length) {
  if (frame[0] != 0) {
    // Data frame: payload from byte 3 on.
    if (length > 3 && payload_sink_) payload_sink_(frame + 3, length - 3);
    return;
  }
  if (length < 3) return;
  const uint8_t code = frame[2];
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (length == 10 && code == 0x01 && frame[3] == 0x00) {
      free_space_ = std::min(Le16(frame + 4), kMaxFreeSpace);
    } else if (length == 10 && code == 0x01 && frame[3] == 0x01) {
      free_space_ = std::min(free_space_ + Le16(frame + 4), kMaxFreeSpace);
      unconfirmed_ = std::max(0, unconfirmed_ - Le16(frame + 4));
      last_confirmed_ = clock_->Now();
    } else if ((length == 10 || length == 12) && code == 0xFF) {
      const int first = Le16(frame + 3);
      const int runs = length == 10 ? 1 : Le16(frame + 6);
      // Indices outside the running group are dropped here, so the set stays within the group.
      retry_.Add(first, std::min(first + runs, group_size_) - 1);
    } else if (length == 10 && code == 0x05) {
      if (answered_ && unsent_ == 0) received_count_ = Le16(frame + 3);
      last_confirmed_ = clock_->Now();
    } else if (length == 10 && code == 0x03) {
      echoed_count_ = Le16(frame + 3);
      echoed_size_ = frame[5];
      if (echoed_count_ == announced_count_ && echoed_size_ == announced_size_) answered_ = true;
    } else {
      return;
    }
    last_heard_ = clock_->Now();
  }
  changed_.notify_all();
}

void ProtoV2Engine::ClearPacketSendTimesList() {
  std::lock_guard<std::mutex> lock(mutex_);
  send_times_.clear();
}

int ProtoV2Engine::GetPacketSendTimesListLength() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(send_times_.size());
}

int ProtoV2Engine::GetPacketSendTimesListValue(int *values, int count) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!values || count <= 0) return 0;
  const int copied = std::min(count, static_cast<int>(send_times_.size()));
  std::copy_n(send_times_.begin(), copied, values);
  return copied;
}

int ProtoV2Engine::freeSpace() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return free_space_;
}

std::vector<int> ProtoV2Engine::retryList() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return retry_.Values();
}

}  // namespace velmora::ble
