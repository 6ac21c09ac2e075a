#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "StatusBehaviours.h"
#include "VirtualPrinter.h"
#include "velmora/ble_simulation.hpp"

namespace velmora::vprinter {

// A Bluetooth LE printer in range of the simulated radio: a peripheral with one or more printer
// services and the virtual printer's brain (real-time status and automatic status packets)
// behind them. The brain answers over the service the host last wrote to, on the radio thread,
// so its bytes keep their order on the link.
class VirtualBlePrinter {
 public:
  VirtualBlePrinter(const std::optional<std::string> &name, const std::array<uint8_t, 6> &address,
                    std::vector<std::shared_ptr<ble_sim::PrinterService>> services);
  ~VirtualBlePrinter();
  VirtualBlePrinter(const VirtualBlePrinter &) = delete;
  VirtualBlePrinter &operator=(const VirtualBlePrinter &) = delete;

  ble_sim::VirtualPeripheral &peripheral() { return *peripheral_; }
  VirtualPrinter &brain() { return *brain_; }
  AutoReplyBehaviour &autoreply() { return *autoreply_; }
  // Sends bytes to the host as the printer's data.
  void SendToHost(const Bytes &bytes);

 private:
  struct Link;
  std::shared_ptr<ble_sim::VirtualPeripheral> peripheral_;
  std::shared_ptr<VirtualPrinter> brain_;
  std::shared_ptr<AutoReplyBehaviour> autoreply_;
  std::shared_ptr<Link> link_;
};

}  // namespace velmora::vprinter
