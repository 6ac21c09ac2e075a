// The module's port functions over a loopback TCP port, and opens that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "platform/DetachedThreads.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.hpp"

namespace {

using velmora::Int;
using velmora::test::ScaledMs;
using velmora::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;

class PortWrappers : public velmora::test::PortTest {
 protected:
  void TearDown() override {
    velmora::VP_Port_RemoveOnPortOpenFailededEvent(1);  // its closure refers to the test's locals
    PortTest::TearDown();
  }
};

TEST_F(PortWrappers, TcpWriteReachesThePrinterAndRepliesAreRead) {
  velmora::vprinter::VirtualTcpPrinter printer;
  ASSERT_TRUE(printer.Start());
  const Int handle = velmora::VP_Port_OpenTcp("", "127.0.0.1", printer.port(), 3000, 0);
  ASSERT_NE(handle, 0);
  EXPECT_TRUE(velmora::VP_Port_IsOpened(handle));
  EXPECT_TRUE(velmora::VP_Port_IsConnectionValid(handle));
  // The lists of other kinds of port are empty.
  EXPECT_TRUE(velmora::VP_Port_GetMemoryBufferData(handle).empty());
  EXPECT_TRUE(velmora::VP_Port_GetBtBleProtoV2PacketSendTimesList(handle).empty());

  const Bytes six{1, 2, 3, 4, 5, 6};
  EXPECT_EQ(velmora::VP_Port_Write(handle, six, 2, 3, 1000), 3);
  ASSERT_TRUE(printer.printer().WaitForReceivedSize(3, ScaledMs(5000)));
  EXPECT_EQ(printer.printer().Received(), (Bytes{3, 4, 5}));

  // A read of 0 bytes returns at once and leaves the array alone.
  Bytes buffer{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(velmora::VP_Port_Read(handle, buffer, 0, 60000), 0);
  EXPECT_EQ(buffer, Bytes(6, 0xEE));

  printer.Send({'a', 'b', '\n', 'c'});
  ASSERT_TRUE(WaitUntil([&] { return velmora::VP_Port_Available(handle) == 4; }));
  EXPECT_EQ(velmora::VP_Port_ReadUntilByte(handle, buffer, 6, 1000, '\n'), 3);
  EXPECT_EQ(buffer, (Bytes{'a', 'b', '\n', 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(velmora::VP_Port_Read(handle, buffer, 6, 50), 1);  // only 'c' left: times out
  EXPECT_EQ(buffer, (Bytes{'c', 'b', '\n', 0xEE, 0xEE, 0xEE}));

  printer.Send({1, 2});
  ASSERT_TRUE(WaitUntil([&] { return velmora::VP_Port_Available(handle) == 2; }));
  EXPECT_TRUE(velmora::VP_Port_SkipAvailable(handle));
  EXPECT_EQ(velmora::VP_Port_Available(handle), 0);

  EXPECT_TRUE(velmora::VP_Port_Close(handle));
  EXPECT_FALSE(velmora::VP_Port_Close(handle));
  EXPECT_FALSE(velmora::VP_Port_IsOpened(handle));
}

TEST_F(PortWrappers, FailedOpensGiveZeroAndOnlyReachedOpensReportFailure) {
  std::mutex mutex;
  std::vector<std::pair<Int, std::string>> failed;
  ASSERT_TRUE(velmora::VP_Port_AddOnPortOpenFailedEvent(
      [&](Int handle, const std::string &name) {
        std::lock_guard<std::mutex> lock(mutex);
        failed.emplace_back(handle, name);
      },
      1));

  const std::string address = "00:11:22:AA:BB:CC";
  // No such printer in range: each Bluetooth LE open searches for it for seconds, so the four
  // search at the same time.
  using Open = Int (*)(const std::string &, Int);
  const Open opens[] = {velmora::VP_Port_OpenBtBle, velmora::VP_Port_OpenBtBleProtoV2,
                        velmora::VP_Port_OpenBtBleProtoV3, velmora::VP_Port_OpenBtBleProtoVA};
  std::vector<Int> ble_results(4, -1);
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&, i] { ble_results[i] = opens[i](address, 0); });
  for (auto &thread : threads) thread.join();
  EXPECT_EQ(ble_results, std::vector<Int>(4, 0));
  EXPECT_EQ(
      velmora::VP_Port_OpenTcp("", "127.0.0.1", velmora::vprinter::ClosedLoopbackPort(), 1000, 0),
      0);
  // Arguments that do not fit stop the open before it starts: no event for them.
  EXPECT_EQ(velmora::VP_Port_OpenTcp("", "127.0.0.2", 65536, 1000, 0), 0);
  EXPECT_EQ(velmora::VP_Port_OpenTcp("", "127.0.0.3", 9100, -1, 0), 0);
  EXPECT_EQ(velmora::VP_Port_OpenBtBle(address, Int{1} << 31), 0);

  ASSERT_TRUE(velmora::platform::waitForDetachedThreads(ScaledMs(10000)));
  std::lock_guard<std::mutex> lock(mutex);
  // Each report comes on a thread of its own, so their order is open.
  std::sort(failed.begin(), failed.end());
  const std::vector<std::pair<Int, std::string>> expected{
      {0, address}, {0, address}, {0, address}, {0, address}, {0, "127.0.0.1"}};
  EXPECT_EQ(failed, expected);
}

}  // namespace
