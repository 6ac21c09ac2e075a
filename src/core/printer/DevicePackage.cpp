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
  Expire(now_ms);
  const uint64_t before = end_;
  window_.insert(window_.end(), data, data + count);
  const size_t from = prefix_xor_.size();
  prefix_xor_.resize(from + count);
  for (size_t i = 0; i < count; ++i) {
    prefix_xor_[from + i] = static_cast<uint8_t>(prefix_xor_[from + i - 1] ^ data[i]);
  }
  end_ += count;
  // Headers that end among these bytes: every lead byte up to a header's length before them.
  constexpr uint64_t kTail = DevicePackage::kHeaderSize - 1;
  for (uint64_t start = std::max(base_, before >= kTail ? before - kTail : 0);
       start + DevicePackage::kHeaderSize <= end_; ++start) {
    const uint8_t *at = window_.data() + (start - base_);
    const void *lead =
        std::memchr(at, DevicePackage::kLead,
                    static_cast<size_t>(end_ - DevicePackage::kHeaderSize - start + 1));
    if (lead == nullptr) break;
    start += static_cast<uint64_t>(static_cast<const uint8_t *>(lead) - at);
    if (XorBetween(start, start + DevicePackage::kHeaderSize) != 0) continue;
    const size_t length = At(start + 8) | At(start + 9) << 8;
    const Waiting header{start + DevicePackage::kHeaderSize + length, start,
                         now_ms + kDataTimeLimitMs};
    waiting_.insert(header);
    by_deadline_.push_back(header);
  }
  // All these bytes came at once, so packages they complete are reported by where they end.
  while (!waiting_.empty() && waiting_.begin()->end <= end_) {
    Finish(*waiting_.begin(), packages);
    waiting_.erase(waiting_.begin());
  }
  Trim();
}

void DevicePackageParser::Expire(int64_t now_ms) {
  while (!by_deadline_.empty()) {
    const Waiting &first = by_deadline_.front();
    if (waiting_.count(first) != 0) {
      if (now_ms < first.deadline_ms) break;
      waiting_.erase(first);  // its data is late: a false header
    }
    by_deadline_.pop_front();
  }
  Trim();
}

void DevicePackageParser::Finish(const Waiting &waiting,
                                 std::vector<NZReceivedProtoPackage> &packages) const {
  const uint64_t data = waiting.start + DevicePackage::kHeaderSize;
  // A failed data check: damaged, or a false header whose data other bytes completed.
  if (XorBetween(data, waiting.end) != At(waiting.start + 10)) return;
  NZReceivedProtoPackage package;
  package.command = static_cast<uint16_t>(At(waiting.start + 2) | At(waiting.start + 3) << 8);
  for (int i = 3; i >= 0; --i) {
    package.parameter = package.parameter << 8 | At(waiting.start + 4 + static_cast<uint64_t>(i));
  }
  package.data.assign(window_.begin() + static_cast<std::ptrdiff_t>(data - base_),
                      window_.begin() + static_cast<std::ptrdiff_t>(waiting.end - base_));
  packages.push_back(std::move(package));
}

void DevicePackageParser::Trim() {
  while (!by_deadline_.empty() && waiting_.count(by_deadline_.front()) == 0) {
    by_deadline_.pop_front();
  }
  // A header may end with the next byte, so the last bytes but one of a header stay.
  uint64_t keep_from =
      end_ >= DevicePackage::kHeaderSize - 1 ? end_ - (DevicePackage::kHeaderSize - 1) : 0;
  if (!by_deadline_.empty()) keep_from = std::min(keep_from, by_deadline_.front().start);
  const size_t drop = static_cast<size_t>(keep_from - base_);
  // Dropped in bulk, so that each byte is moved a bounded number of times.
  if (drop < 4096 || drop < window_.size() / 2) return;
  window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(drop));
  prefix_xor_.erase(prefix_xor_.begin(), prefix_xor_.begin() + static_cast<std::ptrdiff_t>(drop));
  base_ = keep_from;
}

size_t DevicePackageParser::CompletedBy(const uint8_t *data, size_t count) const {
  size_t fewest = 0;
  // Headers waiting for their data, the first to end first.
  for (const Waiting &header : waiting_) {
    if (header.end > end_ + count) break;
    const size_t needed = static_cast<size_t>(header.end - end_);
    const uint8_t check = static_cast<uint8_t>(
        XorBetween(header.start + DevicePackage::kHeaderSize, end_) ^ XorOf(data, needed));
    if (check == At(header.start + 10)) {
      fewest = needed;
      break;
    }
  }
  // Headers that would end among these bytes: the last bytes fed, then these.
  const size_t kept =
      static_cast<size_t>(std::min<uint64_t>(end_ - base_, DevicePackage::kHeaderSize - 1));
  const uint8_t *last = window_.data() + window_.size() - kept;
  if ((kept == 0 || std::memchr(last, DevicePackage::kLead, kept) == nullptr) &&
      (count == 0 || std::memchr(data, DevicePackage::kLead, count) == nullptr)) {
    return fewest;  // no lead byte, no header: the common case, decided without copying
  }
  std::vector<uint8_t> tail(last, last + kept);
  tail.insert(tail.end(), data, data + count);
  for (size_t at = 0; at + DevicePackage::kHeaderSize <= tail.size(); ++at) {
    const uint8_t *header = tail.data() + at;
    if (header[0] != DevicePackage::kLead || XorOf(header, DevicePackage::kHeaderSize) != 0)
      continue;
    const size_t end = at + DevicePackage::kHeaderSize + (header[8] | header[9] << 8);
    if (end > tail.size() || XorOf(header + DevicePackage::kHeaderSize,
                                   end - at - DevicePackage::kHeaderSize) != header[10]) {
      continue;
    }
    if (fewest == 0 || end - kept < fewest) fewest = end - kept;
  }
  return fewest;
}

}  // namespace velmora::core
