#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace velmora::core {

// Picks the real-time status answers out of the bytes a status query receives. An answer byte
// always has bits 0x02 and 0x10 set and bits 0x01 and 0x80 clear; any other byte belongs to
// something else and is passed over. So is a whole device package (the answer to a device
// query, or to the firmware-version request of an open), whose data may hold bytes that look
// like answers. A lead byte whose header check fails began no package: the bytes after it are
// looked at again, as answers too. A package whose data check rejects it, or whose data are not
// complete DevicePackageParser::kDataTimeLimitMs after its header, was a cut one: its bytes are
// no answers (they may be its data), but a lead byte among them may begin the next package.
// Bytes that could be answers passed over that way are counted: answers may be among them.
class StatusAnswerPicker {
 public:
  static bool IsAnswer(uint8_t byte) { return (byte & 0x93) == 0x12; }

  // Takes the next received byte, which arrived at `now_ms` (steady milliseconds); appends it to
  // `answers` when it is one.
  void Feed(uint8_t byte, int64_t now_ms, std::vector<uint8_t> &answers);

  // How many bytes that could be answers were passed over as a cut package's so far.
  size_t dropped() const { return dropped_; }

 private:
  // `may_answer` is false for the bytes of a cut package, looked at again for a lead byte.
  void Step(uint8_t byte, bool may_answer, int64_t now_ms, std::vector<uint8_t> &answers);
  void Reject(bool header_failed);
  void LookAgain(int64_t now_ms, std::vector<uint8_t> &answers);

  std::vector<uint8_t> package_;  // a device package begun: header, then data
  std::vector<bool> may_answer_;  // for each byte of package_
  size_t data_length_ = 0;
  int64_t deadline_ms_ = 0;  // for the rest of its data
  // bytes of a rejected package, looked at again, and whether each may be an answer
  std::deque<std::pair<uint8_t, bool>> again_;
  size_t dropped_ = 0;
};

}  // namespace velmora::core
