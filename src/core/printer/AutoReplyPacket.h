#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::core {

// One automatic status packet: 'S', five data bytes, a type byte and an XOR check.
struct AutoReplyPacket {
  static constexpr size_t kSize = 8;
  static constexpr uint8_t kLead = 0x53;  // 'S'

  enum Type : uint8_t {
    kStatus = 0x01,
    kReceivedCount = 0x02,
    kPrintedPage = 0x03,
    kResolution = 0x04,
    kLabelAdjustment = 0x05,
  };

  std::array<uint8_t, 5> data{};
  uint8_t type = 0;

  static bool IsKnownType(uint8_t type) { return type >= kStatus && type <= kLabelAdjustment; }
  // The eight bytes as they travel.
  std::array<uint8_t, kSize> Encode() const;

  uint16_t U16(size_t at) const { return static_cast<uint16_t>(data[at] | data[at + 1] << 8); }
  uint32_t U32(size_t at) const {
    return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
           static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
  }
};

// Takes automatic status packets out of a received byte stream. Everything else passes through
// unchanged and in order; bytes that only look like a packet are passed through too. The result
// does not depend on how the stream is cut into chunks: a possible packet that a chunk ends in is
// held back, over any number of chunks, until later bytes decide it, the sink claims its bytes,
// or the owner gives it up as data with Release or Flush.
class AutoReplyPacketParser {
 public:
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void OnData(const uint8_t *data, size_t count) = 0;
    virtual void OnPacket(const AutoReplyPacket &packet) = 0;
    // How many of the held bytes, from the first, belong to something else that they complete
    // (the last data of a device package); asked after each byte while bytes are held, once
    // every byte before them has gone to OnData. A possible packet that starts among them is
    // not one.
    virtual size_t Claimed(const uint8_t *held, size_t count) {
      (void)held;
      (void)count;
      return 0;
    }
  };

  void Feed(const uint8_t *data, size_t count, Sink &sink);
  // Gives up every possible packet that began before the last `recent` bytes fed: their bytes
  // go on as data, except a later possible packet among them.
  void Release(size_t recent, Sink &sink);
  // Hands all held-back bytes on as data (the stream paused inside a possible packet).
  void Flush(Sink &sink) { Release(0, sink); }
  size_t held() const { return held_size_; }

 private:
  // Feeds one byte; the bytes of a rejected candidate after its lead byte are fed again,
  // since a real packet may start among them.
  void FeedByte(uint8_t byte, std::vector<uint8_t> &data, Sink &sink);
  // Gives up the possible packets among held bytes that the sink claims.
  void ReleaseClaimed(std::vector<uint8_t> &data, Sink &sink);
  void Reject(std::vector<uint8_t> &data, Sink &sink);
  static void Emit(std::vector<uint8_t> &data, Sink &sink);

  std::array<uint8_t, AutoReplyPacket::kSize> held_{};
  size_t held_size_ = 0;
};

}  // namespace velmora::core
