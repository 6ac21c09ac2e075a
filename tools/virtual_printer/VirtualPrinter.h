#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
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
  // Called every few milliseconds, for what the printer sends on its own; `send` reaches the
  // host over whatever link is attached.
  virtual void OnTick(VirtualPrinter &printer, const Reply &send) {
    (void)printer;
    (void)send;
  }
};

// The printer's brain, independent of the link that carries its bytes (loopback TCP, a
// simulated Bluetooth LE peripheral). It records every byte it receives, in arrival order,
// and lets its behaviours answer. Thread-safe.
class VirtualPrinter {
 public:
  VirtualPrinter() = default;
  ~VirtualPrinter();
  VirtualPrinter(const VirtualPrinter &) = delete;
  VirtualPrinter &operator=(const VirtualPrinter &) = delete;

  // Adding the first behaviour starts the printer's clock, which ticks every behaviour.
  void AddBehaviour(std::shared_ptr<PrinterBehaviour> behaviour);

  // The link sets where unsolicited bytes go (null: nowhere, nothing attached). Clearing it
  // waits for a send in progress, so the link may go away afterwards.
  void SetHostOutput(Reply output);
  // Sends bytes to the host on the printer's own initiative; dropped when no link is attached.
  void SendToHost(const Bytes &bytes);

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
  void TickLoop();

  std::mutex behaviour_mutex_;
  std::vector<std::shared_ptr<PrinterBehaviour>> behaviours_;
  std::mutex output_mutex_;
  Reply output_;
  std::mutex tick_mutex_;
  std::condition_variable tick_stop_;
  bool ticking_ = false;
  bool stop_ticking_ = false;
  std::thread ticker_;
};

}  // namespace velmora::vprinter
