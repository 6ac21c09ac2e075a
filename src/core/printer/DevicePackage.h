#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <vector>

namespace velmora::core {

// One received device-protocol package.
struct NZReceivedProtoPackage {
  uint16_t command = 0;
  uint32_t parameter = 0;
  std::vector<uint8_t> data;
};

// The device package framing: a 12-byte header (03, address, 16-bit command, 32-bit parameter,
// 16-bit data length, data XOR, header XOR) and the data.
struct DevicePackage {
  static constexpr size_t kHeaderSize = 12;
  static constexpr uint8_t kLead = 0x03;
  static constexpr uint8_t kHostAddress = 0xFF;
  static constexpr size_t kMaxData = 0xFFFF;

  // The package bytes, or nothing when the data is too long for the length field.
  static std::optional<std::vector<uint8_t>> Build(uint8_t address, uint16_t command,
                                                   uint32_t parameter, const uint8_t *data,
                                                   size_t count);
  static std::optional<std::vector<uint8_t>> Build(uint8_t address, uint16_t command,
                                                   uint32_t parameter,
                                                   const std::vector<uint8_t> &data) {
    return Build(address, command, parameter, data.data(), data.size());
  }
};

// Finds device packages in a received byte stream. It only watches: the bytes themselves go on
// to the reader whatever it finds. The packages found depend on the bytes and on when they
// arrived, not on how the stream is cut into chunks. Every header whose check passes waits for
// its data on its own, so that none can hold up the answers behind it: a false header (stray
// bytes, or the tail of a cut answer and the head of its retry) costs nothing but its own wait.
// A header is given up when its data check fails or its data is not complete kDataTimeLimitMs
// after the header. Packages are reported in the order their last bytes arrived.
class DevicePackageParser {
 public:
  static constexpr int64_t kDataTimeLimitMs = 2000;

  // Appends every package completed by these bytes, which arrived at `now_ms` (steady
  // milliseconds), to `packages`.
  void Feed(const uint8_t *data, size_t count, int64_t now_ms,
            std::vector<NZReceivedProtoPackage> &packages);
  // Gives up the headers whose data is overdue at `now_ms`.
  void Expire(int64_t now_ms);
  // How many of `count` bytes, from the first, would complete a package whose checks pass if
  // they came next (the fewest that do); 0 when none would. Headers overdue by then must have
  // been given up with Expire.
  size_t CompletedBy(const uint8_t *data, size_t count) const;
  // Headers waiting for their data.
  size_t waiting() const { return waiting_.size(); }

 private:
  // A header whose check passed, waiting for its data. Positions count every byte fed.
  struct Waiting {
    uint64_t end = 0;  // one past its last data byte
    uint64_t start = 0;
    int64_t deadline_ms = 0;
    bool operator<(const Waiting &other) const {
      return end != other.end ? end < other.end : start < other.start;
    }
  };

  uint8_t At(uint64_t position) const { return window_[position - base_]; }
  // XOR of the bytes in [from, to), all in the window.
  uint8_t XorBetween(uint64_t from, uint64_t to) const {
    return static_cast<uint8_t>(prefix_xor_[to - base_] ^ prefix_xor_[from - base_]);
  }
  void Finish(const Waiting &waiting, std::vector<NZReceivedProtoPackage> &packages) const;
  // Drops the bytes that no header can need any more.
  void Trim();

  std::vector<uint8_t> window_;            // the bytes from position base_ on
  std::vector<uint8_t> prefix_xor_ = {0};  // XOR of window_[0, i) at i
  uint64_t base_ = 0;
  uint64_t end_ = 0;                 // bytes fed so far
  std::set<Waiting> waiting_;        // by end
  std::deque<Waiting> by_deadline_;  // in the order found, so by start and by deadline
};

}  // namespace velmora::core
