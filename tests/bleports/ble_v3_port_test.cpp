// Protocol V3 ports whose printer's credits or chunks go astray, and on a slow link.
#include "BlePortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

namespace sim = ble_sim;

// A chunk lost on the way never gets its credit: the write that sent it fails and ends the link
// (the port closes), instead of every later write waiting out its time while the printer takes
// its bytes. A new port starts from the printer's fresh credits.
TEST_F(BlePortTest, AV3WriteLeftWithoutACreditClosesThePortAndANewPortWorks) {
  auto v3 = std::make_shared<sim::ProtoV3PrinterService>();
  auto &printer = Place({v3});
  void *handle = Keep(VP_Port_OpenBtBleProtoV3(address(), 0));
  ASSERT_NE(handle, nullptr);
  printer.peripheral().SetLossFilter(
      [](uint64_t sequence, const uint8_t *, size_t) { return sequence == 2; });
  const auto first = Pattern(1000, 1);
  EXPECT_EQ(VP_Port_Write(handle, first.data(), 1000, 2000), 0);
  const auto second = Pattern(1000, 2);
  EXPECT_LT(ElapsedMs([&] { EXPECT_EQ(VP_Port_Write(handle, second.data(), 1000, 2000), -1); }),
            ScaledMs(1000));
  ASSERT_TRUE(events_.WaitForCount("closed", 1));
  EXPECT_EQ(VP_Port_IsOpened(handle), 0);

  ASSERT_TRUE(printer.peripheral().WaitForConnected(false, 5000));
  printer.peripheral().SetLossFilter(nullptr);
  v3->ClearAccepted();
  void *again = Keep(VP_Port_OpenBtBleProtoV3(address(), 0));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(VP_Port_Write(again, second.data(), 1000, 5000), 1000);
  EXPECT_EQ(v3->Accepted(), second);
}

// One packet per 1.1 s: the platform's queue of writes without response has no room for longer
// than a second at a time. The chunk that waited is sent when room comes, never skipped.
TEST_F(BlePortTest, AV3PortOnASlowLinkLeavesNoHole) {
  auto v3 = std::make_shared<sim::ProtoV3PrinterService>();
  Place({v3});
  void *handle = Keep(VP_Port_OpenBtBleProtoV3(address(), 0));
  ASSERT_NE(handle, nullptr);
  sim::SetLinkRate(1, 1100000);
  const auto data = Pattern(2500);  // 14 chunks of at most 180 bytes
  EXPECT_EQ(VP_Port_Write(handle, data.data(), 2500, 60000), 2500);
  EXPECT_EQ(v3->Accepted(), data);
}

}  // namespace
}  // namespace velmora::test
