#pragma once

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "VirtualBlePrinter.h"
#include "support/EventRecorder.h"
#include "support/Pattern.h"
#include "velmora/ble_simulation.hpp"

namespace velmora::test {

using vprinter::VirtualBlePrinter;

// Fixture for Bluetooth LE port tests: records the port events, closes what the test opened and
// waits for the library's background threads at the end.
class BlePortTest : public ::testing::Test {
 protected:
  BlePortTest();

  void SetUp() override;
  void TearDown() override;

  // Places a printer with these services, named "Printer".
  VirtualBlePrinter &Place(std::vector<std::shared_ptr<ble_sim::PrinterService>> services,
                           std::optional<std::array<uint8_t, 6>> address = std::nullopt);
  // Remembers a handle for closing at the end.
  void *Keep(void *handle);
  // Closes a kept handle now.
  int Close(void *handle);

  // Each test's own printer address (tests run one after another in one process find no stale
  // printer of an earlier test under it), and its text.
  std::array<uint8_t, 6> address_{};
  std::string address_text_;
  const char *address() const { return address_text_.c_str(); }

  EventRecorder events_;
  std::vector<std::unique_ptr<VirtualBlePrinter>> printers_;
  std::vector<void *> handles_;
};

}  // namespace velmora::test
