// The three facades through the public headers, against virtual printers.
#include <atomic>

#include "BleTest.h"
#include "support/Wait.h"
#include "velmora/ble_simulation.hpp"
#include "velmora/nzio_ble_channels.hpp"

namespace velmora::test {
namespace {

using ble_sim::PlacePrinter;

static_assert(!std::is_copy_constructible_v<nzio_ios_ble_rwprotov2>);
static_assert(!std::is_copy_assignable_v<nzio_ios_ble_rwprotov3>);
static_assert(!std::is_copy_constructible_v<nzio_ios_ble_basic>);

class FacadeTest : public BleTest {};

TEST_F(FacadeTest, V3OpensByAddressWritesReadsAndCloses) {
  auto service = std::make_shared<ble_sim::ProtoV3PrinterService>();
  auto printer = PlacePrinter("V3 printer", kAddress, service);
  nzio_ios_ble_rwprotov3 channel;
  ASSERT_TRUE(channel.OpenAddress(kAddressText));
  EXPECT_TRUE(channel.IsOpened());
  auto data = Pattern(5000);
  EXPECT_EQ(channel.Write(data.data(), static_cast<int>(data.size()), 1000), 5000);
  EXPECT_EQ(service->Accepted(), data);

  service->SendToHost({'O', 'K', '!'});
  unsigned char answer[8] = {};
  EXPECT_EQ(channel.Read(answer, 3, 2000), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(answer), 3), "OK!");
  channel.Close();
  EXPECT_FALSE(channel.IsOpened());
  EXPECT_TRUE(printer->WaitForConnected(false, 2000));
  EXPECT_EQ(channel.Write(data.data(), 10, 1000), -1);
  EXPECT_EQ(channel.Read(answer, 1, 10), -1);
}

}  // namespace
}  // namespace velmora::test
