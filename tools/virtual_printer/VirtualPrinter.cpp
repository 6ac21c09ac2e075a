#include "VirtualPrinter.h"

#include <chrono>

namespace velmora::vprinter {

void VirtualPrinter::AddBehaviour(std::shared_ptr<PrinterBehaviour> behaviour) {
  std::lock_guard<std::mutex> lock(behaviour_mutex_);
  behaviours_.push_back(std::move(behaviour));
}

void VirtualPrinter::Receive(const uint8_t *data, size_t count, const Reply &reply) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.insert(received_.end(), data, data + count);
  }
  changed_.notify_all();
  std::lock_guard<std::mutex> lock(behaviour_mutex_);
  for (auto &behaviour : behaviours_) behaviour->OnReceived(*this, data, count, reply);
}

Bytes VirtualPrinter::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

size_t VirtualPrinter::ReceivedSize() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_.size();
}

void VirtualPrinter::ClearReceived() {
  std::lock_guard<std::mutex> lock(mutex_);
  received_.clear();
}

bool VirtualPrinter::WaitForReceivedSize(size_t count, int timeout_ms) const {
  return WaitUntil([count](const Bytes &bytes) { return bytes.size() >= count; }, timeout_ms);
}

bool VirtualPrinter::WaitUntil(const std::function<bool(const Bytes &)> &predicate,
                               int timeout_ms) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return predicate(received_); });
}

}  // namespace velmora::vprinter
