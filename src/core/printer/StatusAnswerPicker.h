#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace velmora::core {

// Picks the real-time status answers out of the bytes a status query receives. An answer byte
// always has bits 0x02 and 0x10 set and bits 0x01 and 0x80 clear; any other byte belongs to
// something else and is passed over. So is a whole device package (the answer to a device
// query, or to the firmware-version request of an open), whose data may hold bytes that look
// like answers. A package that its header or data check rejects, or whose data is not complete
// DevicePackageParser::kDataTimeLimitMs after its header, was none: its bytes are no answers
// either (they may be a cut package's), but a lead byte among them may begin the next package.
class StatusAnswerPicker {
 public:
  static bool IsAnswer(uint8_t byte) { return (byte & 0x93) == 0x12; }

  // Takes the next received byte, which arrived at `now_ms` (steady milliseconds); appends it to
  // `answers` when it is one.
  void Feed(uint8_t byte, int64_t now_ms, std::vector<uint8_t> &answers);

 private:
  // `answers` is null for bytes looked at again after a rejection.
  void Step(uint8_t byte, int64_t now_ms, std::vector<uint8_t> *answers);
  void Reject();
  void LookAgain(int64_t now_ms);

  std::vector<uint8_t> package_;  // a device package begun: header, then data
  size_t data_length_ = 0;
  int64_t deadline_ms_ = 0;    // for the rest of its data
  std::deque<uint8_t> again_;  // bytes of a rejected package, looked at again for a lead byte
};

}  // namespace velmora::core
