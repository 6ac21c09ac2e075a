// The three facades through the public headers only, against virtual printers.
#include <thread>

#include "BleTest.h"
#include "support/Wait.h"
#include "velmora/ble_simulation.hpp"
#include "velmora/nzio_ble_channels.hpp"

namespace velmora::test {
namespace {

namespace sim = ble_sim;

static_assert(!std::is_copy_constructible_v<nzio_ios_ble_rwprotov2>);
static_assert(!std::is_copy_assignable_v<nzio_ios_ble_rwprotov3>);
static_assert(!std::is_copy_constructible_v<nzio_ios_ble_basic>);

class FacadeTest : public BleTest {
 protected:
  // scan, open the reported peripheral, write, read, close; then open by address and write again.
  template <typename Facade>
  void RoundTrip(Facade &channel, const std::shared_ptr<sim::PrinterService> &service) {
    auto printer = sim::PlacePrinter("Printer", kAddress, service);
    Sightings sightings;
    ASSERT_TRUE(channel.scan(&Sightings::OnPeripheral, &Sightings::OnSimple, &sightings));
    ASSERT_TRUE(WaitUntil([&] { return sightings.Peripheral("Printer") != nullptr; }));
    channel.stopScan();
    ASSERT_TRUE(channel.Open(const_cast<void *>(sightings.Peripheral("Printer"))));
    EXPECT_TRUE(channel.IsOpened());

    auto data = Pattern(3000);
    EXPECT_EQ(channel.Write(data.data(), 3000, 0), 3000);
    channel.SkipAvailable();  // the basic printer's index reports
    // A reply in many small notifications, frames split across them, keeps its order.
    printer->SetMaximumNotificationLength(20);
    const auto reply = Pattern(1000, 7);
    service->SendToHost(reply);
    std::vector<unsigned char> answer(reply.size());
    EXPECT_EQ(channel.Read(answer.data(), 1000, 10000), 1000);
    EXPECT_EQ(answer, reply);
    channel.Close();
    EXPECT_FALSE(channel.IsOpened());
    EXPECT_EQ(channel.Write(data.data(), 10, 100), -1);
    EXPECT_EQ(channel.Read(answer.data(), 1, 10), -1);

    ASSERT_TRUE(channel.OpenAddress(kAddressText));
    auto more = Pattern(500, 2);
    EXPECT_EQ(channel.Write(more.data(), 500, 0), 500);
    data.insert(data.end(), more.begin(), more.end());
    EXPECT_EQ(service->Accepted(), sim::Bytes(data.begin(), data.end()));
    // The host kept to the platform's queue and to the printer's flow control.
    EXPECT_EQ(printer->Stats().writes_dropped_queue_full, 0u);
    EXPECT_EQ(service->ProtocolErrors(), 0u);
    channel.Close();
  }
};

TEST_F(FacadeTest, ProtoV2RoundTrip) {
  auto service = std::make_shared<sim::ProtoV2PrinterService>();
  nzio_ios_ble_rwprotov2 channel;
  RoundTrip(channel, service);
  EXPECT_EQ(channel.GetPacketSendTimesListLength(), 3);  // 500 bytes in 178-byte payloads
}

TEST_F(FacadeTest, ProtoV3RoundTrip) {
  auto service = std::make_shared<sim::ProtoV3PrinterService>();
  nzio_ios_ble_rwprotov3 channel;
  RoundTrip(channel, service);
}

TEST_F(FacadeTest, BasicRoundTrip) {
  auto service = std::make_shared<sim::BasicPrinterService>();
  nzio_ios_ble_basic channel;
  channel.SetWriteMode(2, 100, 3600000, 3);
  RoundTrip(channel, service);
}

TEST_F(FacadeTest, TwoChannelsPrintAtTheSameTime) {
  auto v2 = std::make_shared<sim::ProtoV2PrinterService>();
  auto v3 = std::make_shared<sim::ProtoV3PrinterService>();
  sim::PlacePrinter("Printer V2", {1, 1, 1, 1, 1, 1}, v2);
  sim::PlacePrinter("Printer V3", {3, 3, 3, 3, 3, 3}, v3);
  nzio_ios_ble_rwprotov2 first;
  nzio_ios_ble_rwprotov3 second;
  ASSERT_TRUE(first.OpenAddress("01:01:01:01:01:01"));
  ASSERT_TRUE(second.OpenAddress("03:03:03:03:03:03"));
  auto a = Pattern(40000, 1);
  auto b = Pattern(40000, 2);
  int ra = 0;
  std::thread other([&] { ra = first.Write(a.data(), 40000, 0); });
  const int rb = second.Write(b.data(), 40000, 0);
  other.join();
  EXPECT_EQ(ra, 40000);
  EXPECT_EQ(rb, 40000);
  EXPECT_EQ(v2->Accepted(), sim::Bytes(a.begin(), a.end()));
  EXPECT_EQ(v3->Accepted(), sim::Bytes(b.begin(), b.end()));
}

TEST_F(FacadeTest, ReceivedBytesBeyondThePoolAreDroppedNotOverwritten) {
  auto service = std::make_shared<sim::ProtoV3PrinterService>();
  sim::PlacePrinter("Printer", kAddress, service);
  nzio_ios_ble_rwprotov3 channel;
  ASSERT_TRUE(channel.OpenAddress(kAddressText));
  const auto flood = Pattern(70000);
  service->SendToHost(flood);
  ASSERT_TRUE(log_->WaitFor("BufferPool full (65536 bytes): dropping received bytes", 5000));
  unsigned char first[4];
  ASSERT_EQ(channel.Read(first, 4, 1000), 4);
  // The oldest bytes are kept.
  EXPECT_EQ(sim::Bytes(first, first + 4), sim::Bytes(flood.begin(), flood.begin() + 4));
}

}  // namespace
}  // namespace velmora::test
