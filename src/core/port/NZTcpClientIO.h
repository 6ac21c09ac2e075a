#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "core/port/NZIOBase.h"

namespace velmora::core {

// TCP client transport. The socket stays non-blocking; every wait is a poll() against a
// deadline, so no call outlives its timeout and Close() from another thread wakes them all.
class NZTcpClientIO : public NZThreadIO {
 public:
  NZTcpClientIO() = default;
  ~NZTcpClientIO() override;
  NZTcpClientIO(const NZTcpClientIO &) = delete;
  NZTcpClientIO &operator=(const NZTcpClientIO &) = delete;

  // Connects to dest_ip:dest_port within timeout_ms, bound to local_ip when it is not empty.
  bool Open(const char *local_ip, const char *dest_ip, uint16_t dest_port, uint32_t timeout_ms);

  bool IsOpened() const override { return opened_.load(); }
  // The timeout counts in whole seconds, rounded up.
  int Write(const uint8_t *data, uint32_t count, uint32_t timeout_ms) override;
  int ReadPacket(uint8_t *buffer, size_t count, uint32_t timeout_ms) override;
  size_t PacketSize() const override { return 1024; }
  void Close() override;

 private:
  int fd_ = -1;  // owned until destruction, so no call ever races with descriptor reuse
  std::atomic<bool> opened_{false};
  std::recursive_mutex close_mutex_;
};

}  // namespace velmora::core
