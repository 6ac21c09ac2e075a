#include "ble/BLERWProtoV2Handler.h"

namespace velmora::ble {

bool BLERWProtoV2Handler::HandleReceivedData(uint8_t byte) {
  // A caller that keeps feeding after a completed frame still stays inside the buffer.
  if (received_ >= kFrameCapacity) received_ = 0;
  head_[received_++] = byte;
  if (received_ == 1) {
    if (byte == 1) received_ = 0;  // length 1: no frame can follow from here
    return false;
  }
  if (head_[0] == 0) {
    if (received_ == 2 && byte < 2) {
      received_ = 0;
      return false;
    }
    return received_ == head_[1];
  }
  return received_ == head_[0];
}

}  // namespace velmora::ble
