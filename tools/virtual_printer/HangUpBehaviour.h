#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "VirtualPrinter.h"
#include "VirtualTcpPrinter.h"

namespace velmora::vprinter {

// A printer that goes away mid-job: once armed, it closes every connection of its TCP printer
// when a given number of bytes more has arrived, and notes when.
class HangUpBehaviour final : public PrinterBehaviour {
 public:
  explicit HangUpBehaviour(VirtualTcpPrinter &tcp) : tcp_(tcp) {}

  // Hangs up at the chunk that brings the count of bytes received from now on to `bytes`.
  void Arm(size_t bytes);
  // When it hung up, in std::chrono::steady_clock milliseconds; -1 while it has not.
  int64_t HungUpAtMs() const { return hung_up_at_ms_.load(); }

  void OnReceived(VirtualPrinter &printer, const uint8_t *data, size_t count,
                  const Reply &reply) override;

 private:
  VirtualTcpPrinter &tcp_;
  std::mutex mutex_;
  bool armed_ = false;
  size_t left_ = 0;
  std::atomic<int64_t> hung_up_at_ms_{-1};
};

}  // namespace velmora::vprinter
