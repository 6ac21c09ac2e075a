#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace velmora::vprinter {

using Bytes = std::vector<uint8_t>;
// Sends bytes back to the host over the link the request came in on.
using Reply = std::function<void(const Bytes &)>;

class VirtualPrinter;

// One capability of the printer's side of a protocol: it sees every received chunk in order
// and may answer. Behaviours run one at a time, under the printer's behaviour lock.
class PrinterBehaviour {
 public:
  virtual ~PrinterBehaviour() = default;
  virtual void OnReceived(VirtualPrinter &printer, const uint8_t *data, size_t count,
                          const Reply &reply) = 0;
};

// The printer's brain, independent of the link that carries its bytes (loopback TCP, a
// simulated Bluetooth LE peripheral). It records every byte it receives, in arrival order,
// and lets its behaviours answer. Thread-safe.
class VirtualPrinter {
 public:
  VirtualPrinter() = default;
  VirtualPrinter(const VirtualPrinter &) = delete;
  VirtualPrinter &operator=(const VirtualPrinter &) = delete;

  void AddBehaviour(std::shared_ptr<PrinterBehaviour> behaviour);

  // A chunk arrived from the host.
  void Receive(const uint8_t *data, size_t count, const Reply &reply);

  Bytes Received() const;
  size_t ReceivedSize() const;
  void ClearReceived();
  // Waits until at least `count` bytes were received in all; false on timeout.
  bool WaitForReceivedSize(size_t count, int timeout_ms) const;
  // Waits until `predicate(received bytes)` holds; false on timeout.
  bool WaitUntil(const std::function<bool(const Bytes &)> &predicate, int timeout_ms) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  Bytes received_;
  std::mutex behaviour_mutex_;
  std::vector<std::shared_ptr<PrinterBehaviour>> behaviours_;
};

}  // namespace velmora::vprinter
