#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/port/NZIOBase.h"

namespace velmora::core {

// A port whose output is collected in memory. Writes are all or nothing against the capacity;
// the storage is reserved once at open, so the data pointer stays valid until the port dies.
class NZMemoryBufferIO : public NZIOBase {
 public:
  // False when the storage cannot be reserved.
  bool Open(uint32_t capacity);

  bool IsOpened() const override { return opened_.load(); }
  int Write(const uint8_t *data, uint32_t count, uint32_t timeout_ms) override;
  void Close() override;

  const uint8_t *Data() const { return storage_.get(); }
  uint32_t Length() const;
  void Clear();

 private:
  std::unique_ptr<uint8_t[]> storage_;
  uint32_t capacity_ = 0;
  mutable std::mutex mutex_;
  uint32_t length_ = 0;
  std::atomic<bool> opened_{false};
};

}  // namespace velmora::core
