#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace velmora::ble {

// The byte ring into which Bluetooth LE connections queue received bytes for a blocking reader.
// Unlike a plain ring it never overwrites unread bytes: a byte put while the pool is full is
// dropped and counted, and the first drop of each full episode is logged. Safe for one writer and
// one reader on different threads, and for clear() from a third.
class BufferPool {
 public:
  static constexpr int kDefaultSize = 4096;

  BufferPool() : BufferPool(kDefaultSize) {}
  explicit BufferPool(int size);
  BufferPool(const BufferPool &) = delete;
  BufferPool &operator=(const BufferPool &) = delete;

  // False when the byte was dropped because the pool is full.
  bool putByte(uint8_t byte);
  // Puts bytes in order until the pool is full; returns how many it took.
  size_t put(const uint8_t *data, size_t count);
  // The oldest unread byte; 0 (and nothing taken) when the pool is empty.
  uint8_t getByte();
  bool isEmpty() const;
  void clear();

  int size() const { return static_cast<int>(buffer_.size()); }
  size_t available() const;
  uint64_t droppedCount() const;

 private:
  bool PutLocked(uint8_t byte);

  mutable std::mutex mutex_;
  std::vector<uint8_t> buffer_;
  size_t read_ = 0;
  size_t count_ = 0;
  uint64_t dropped_ = 0;
  bool full_episode_ = false;
};

}  // namespace velmora::ble
