#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora::ble_sim {

// What one write means to a printer of the basic layout (docs/protocol.md): plain data, or the
// indexed protocol's start, index requests and data packets, taken only in sequence. Kept apart
// from any radio, so that every virtual printer of the layout decides alike.
class BasicLayoutReceiver {
 public:
  enum class Kind { Start, IndexRequest, Data, OutOfSequence };
  struct Outcome {
    Kind kind;
    // What the printer takes in (Data only).
    const uint8_t *data = nullptr;
    size_t count = 0;
  };

  Outcome Take(const uint8_t *data, size_t count, bool with_response) {
    if (with_response && IsCommand(data, count, 0x01)) {
      session_ = true;
      expected_ = 0;
      return {Kind::Start};
    }
    if (with_response && IsCommand(data, count, 0x00)) return {Kind::IndexRequest};
    if (!with_response && session_) {
      // Anything but the packet the printer waits for follows a lost one; it comes again after
      // the next index report.
      if (count < 1 || data[0] != static_cast<uint8_t>(expected_)) return {Kind::OutOfSequence};
      ++expected_;
      return {Kind::Data, data + 1, count - 1};
    }
    // A write with response also ends an indexed session.
    if (with_response) session_ = false;
    return {Kind::Data, data, count};
  }
  // The index report's byte: the next data packet the printer waits for.
  uint8_t ReportedIndex() const { return static_cast<uint8_t>(expected_); }
  bool InSession() const { return session_; }
  // A new connection starts outside any session.
  void Reset() { session_ = false; }

 private:
  static bool IsCommand(const uint8_t *data, size_t count, uint8_t last) {
    return count == 5 && data[0] == 0x10 && data[1] == 0x07 && data[2] == 0x01 && data[3] == 0x00 &&
           data[4] == last;
  }

  bool session_ = false;
  uint64_t expected_ = 0;
};

}  // namespace velmora::ble_sim
