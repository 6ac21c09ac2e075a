#pragma once

#include <atomic>
#include <string>

#include "velmora/ble_simulation.hpp"

namespace velmora::test {

// A V2 printer that sends, with its answer to the first setup, a received count for a group of
// that size: the late report of a group the host had already given up on. It comes just before
// the answer, or just after it.
class LateCountV2Service : public ble_sim::ProtoV2PrinterService {
 public:
  explicit LateCountV2Service(bool after_answer = false) : after_answer_(after_answer) {}

  bool OnWrite(const std::string &characteristic, const uint8_t *data, size_t count,
               bool with_response) override {
    // The setup: the 7-byte group start, then 00 0A 02 and the packet count.
    const bool late = count == 17 && data[9] == 0x02 && late_.exchange(false);
    const ble_sim::Bytes report{
        0x00, 0x0A, 0x05, late ? data[10] : uint8_t{0}, late ? data[11] : uint8_t{0}, 0, 0,
        0,    0,    0};
    if (late && !after_answer_) SendRawNotification(report);
    const bool taken = ProtoV2PrinterService::OnWrite(characteristic, data, count, with_response);
    if (late && after_answer_) SendRawNotification(report);
    return taken;
  }

 private:
  const bool after_answer_;
  std::atomic<bool> late_{true};
};

}  // namespace velmora::test
