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
  // A header found among the bytes scanned again gets its own time from now on, so this never
  // calls itself.
  Reject();
  Scan(nullptr, 0, now_ms, packages);
}

size_t DevicePackageParser::CompletedBy(const uint8_t *data, size_t count, int64_t now_ms) const {
  if (pending_.empty()) return 0;
  if (in_data_) {
    if (now_ms >= deadline_ms_) return 0;
    const size_t missing = DevicePackage::kHeaderSize + data_length_ - pending_.size();
    if (missing > count) return 0;
    const uint8_t check = XorOf(pending_.data() + DevicePackage::kHeaderSize,
                                pending_.size() - DevicePackage::kHeaderSize) ^
                          XorOf(data, missing);
    return check == pending_[10] ? missing : 0;
  }
  // The header is not complete yet: only one without data can end among a few bytes.
  const size_t missing = DevicePackage::kHeaderSize - pending_.size();
  if (missing > count) return 0;
  std::array<uint8_t, DevicePackage::kHeaderSize> header{};
  std::copy(pending_.begin(), pending_.end(), header.begin());
  std::copy(data, data + missing, header.begin() + static_cast<std::ptrdiff_t>(pending_.size()));
  const bool empty = header[8] == 0 && header[9] == 0 && header[10] == 0;
  return empty && XorOf(header.data(), header.size()) == 0 ? missing : 0;
}

void DevicePackageParser::Scan(const uint8_t *data, size_t count, int64_t now_ms,
                               std::vector<NZReceivedProtoPackage> &packages) {
  size_t taken = 0;
  while (true) {
    if (!rescan_.empty()) {
      // What a rejection gave back comes before the rest of what it was scanning.
      std::vector<uint8_t> again;
      again.swap(rescan_);
      const size_t used = ScanUntilRejected(again.data(), again.size(), now_ms, packages);
      rescan_.insert(rescan_.end(), again.begin() + static_cast<std::ptrdiff_t>(used), again.end());
      continue;
    }
    if (taken == count) return;
    taken += ScanUntilRejected(data + taken, count - taken, now_ms, packages);
  }
}

size_t DevicePackageParser::ScanUntilRejected(const uint8_t *data, size_t count, int64_t now_ms,
                                              std::vector<NZReceivedProtoPackage> &packages) {
  size_t i = 0;
  while (i < count && rescan_.empty()) {
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
      if (lead == nullptr) return count;
      i = static_cast<size_t>(static_cast<const uint8_t *>(lead) - data);
    }
    pending_.push_back(data[i++]);
    if (pending_.size() == DevicePackage::kHeaderSize) FinishHeader(now_ms, packages);
  }
  return i;
}

void DevicePackageParser::FinishHeader(int64_t now_ms,
                                       std::vector<NZReceivedProtoPackage> &packages) {
  if (XorOf(pending_.data(), DevicePackage::kHeaderSize) != 0) {
    Reject();
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
  if (XorOf(data, data_length_) != header[10]) {
    Reject();  // damaged, or a false header whose data the next answer completed
    return;
  }
  NZReceivedProtoPackage package;
  package.command = static_cast<uint16_t>(header[2] | header[3] << 8);
  package.parameter = static_cast<uint32_t>(header[4]) | static_cast<uint32_t>(header[5]) << 8 |
                      static_cast<uint32_t>(header[6]) << 16 |
                      static_cast<uint32_t>(header[7]) << 24;
  package.data.assign(data, data + data_length_);
  packages.push_back(std::move(package));
  pending_.clear();
}

void DevicePackageParser::Reject() {
  in_data_ = false;
  rescan_.assign(pending_.begin() + 1, pending_.end());
  pending_.clear();
}

}  // namespace velmora::core
