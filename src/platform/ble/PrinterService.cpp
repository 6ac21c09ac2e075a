#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "velmora/ble_simulation.hpp"

namespace velmora::ble_sim {
namespace detail {

struct AcceptedBytes {
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  Bytes bytes;
  ByteSink sink;
};

}  // namespace detail

PrinterService::PrinterService() : accepted_(std::make_shared<detail::AcceptedBytes>()) {}
PrinterService::~PrinterService() = default;

Bytes PrinterService::Accepted() const {
  std::lock_guard<std::mutex> lock(accepted_->mutex);
  return accepted_->bytes;
}

size_t PrinterService::AcceptedSize() const {
  std::lock_guard<std::mutex> lock(accepted_->mutex);
  return accepted_->bytes.size();
}

void PrinterService::ClearAccepted() {
  std::lock_guard<std::mutex> lock(accepted_->mutex);
  accepted_->bytes.clear();
}

bool PrinterService::WaitForAccepted(size_t count, int timeout_ms) const {
  std::unique_lock<std::mutex> lock(accepted_->mutex);
  return accepted_->changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                     [&] { return accepted_->bytes.size() >= count; });
}

void PrinterService::SetSink(ByteSink sink) {
  std::lock_guard<std::mutex> lock(accepted_->mutex);
  accepted_->sink = std::move(sink);
}

void PrinterService::Accept(const uint8_t *data, size_t count) {
  ByteSink sink;
  {
    std::lock_guard<std::mutex> lock(accepted_->mutex);
    accepted_->bytes.insert(accepted_->bytes.end(), data, data + count);
    sink = accepted_->sink;
  }
  accepted_->changed.notify_all();
  // Called on the radio thread only, so chunks reach the sink in order.
  if (sink && count > 0) sink(data, count);
}

void PrinterService::NotifyInPieces(const std::string &characteristic, const Bytes &bytes) {
  const size_t piece = static_cast<size_t>(std::max(1, MaximumNotificationLength()));
  for (size_t offset = 0; offset < bytes.size(); offset += piece) {
    Notify(characteristic, bytes.data() + offset, std::min(piece, bytes.size() - offset));
  }
}

}  // namespace velmora::ble_sim
