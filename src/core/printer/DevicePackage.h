#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
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
// arrived, not on how the stream is cut into chunks. A header that is rejected (its own check
// fails, its data check fails, or its data is not complete kDataTimeLimitMs after the header)
// is taken for stray bytes, so that it cannot swallow the answers that follow: the search
// starts again at the byte after its lead byte, over every byte received since.
class DevicePackageParser {
 public:
  static constexpr int64_t kDataTimeLimitMs = 2000;

  // Appends every package completed by these bytes, which arrived at `now_ms` (steady
  // milliseconds), to `packages`.
  void Feed(const uint8_t *data, size_t count, int64_t now_ms,
            std::vector<NZReceivedProtoPackage> &packages);
  // Gives up a package whose data is overdue at `now_ms`; for when nothing arrives.
  void Expire(int64_t now_ms, std::vector<NZReceivedProtoPackage> &packages);
  // How many of `count` bytes would complete the package begun so far, its checks passing, if
  // they came next at `now_ms`; 0 when they would not.
  size_t CompletedBy(const uint8_t *data, size_t count, int64_t now_ms) const;

 private:
  // Scans the bytes given back by rejected headers, then `data`.
  void Scan(const uint8_t *data, size_t count, int64_t now_ms,
            std::vector<NZReceivedProtoPackage> &packages);
  // Scans until the bytes are used up or a rejection gives bytes back; returns how many it took.
  size_t ScanUntilRejected(const uint8_t *data, size_t count, int64_t now_ms,
                           std::vector<NZReceivedProtoPackage> &packages);
  void FinishHeader(int64_t now_ms, std::vector<NZReceivedProtoPackage> &packages);
  void FinishData(std::vector<NZReceivedProtoPackage> &packages);
  // The package begun so far is not one: every byte after its lead byte is scanned again.
  void Reject();

  std::vector<uint8_t> pending_;  // the package begun so far: header, then data
  bool in_data_ = false;
  size_t data_length_ = 0;
  int64_t deadline_ms_ = 0;      // for the rest of the data
  std::vector<uint8_t> rescan_;  // bytes given back by a rejection, scanned before new ones
};

}  // namespace velmora::core
