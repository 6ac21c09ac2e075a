#pragma once

#include <array>
#include <cstdint>

namespace velmora::ble {

// Assembles one protocol V2 frame from single bytes. A frame's total length is its byte 0, or its
// byte 1 when byte 0 is 0. A length byte below 2 cannot describe a frame: the assembler drops what
// it holds and starts over with the next byte, so nothing is ever written past the buffer.
class BLERWProtoV2Handler {
 public:
  static constexpr unsigned kFrameCapacity = 400;

  // Stores one byte; true when it completes the frame. The caller then reads the frame and calls
  // ResetReceived before feeding the next byte.
  bool HandleReceivedData(uint8_t byte);
  void ResetReceived() { received_ = 0; }
  const uint8_t *GetReceivedData() const { return head_.data(); }
  unsigned GetReceivedLen() const { return received_; }

 private:
  std::array<uint8_t, kFrameCapacity> head_{};
  unsigned received_ = 0;
};

}  // namespace velmora::ble
