#include "core/printer/AutoReplyPacket.h"

#include <algorithm>
#include <cstring>

#include "core/printer/XorCheck.h"

namespace velmora::core {

std::array<uint8_t, AutoReplyPacket::kSize> AutoReplyPacket::Encode() const {
  std::array<uint8_t, kSize> bytes{kLead, data[0], data[1], data[2], data[3], data[4], type, 0};
  bytes[kSize - 1] = XorOf(bytes.data(), kSize - 1);
  return bytes;
}

void AutoReplyPacketParser::Feed(const uint8_t *data, size_t count, Sink &sink) {
  std::vector<uint8_t> pass;
  pass.reserve(count + held_size_);
  size_t i = 0;
  while (i < count) {
    if (held_size_ == 0) {
      // Outside a possible packet everything up to the next lead byte is plain data.
      const void *lead = std::memchr(data + i, AutoReplyPacket::kLead, count - i);
      const size_t end =
          lead != nullptr ? static_cast<size_t>(static_cast<const uint8_t *>(lead) - data) : count;
      pass.insert(pass.end(), data + i, data + end);
      i = end;
      if (i == count) break;
    }
    FeedByte(data[i++], pass, sink);
    if (held_size_ > 0) ReleaseClaimed(pass, sink);
  }
  Emit(pass, sink);
}

void AutoReplyPacketParser::ReleaseClaimed(std::vector<uint8_t> &data, Sink &sink) {
  Emit(data, sink);
  const size_t claimed = sink.Claimed(held_.data(), held_size_);
  // The held bytes are the stream's last ones: a possible packet starting within the first
  // `claimed` of them leaves more than the rest held.
  if (claimed > 0) Release(held_size_ - std::min(claimed, held_size_), sink);
}

void AutoReplyPacketParser::Release(size_t recent, Sink &sink) {
  std::vector<uint8_t> pass;
  while (held_size_ > recent) Reject(pass, sink);
  Emit(pass, sink);
}

void AutoReplyPacketParser::Emit(std::vector<uint8_t> &data, Sink &sink) {
  if (data.empty()) return;
  sink.OnData(data.data(), data.size());
  data.clear();
}

void AutoReplyPacketParser::FeedByte(uint8_t byte, std::vector<uint8_t> &data, Sink &sink) {
  if (held_size_ == 0) {
    if (byte == AutoReplyPacket::kLead) {
      held_[held_size_++] = byte;
    } else {
      data.push_back(byte);
    }
    return;
  }
  held_[held_size_++] = byte;
  constexpr size_t kTypeAt = AutoReplyPacket::kSize - 2;
  const bool bad_type = held_size_ == kTypeAt + 1 && !AutoReplyPacket::IsKnownType(byte);
  const bool complete = held_size_ == AutoReplyPacket::kSize;
  if (complete && !bad_type && XorOf(held_.data(), AutoReplyPacket::kSize) == 0) {
    AutoReplyPacket packet;
    for (size_t i = 0; i < packet.data.size(); ++i) packet.data[i] = held_[1 + i];
    packet.type = held_[kTypeAt];
    held_size_ = 0;
    // Data before the packet reaches the sink first, so order is kept.
    Emit(data, sink);
    sink.OnPacket(packet);
    return;
  }
  if (!bad_type && !complete) return;
  Reject(data, sink);
}

void AutoReplyPacketParser::Reject(std::vector<uint8_t> &data, Sink &sink) {
  // Not a packet: its lead byte is data; the rest may hold the start of a real packet.
  const std::array<uint8_t, AutoReplyPacket::kSize> rejected = held_;
  const size_t rejected_size = held_size_;
  held_size_ = 0;
  data.push_back(rejected[0]);
  for (size_t i = 1; i < rejected_size; ++i) FeedByte(rejected[i], data, sink);
}

}  // namespace velmora::core
