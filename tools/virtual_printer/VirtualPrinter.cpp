#include "VirtualPrinter.h"

#include <chrono>

namespace velmora::vprinter {
namespace {

constexpr int kTickMs = 5;

}  // namespace

VirtualPrinter::~VirtualPrinter() {
  {
    std::lock_guard<std::mutex> lock(tick_mutex_);
    stop_ticking_ = true;
  }
  tick_stop_.notify_all();
  if (ticker_.joinable()) ticker_.join();
}

void VirtualPrinter::AddBehaviour(std::shared_ptr<PrinterBehaviour> behaviour) {
  {
    std::lock_guard<std::mutex> lock(behaviour_mutex_);
    behaviours_.push_back(std::move(behaviour));
  }
  std::lock_guard<std::mutex> lock(tick_mutex_);
  if (!ticking_) {
    ticking_ = true;
    ticker_ = std::thread([this] { TickLoop(); });
  }
}

void VirtualPrinter::TickLoop() {
  const Reply send = [this](const Bytes &bytes) { SendToHost(bytes); };
  std::unique_lock<std::mutex> lock(tick_mutex_);
  while (!tick_stop_.wait_for(lock, std::chrono::milliseconds(kTickMs),
                              [this] { return stop_ticking_; })) {
    lock.unlock();
    {
      std::lock_guard<std::mutex> behaviours(behaviour_mutex_);
      for (auto &behaviour : behaviours_) behaviour->OnTick(*this, send);
    }
    lock.lock();
  }
}

void VirtualPrinter::SetHostOutput(Reply output) {
  std::lock_guard<std::mutex> lock(output_mutex_);
  output_ = std::move(output);
}

void VirtualPrinter::SendToHost(const Bytes &bytes) {
  std::lock_guard<std::mutex> lock(output_mutex_);
  if (output_) output_(bytes);
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
