// Status packets that a link cuts into pieces and delays (a TCP stack holding a segment for a
// delayed acknowledgement, a serial bridge sending byte by byte) still count as packets.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
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

void Pause(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t ErrorWord(void *h) {
  int64_t error = -1;
  VP_Printer_GetPrinterStatusInfo(h, &error, nullptr, nullptr);
  return error;
}

TEST_F(SplitStatusPacket, PiecesAndPausesUnderTheBoundStillMakeAPacket) {
  void *h = Open(0);
  const Bytes first = Packet(0x0004, 0x00C0);
  for (size_t at = 0; at < first.size(); at += 2) {
    printer->tcp.Send({first[at], first[at + 1]});
    Pause(20);  // each piece a read of its own
  }
  ASSERT_TRUE(WaitUntil([&] { return ErrorWord(h) == 0x0004; }));
  // The second half a delayed acknowledgement later.
  const Bytes second = Packet(0x0080, 0x00C0);
  printer->tcp.Send(Bytes(second.begin(), second.begin() + 3));
  Pause(250);
  printer->tcp.Send(Bytes(second.begin() + 3, second.end()));
  ASSERT_TRUE(WaitUntil([&] { return ErrorWord(h) == 0x0080; }));
  EXPECT_EQ(VP_Port_Available(h), 0) << "no packet byte reached the reader";
}

// The query's discard comes between the two halves of a packet: the packet still counts, and
// the query gets the printer's four answers, not the packet's tail.
TEST_F(SplitStatusPacket, AQueryBetweenTheHalvesGetsTheFourAnswers) {
  void *h = Open(0);
  printer->rt_status->SetAnswering(false);
  const Bytes packet = Packet(0x0001, 0x00C0);
  printer->tcp.Send(Bytes(packet.begin(), packet.begin() + 3));
  Pause(200);
  auto status = std::async(std::launch::async, [h] { return VP_Pos_QueryRTStatus(h, 5000); });
  ASSERT_TRUE(WaitUntil([&] { return printer->rt_status->RequestCount(1) >= 1; }));
  printer->tcp.Send(Bytes(packet.begin() + 3, packet.end()));
  printer->rt_status->SetAnswering(true);  // it answers the next request
  EXPECT_EQ(status.get(), 0x12121216);
  EXPECT_EQ(ErrorWord(h), 0x0001);
}

}  // namespace
}  // namespace velmora::test
