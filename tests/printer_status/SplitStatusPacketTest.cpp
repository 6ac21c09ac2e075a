// A status packet whose second half a link delays (a TCP stack holding a segment for a delayed
// acknowledgement) still counts, also when a query discards while it is on its way.
#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;
using SplitStatusPacket = StatusPrinterTest;

// A status packet with these words.
Bytes Packet(uint16_t error, uint16_t info) {
  return vprinter::AutoReplyBehaviour::Packet(
      0x01, {static_cast<uint8_t>(error), static_cast<uint8_t>(error >> 8),
             static_cast<uint8_t>(info), static_cast<uint8_t>(info >> 8), 0});
}

// The query's discard comes before the packet's second half, and before or after the read of its
// first half (HeldStatusBytes pins the order): the packet still counts, and the query gets the
// printer's four answers, not the packet's tail.
TEST_F(SplitStatusPacket, AQueryBetweenTheHalvesGetsTheFourAnswers) {
  void *h = Open(0);
  printer->rt_status->SetAnswering(false);
  const Bytes packet = Packet(0x0001, 0x00C0);
  printer->tcp.Send(Bytes(packet.begin(), packet.begin() + 3));
  auto status =
      std::async(std::launch::async, [h] { return VP_Pos_QueryRTStatus(h, LongTimeoutMs()); });
  ASSERT_TRUE(WaitUntil([&] { return printer->rt_status->RequestCount(1) >= 1; }));
  printer->tcp.Send(Bytes(packet.begin() + 3, packet.end()));
  printer->rt_status->SetAnswering(true);  // it answers the next request
  EXPECT_EQ(status.get(), 0x12121216);
  int64_t error = -1;
  ASSERT_EQ(VP_Printer_GetPrinterStatusInfo(h, &error, nullptr, nullptr), 1);
  EXPECT_EQ(error, 0x0001);
}

}  // namespace
}  // namespace velmora::test
