#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "support/VirtualLink.h"

namespace velmora::test {

// A printer of the basic layout on a VirtualLink, as the simulated radio's BasicPrinterService
// behaves (docs/protocol.md): plain data, and the indexed protocol's start, index requests and
// in-sequence data packets. What it took in, in order, is `held`.
struct BasicLinkPrinter final : VirtualLink::Device {
  VirtualLink *link = nullptr;
  // Decides for each write with response whether the printer refuses it (it then takes nothing).
  std::function<bool(uint64_t)> refuse;
  bool answer_requests = true;
  std::vector<uint8_t> held;
  bool session = false;  // an indexed write runs: writes without response are data packets
  uint64_t expected = 0;
  uint64_t out_of_sequence = 0;

  bool OnWrite(const uint8_t *data, size_t count, bool with_response) override;
  void OnConnected() override { session = false; }

 private:
  uint64_t requests_ = 0;
};

}  // namespace velmora::test
