#include "HangUpBehaviour.h"

#include <chrono>

namespace velmora::vprinter {

void HangUpBehaviour::Arm(size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  armed_ = true;
  left_ = bytes;
}

void HangUpBehaviour::OnReceived(VirtualPrinter &, const uint8_t *, size_t count, const Reply &) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!armed_) return;
    left_ = left_ > count ? left_ - count : 0;
    if (left_ > 0) return;
    armed_ = false;
  }
  hung_up_at_ms_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                       .count();
  tcp_.CloseConnections();
}

}  // namespace velmora::vprinter
