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

void DevicePackageParser::Feed(const uint8_t *data, size_t count,
                               std::vector<NZReceivedProtoPackage> &packages) {
  size_t i = 0;
  while (i < count) {
    if (in_data_) {
      // Package data is taken in bulk.
      const size_t n = std::min(count - i, data_length_ - data_.size());
      data_.insert(data_.end(), data + i, data + i + n);
      i += n;
      if (data_.size() == data_length_) FinishData(packages);
      continue;
    }
    if (header_size_ == 0) {
      const void *lead = std::memchr(data + i, DevicePackage::kLead, count - i);
      if (lead == nullptr) return;
      i = static_cast<size_t>(static_cast<const uint8_t *>(lead) - data);
    }
    FeedByte(data[i++], packages);
  }
}

void DevicePackageParser::FeedByte(uint8_t byte, std::vector<NZReceivedProtoPackage> &packages) {
  if (in_data_) {
    data_.push_back(byte);
    if (data_.size() == data_length_) FinishData(packages);
    return;
  }
  if (header_size_ == 0 && byte != DevicePackage::kLead) return;
  header_[header_size_++] = byte;
  if (header_size_ == DevicePackage::kHeaderSize) FinishHeader(packages);
}

void DevicePackageParser::FinishHeader(std::vector<NZReceivedProtoPackage> &packages) {
  if (XorOf(header_.data(), DevicePackage::kHeaderSize) != 0) {
    // Not a header: a package may still start after its first byte.
    const auto rejected = header_;
    header_size_ = 0;
    for (size_t i = 1; i < rejected.size(); ++i) FeedByte(rejected[i], packages);
    return;
  }
  data_length_ = static_cast<size_t>(header_[8] | header_[9] << 8);
  data_.clear();
  if (data_length_ == 0) {
    FinishData(packages);
  } else {
    data_.reserve(data_length_);
    in_data_ = true;
  }
}

void DevicePackageParser::FinishData(std::vector<NZReceivedProtoPackage> &packages) {
  in_data_ = false;
  header_size_ = 0;
  if (XorOf(data_.data(), data_.size()) != header_[10]) {
    data_.clear();
    return;  // damaged: dropped
  }
  NZReceivedProtoPackage package;
  package.command = static_cast<uint16_t>(header_[2] | header_[3] << 8);
  package.parameter = static_cast<uint32_t>(header_[4]) | static_cast<uint32_t>(header_[5]) << 8 |
                      static_cast<uint32_t>(header_[6]) << 16 |
                      static_cast<uint32_t>(header_[7]) << 24;
  package.data = std::move(data_);
  data_.clear();
  packages.push_back(std::move(package));
}

}  // namespace velmora::core
