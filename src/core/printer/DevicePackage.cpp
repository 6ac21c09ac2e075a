#include "core/printer/DevicePackage.h"

#include <algorithm>
#include <cstring>

#include "core/printer/XorCheck.h"

namespace velmora::core {

std::optional<std::vector<uint8_t>> DevicePackage::Build(uint8_t address, uint16_t command,
                                                         uint32_t parameter, const uint8_t *data,
                                                         size_t count) {
  if (count > kMaxData || (data == nullptr && count > 0)) return std::nullopt;
  std::vector<uint8_t> bytes = {
      kLead,
      address,
      static_cast<uint8_t>(command),
      static_cast<uint8_t>(command >> 8),
      static_cast<uint8_t>(parameter),
      static_cast<uint8_t>(parameter >> 8),
      static_cast<uint8_t>(parameter >> 16),
      static_cast<uint8_t>(parameter >> 24),
      static_cast<uint8_t>(count),
      static_cast<uint8_t>(count >> 8),
      XorOf(data, count),
  };
  bytes.push_back(XorOf(bytes.data(), bytes.size()));
  if (count > 0) bytes.insert(bytes.end(), data, data + count);
  return bytes;
}

void DevicePackageParser::Feed(const uint8_t *data, size_t count, int64_t now_ms,
                               std::vector<NZReceivedProtoPackage> &packages) {
  Expire(now_ms, packages);
  Scan(data, count, now_ms, packages);
}

void DevicePackageParser::Expire(int64_t now_ms, std::vector<NZReceivedProtoPackage> &packages) {
  if (!in_data_ || now_ms < deadline_ms_) return;
  // Search again behind the false start. A header found among these bytes gets its own time
  // from now on, so this never calls itself.
  const std::vector<uint8_t> again(pending_.begin() + 1, pending_.end());
  pending_.clear();
  in_data_ = false;
  Scan(again.data(), again.size(), now_ms, packages);
}

void DevicePackageParser::Scan(const uint8_t *data, size_t count, int64_t now_ms,
                               std::vector<NZReceivedProtoPackage> &packages) {
  size_t i = 0;
  while (i < count) {
    if (in_data_) {
      // Package data is taken in bulk.
      const size_t n =
          std::min(count - i, DevicePackage::kHeaderSize + data_length_ - pending_.size());
      pending_.insert(pending_.end(), data + i, data + i + n);
      i += n;
      if (pending_.size() == DevicePackage::kHeaderSize + data_length_) FinishData(packages);
      continue;
    }
    if (pending_.empty()) {
      const void *lead = std::memchr(data + i, DevicePackage::kLead, count - i);
      if (lead == nullptr) return;
      i = static_cast<size_t>(static_cast<const uint8_t *>(lead) - data);
    }
    FeedByte(data[i++], now_ms, packages);
  }
}

void DevicePackageParser::FeedByte(uint8_t byte, int64_t now_ms,
                                   std::vector<NZReceivedProtoPackage> &packages) {
  if (pending_.empty() && byte != DevicePackage::kLead) return;
  pending_.push_back(byte);
  if (pending_.size() == DevicePackage::kHeaderSize) FinishHeader(now_ms, packages);
}

void DevicePackageParser::FinishHeader(int64_t now_ms,
                                       std::vector<NZReceivedProtoPackage> &packages) {
  if (XorOf(pending_.data(), DevicePackage::kHeaderSize) != 0) {
    // Not a header: a package may still start after its first byte (11 bytes cannot complete
    // another header, so this goes no deeper).
    std::array<uint8_t, DevicePackage::kHeaderSize> rejected{};
    std::copy(pending_.begin(), pending_.end(), rejected.begin());
    pending_.clear();
    for (size_t i = 1; i < rejected.size(); ++i) FeedByte(rejected[i], now_ms, packages);
    return;
  }
  data_length_ = static_cast<size_t>(pending_[8] | pending_[9] << 8);
  if (data_length_ == 0) {
    FinishData(packages);
    return;
  }
  pending_.reserve(DevicePackage::kHeaderSize + data_length_);
  in_data_ = true;
  deadline_ms_ = now_ms + kDataTimeLimitMs;
}

void DevicePackageParser::FinishData(std::vector<NZReceivedProtoPackage> &packages) {
  in_data_ = false;
  const uint8_t *header = pending_.data();
  const uint8_t *data = header + DevicePackage::kHeaderSize;
  if (XorOf(data, data_length_) == header[10]) {
    NZReceivedProtoPackage package;
    package.command = static_cast<uint16_t>(header[2] | header[3] << 8);
    package.parameter = static_cast<uint32_t>(header[4]) | static_cast<uint32_t>(header[5]) << 8 |
                        static_cast<uint32_t>(header[6]) << 16 |
                        static_cast<uint32_t>(header[7]) << 24;
    package.data.assign(data, data + data_length_);
    packages.push_back(std::move(package));
  }  // else damaged: dropped
  pending_.clear();
}

}  // namespace velmora::core
