#include "core/port/NZIORxBuffer.h"

#include <algorithm>
#include <chrono>

namespace velmora::core {

size_t NZIORxBuffer::Put(const uint8_t *data, size_t count, uint64_t discards_before,
                         size_t stale) {
  size_t kept = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (discards_ != discards_before) return 0;
    stale = std::min(stale, count);
    data += stale;
    count -= stale;
    kept = std::min(count, kCapacity - size_);
    for (size_t i = 0; i < kept; ++i) ring_[(head_ + size_ + i) % kCapacity] = data[i];
    size_ += kept;
  }
  if (kept > 0) data_ready_.notify_all();
  return kept;
}

bool NZIORxBuffer::TakeByte(uint8_t &byte) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (size_ == 0) return false;
  byte = ring_[head_];
  head_ = (head_ + 1) % kCapacity;
  --size_;
  return true;
}

size_t NZIORxBuffer::Available() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return size_;
}

void NZIORxBuffer::Discard() {
  std::lock_guard<std::mutex> lock(mutex_);
  head_ = 0;
  size_ = 0;
  ++discards_;
}

uint64_t NZIORxBuffer::discards() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return discards_;
}

void NZIORxBuffer::WaitForData(int max_wait_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (size_ > 0) return;
  data_ready_.wait_for(lock, std::chrono::milliseconds(max_wait_ms));
}

void NZIORxBuffer::Wake() {
  data_ready_.notify_all();
}

}  // namespace velmora::core
