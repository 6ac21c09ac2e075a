#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ble/BasicLayoutReceiver.h"
#include "support/VirtualLink.h"

namespace velmora::test {

// A printer of the basic layout on a VirtualLink, deciding as the simulated radio's
// BasicPrinterService does. What it took in, in order, is `held`.
struct BasicLinkPrinter final : VirtualLink::Device {
  VirtualLink *link = nullptr;
  // Decides for each write with response whether the printer refuses it (it then takes nothing).
  std::function<bool(uint64_t)> refuse;
  bool answer_requests = true;
  std::vector<uint8_t> held;
  ble_sim::BasicLayoutReceiver receiver;
  uint64_t out_of_sequence = 0;

  bool OnWrite(const uint8_t *data, size_t count, bool with_response) override;
  void OnConnected() override { receiver.Reset(); }

 private:
  uint64_t requests_ = 0;
};

}  // namespace velmora::test
