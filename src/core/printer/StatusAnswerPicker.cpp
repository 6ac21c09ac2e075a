#include "core/printer/StatusAnswerPicker.h"

#include "core/printer/DevicePackage.h"
#include "core/printer/XorCheck.h"

namespace velmora::core {
namespace {

constexpr size_t kHeader = DevicePackage::kHeaderSize;

}  // namespace

void StatusAnswerPicker::Feed(uint8_t byte, int64_t now_ms, std::vector<uint8_t> &answers) {
  if (package_.size() >= kHeader && now_ms >= deadline_ms_) {
    Reject(false);
    LookAgain(now_ms, answers);
  }
  Step(byte, true, now_ms, answers);
  LookAgain(now_ms, answers);
}

void StatusAnswerPicker::Step(uint8_t byte, bool may_answer, int64_t now_ms,
                              std::vector<uint8_t> &answers) {
  if (package_.empty()) {
    if (byte == DevicePackage::kLead) {
      package_.push_back(byte);
      may_answer_.push_back(may_answer);
    } else if (IsAnswer(byte)) {
      if (may_answer) {
        answers.push_back(byte);
      } else {
        ++dropped_;
      }
    }
    return;
  }
  package_.push_back(byte);
  may_answer_.push_back(may_answer);
  if (package_.size() == kHeader) {
    if (XorOf(package_.data(), kHeader) != 0) return Reject(true);
    // Read from here on only: until its header is complete a package is never complete.
    data_length_ = static_cast<size_t>(package_[8] | package_[9] << 8);
    deadline_ms_ = now_ms + DevicePackageParser::kDataTimeLimitMs;
  }
  if (package_.size() < kHeader + data_length_) return;
  if (XorOf(package_.data() + kHeader, data_length_) != package_[10]) return Reject(false);
  package_.clear();
  may_answer_.clear();
}

void StatusAnswerPicker::Reject(bool header_failed) {
  // Bytes behind a failed header were never a package's; a cut package's may be its data.
  std::deque<std::pair<uint8_t, bool>> bytes;
  for (size_t i = 1; i < package_.size(); ++i) {
    bytes.emplace_back(package_[i], header_failed && may_answer_[i]);
  }
  again_.insert(again_.begin(), bytes.begin(), bytes.end());
  package_.clear();
  may_answer_.clear();
}

void StatusAnswerPicker::LookAgain(int64_t now_ms, std::vector<uint8_t> &answers) {
  while (!again_.empty()) {
    const auto [byte, may_answer] = again_.front();
    again_.pop_front();
    Step(byte, may_answer, now_ms, answers);
  }
}

}  // namespace velmora::core
