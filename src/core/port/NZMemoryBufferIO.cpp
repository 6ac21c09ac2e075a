#include "core/port/NZMemoryBufferIO.h"

#include <cstring>
#include <new>

namespace velmora::core {

bool NZMemoryBufferIO::Open(uint32_t capacity) {
  // Pages are only touched as bytes arrive, so a large capacity costs address space only.
  storage_.reset(new (std::nothrow) uint8_t[capacity == 0 ? 1 : capacity]);
  if (!storage_) return false;
  capacity_ = capacity;
  opened_.store(true);
  return true;
}

int NZMemoryBufferIO::Write(const uint8_t *data, uint32_t count, uint32_t /*timeout_ms*/) {
  if (!opened_.load()) return -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (uint64_t{length_} + count > capacity_) return -1;
    if (count > 0) std::memcpy(storage_.get() + length_, data, count);
    length_ += count;
  }
  if (count > 0 && listener() != nullptr) listener()->OnTransportWritten(data, count);
  return static_cast<int>(count);
}

void NZMemoryBufferIO::Close() {
  if (!opened_.exchange(false)) return;
  if (listener() != nullptr) listener()->OnTransportClosed();
}

uint32_t NZMemoryBufferIO::Length() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return length_;
}

void NZMemoryBufferIO::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  length_ = 0;
}

}  // namespace velmora::core
