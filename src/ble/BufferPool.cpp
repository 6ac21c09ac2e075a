#include "ble/BufferPool.h"

#include <algorithm>

#include "platform/Log.h"

namespace velmora::ble {

BufferPool::BufferPool(int size) : buffer_(static_cast<size_t>(std::max(1, size))) {}

bool BufferPool::PutLocked(uint8_t byte) {
  if (count_ == buffer_.size()) {
    ++dropped_;
    if (!full_episode_) {
      full_episode_ = true;
      platform::logf("BufferPool full (%zu bytes): dropping received bytes", buffer_.size());
    }
    return false;
  }
  buffer_[(read_ + count_) % buffer_.size()] = byte;
  ++count_;
  return true;
}

bool BufferPool::putByte(uint8_t byte) {
  std::lock_guard<std::mutex> lock(mutex_);
  return PutLocked(byte);
}

size_t BufferPool::put(const uint8_t *data, size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t taken = 0;
  for (size_t i = 0; i < count; ++i) taken += PutLocked(data[i]) ? 1 : 0;
  return taken;
}

uint8_t BufferPool::getByte() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (count_ == 0) return 0;
  const uint8_t byte = buffer_[read_];
  read_ = (read_ + 1) % buffer_.size();
  --count_;
  full_episode_ = false;
  return byte;
}

bool BufferPool::isEmpty() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_ == 0;
}

void BufferPool::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  read_ = 0;
  count_ = 0;
  full_episode_ = false;
}

size_t BufferPool::available() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_;
}

uint64_t BufferPool::droppedCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dropped_;
}

}  // namespace velmora::ble
