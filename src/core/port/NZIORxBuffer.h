#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace velmora::core {

// The port's receive ring buffer. Bytes that do not fit are dropped: the oldest unread bytes
// are kept, so a reader sees a prefix of what arrived, never a spliced stream.
class NZIORxBuffer {
 public:
  static constexpr size_t kCapacity = 16384;

  // Appends as many bytes as fit; returns how many were kept. Bytes read from the transport
  // before a discard are dropped too: `discards_before` is the discard count when they were
  // read, and nothing is kept when a discard came since; the first `stale` bytes are known to
  // be from before the last discard.
  size_t Put(const uint8_t *data, size_t count, uint64_t discards_before, size_t stale = 0);

  // Takes one byte; false when empty.
  bool TakeByte(uint8_t &byte);

  size_t Available() const;
  // Drops every unread byte and counts the discard.
  void Discard();
  uint64_t discards() const;

  // Waits until a byte is available, `Wake()` is called, or the wait step passed.
  void WaitForData(int max_wait_ms);
  // Wakes every waiter (the port closed).
  void Wake();

 private:
  mutable std::mutex mutex_;
  std::condition_variable data_ready_;
  std::array<uint8_t, kCapacity> ring_{};
  size_t head_ = 0;  // next byte to read
  size_t size_ = 0;  // unread bytes
  uint64_t discards_ = 0;
};

}  // namespace velmora::core
