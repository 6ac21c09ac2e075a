#include "core/printer/StatusAnswerPicker.h"

#include "core/printer/DevicePackage.h"
#include "core/printer/XorCheck.h"

namespace velmora::core {
namespace {

constexpr size_t kHeader = DevicePackage::kHeaderSize;

}  // namespace

void StatusAnswerPicker::Feed(uint8_t byte, int64_t now_ms, std::vector<uint8_t> &answers) {
  if (package_.size() >= kHeader && now_ms >= deadline_ms_) {
    Reject();
    LookAgain(now_ms);
  }
  Step(byte, now_ms, &answers);
  LookAgain(now_ms);
}

void StatusAnswerPicker::Step(uint8_t byte, int64_t now_ms, std::vector<uint8_t> *answers) {
  if (package_.empty()) {
    if (byte == DevicePackage::kLead) {
      package_.push_back(byte);
    } else if (answers != nullptr && IsAnswer(byte)) {
      answers->push_back(byte);
    }
    return;
  }
  package_.push_back(byte);
  if (package_.size() == kHeader) {
    if (XorOf(package_.data(), kHeader) != 0) return Reject();
    // Read from here on only: until its header is complete a package is never complete.
    data_length_ = static_cast<size_t>(package_[8] | package_[9] << 8);
    deadline_ms_ = now_ms + DevicePackageParser::kDataTimeLimitMs;
  }
  if (package_.size() < kHeader + data_length_) return;
  if (XorOf(package_.data() + kHeader, data_length_) != package_[10]) return Reject();
  package_.clear();
}

void StatusAnswerPicker::Reject() {
  again_.insert(again_.begin(), package_.begin() + 1, package_.end());
  package_.clear();
}

void StatusAnswerPicker::LookAgain(int64_t now_ms) {
  while (!again_.empty()) {
    const uint8_t byte = again_.front();
    again_.pop_front();
    Step(byte, now_ms, nullptr);
  }
}

}  // namespace velmora::core
