// The virtual receipt printers velmora-print starts for itself.
#pragma once

#include <memory>
#include <string>

#include "VirtualBlePrinter.h"
#include "VirtualTcpPrinter.h"
#include "velmora/velmora.hpp"

namespace velmora_print {

// A virtual receipt printer on loopback TCP or in range of the simulated Bluetooth LE radio: it
// reports its resolution and status once asked, confirms printed jobs, and keeps every byte it
// receives for the paper picture.
class VirtualReceiptPrinter {
 public:
  // Null when the loopback port cannot be bound.
  static std::unique_ptr<VirtualReceiptPrinter> StartTcp();
  static std::unique_ptr<VirtualReceiptPrinter> StartBle();

  // The device the connector opens to reach it.
  std::shared_ptr<velmora::VLPrinterDevice> device() const { return device_; }
  // Where it is, for the user.
  std::string where() const;
  velmora::vprinter::VirtualPrinter &printer();
  // The width of its paper, in dots.
  int paper_dots() const;

 private:
  VirtualReceiptPrinter() = default;

  std::unique_ptr<velmora::vprinter::VirtualTcpPrinter> tcp_;
  std::unique_ptr<velmora::vprinter::VirtualBlePrinter> ble_;
  std::shared_ptr<velmora::VLPrinterDevice> device_;
};

}  // namespace velmora_print
