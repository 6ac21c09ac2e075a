#pragma once

#include <cstdint>
#include <vector>

#include "support/VirtualLink.h"

namespace velmora::test {

// Printers of protocols V3 and V2 on a VirtualLink, as the virtual printers of the simulated radio
// behave (docs/protocol.md): what they took in, in order, is `held`.
struct V3LinkPrinter final : VirtualLink::Device {
  static constexpr int kData = 0;
  static constexpr int kFlowControl = 1;
  VirtualLink *link = nullptr;
  int size = 180;
  int credits_ahead = 16;
  std::vector<uint8_t> held;
  uint64_t protocol_errors = 0;  // chunks that came without a credit (dropped)
  int outstanding = 0;           // credits granted and not used

  bool OnWrite(const uint8_t *data, size_t count, bool with_response) override;
  void OnConnected() override;
};

struct V2LinkPrinter final : VirtualLink::Device {
  static constexpr int kResendIdleMs = 50;
  VirtualLink *link = nullptr;
  int buffer_size = 8192;
  std::vector<uint8_t> held;
  uint64_t protocol_errors = 0;  // packets beyond the free space advertised (dropped)

  bool OnWrite(const uint8_t *data, size_t count, bool with_response) override;
  void OnConnected() override;

 private:
  void Packet(const uint8_t *frame, size_t length);
  int AskFor(int from, int to);
  void ArmWatchdog();
  void Send(std::vector<uint8_t> frame) { link->Notify(0, std::move(frame)); }
  void Space(bool add, int bytes);

  bool active_ = false;
  int count_ = 0, payload_ = 0, next_ = 0, highest_ = -1;
  int space_ = 0, advertised_ = 0;
  uint64_t activity_ = 0;
  bool watchdog_ = false;
  std::vector<bool> got_;
  std::vector<std::vector<uint8_t>> waiting_;
};

}  // namespace velmora::test
