// Scanning, the discovered list and opening by a reported peripheral.
#include <atomic>
#include <thread>

#include "BleTest.h"
#include "ble/channels/BLEPrinting.h"
#include "ble/channels/BLERWProtoV2.h"
#include "ble/channels/BLERWProtoV3.h"
#include "support/Wait.h"
#include "velmora/nzio_ble_channels.hpp"

namespace velmora::test {
namespace {

using ble::MakeChannel;
namespace sim = ble_sim;

class ScanTest : public BleTest {
 protected:
  std::shared_ptr<sim::VirtualPeripheral> Place(std::optional<std::string> name,
                                                std::optional<sim::Bytes> manufacturer_data,
                                                std::shared_ptr<sim::ServiceHandler> service) {
    auto peripheral = sim::VirtualPeripheral::Create(std::move(name));
    peripheral->SetManufacturerData(std::move(manufacturer_data));
    peripheral->AddService(std::move(service));
    sim::AddPeripheral(peripheral);
    return peripheral;
  }
  Sightings sightings_;
};

TEST_F(ScanTest, ReportsEveryAdvertisementButListsOnlyPrintersWithAnAddress) {
  auto printer = Place("Printer A", sim::PrinterManufacturerData(kAddress),
                       std::make_shared<sim::ProtoV2PrinterService>());
  printer->SetRssi(-42);
  Place("Short data", sim::Bytes{0x51, 0x5A, 1, 2, 3, 4, 5},
        std::make_shared<sim::ProtoV2PrinterService>());
  Place("Wrong magic", sim::Bytes{0x5A, 0x51, 1, 2, 3, 4, 5, 6},
        std::make_shared<sim::ProtoV2PrinterService>());
  Place(std::nullopt, sim::PrinterManufacturerData({1, 2, 3, 4, 5, 6}),
        std::make_shared<sim::ProtoV2PrinterService>());

  auto channel = MakeChannel<ble::BLERWProtoV2>();
  ASSERT_TRUE(channel->scanPeripheral(&Sightings::OnPeripheral, &Sightings::OnSimple, &sightings_));
  ASSERT_TRUE(WaitUntil([&] { return sightings_.All().size() >= 6; }));
  channel->stopScan();

  EXPECT_EQ(sightings_.Count("Printer A", true), 1u);
  EXPECT_EQ(sightings_.Count("Short data", true), 0u);
  EXPECT_EQ(sightings_.Count("Wrong magic", true), 0u);
  for (const auto &s : sightings_.All()) {
    if (s.simple) continue;
    if (s.name == "Printer A") {
      EXPECT_EQ(s.address, kAddressText);
      EXPECT_EQ(s.rssi, -42);
    } else if (s.name) {
      EXPECT_EQ(s.address, std::nullopt) << *s.name;
    } else {
      EXPECT_EQ(s.address, "01:02:03:04:05:06");  // a printer without a name
    }
  }
  const auto listed = channel->discoveredPrinters();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0]->address() == kAddressText || listed[1]->address() == kAddressText, true);
  EXPECT_EQ(log_->Count("Printer A"), 1u);
  EXPECT_TRUE(log_->Contains("Start Scan"));
  EXPECT_TRUE(log_->Contains("Stop Scan"));
}

TEST_F(ScanTest, AListedPeripheralKeepsItsFirstAddressAndIsLoggedOnce) {
  auto printer = Place("Printer A", sim::PrinterManufacturerData(kAddress),
                       std::make_shared<sim::ProtoV3PrinterService>());
  auto gadget =
      Place("Gadget", sim::Bytes{1, 2, 3}, std::make_shared<sim::ProtoV3PrinterService>());
  auto channel = MakeChannel<ble::BLERWProtoV3>();
  ASSERT_TRUE(channel->scanPeripheral(&Sightings::OnPeripheral, &Sightings::OnSimple, &sightings_));
  ASSERT_TRUE(WaitUntil([&] {
    return sightings_.Count("Printer A", false) == 1 && sightings_.Count("Gadget", false) == 1;
  }));
  // Both advertise again with new data.
  printer->SetPrinterAddress({0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01});
  gadget->SetManufacturerData(sim::Bytes{4, 5, 6});
  ASSERT_TRUE(WaitUntil([&] {
    return sightings_.Count("Printer A", false) == 2 && sightings_.Count("Gadget", false) == 2;
  }));
  EXPECT_EQ(sightings_.Count("Printer A", true), 2u);

  ASSERT_EQ(channel->discoveredPrinters().size(), 1u);
  EXPECT_EQ(channel->discoveredPrinters()[0]->address(), kAddressText);
  EXPECT_NE(channel->FindPeripheralBy(kAddressText), nullptr);
  EXPECT_EQ(channel->FindPeripheralBy("DE:AD:BE:EF:00:01"), nullptr);
  // Exact, case-sensitive lookup.
  EXPECT_EQ(channel->FindPeripheralBy("00:11:22:33:aa:bb"), nullptr);
  // V3 logs name and address on a first sighting; the unlisted gadget is logged every time.
  EXPECT_EQ(log_->Count(std::string("Printer A ") + kAddressText), 1u);
  EXPECT_EQ(log_->Count("Gadget (null)"), 2u);

  // A new scan starts with an empty list.
  ASSERT_TRUE(channel->scanPeripheral(nullptr, nullptr, nullptr));
  ASSERT_TRUE(WaitUntil([&] { return channel->FindPeripheralBy("DE:AD:BE:EF:00:01") != nullptr; }));
  EXPECT_EQ(channel->FindPeripheralBy(kAddressText), nullptr);
}

TEST_F(ScanTest, ChannelsAreIndependentAndRefuseEachOthersPeripherals) {
  auto service = std::make_shared<sim::ProtoV3PrinterService>();
  Place("Printer A", sim::PrinterManufacturerData(kAddress), service);
  nzio_ios_ble_rwprotov3 first;
  nzio_ios_ble_rwprotov3 second;
  ASSERT_TRUE(first.scan(&Sightings::OnPeripheral, &Sightings::OnSimple, &sightings_));
  ASSERT_TRUE(WaitUntil([&] { return sightings_.Peripheral("Printer A") != nullptr; }));
  first.stopScan();
  // The peripheral object belongs to the first channel's central.
  EXPECT_FALSE(second.Open(const_cast<void *>(sightings_.Peripheral("Printer A"))));
  EXPECT_TRUE(log_->Contains("peripheral null"));
  EXPECT_FALSE(second.Open(nullptr));
  EXPECT_FALSE(second.OpenAddress(nullptr));
  EXPECT_FALSE(second.IsOpened());

  ASSERT_TRUE(first.Open(const_cast<void *>(sightings_.Peripheral("Printer A"))));
  EXPECT_TRUE(first.IsOpened());
  EXPECT_FALSE(second.IsOpened());
  EXPECT_EQ(second.Write(reinterpret_cast<unsigned char *>(const_cast<char *>("x")), 1, 100), -1);
  first.Close();
}

TEST_F(ScanTest, BasicChannelHearsOnlyItsServiceAndOpensAReportedPeripheral) {
  auto basic = std::make_shared<sim::BasicPrinterService>();
  Place("Basic printer", sim::PrinterManufacturerData(kAddress), basic);
  Place("V2 printer", sim::PrinterManufacturerData({9, 9, 9, 9, 9, 9}),
        std::make_shared<sim::ProtoV2PrinterService>());
  nzio_ios_ble_basic channel;
  ASSERT_TRUE(channel.scan(&Sightings::OnPeripheral, &Sightings::OnSimple, &sightings_));
  ASSERT_TRUE(WaitUntil([&] { return sightings_.Peripheral("Basic printer") != nullptr; }));
  channel.stopScan();
  EXPECT_EQ(sightings_.Count("V2 printer", false), 0u);
  EXPECT_TRUE(log_->Contains(std::string("Added PeripheralInfo Basic printer ") + kAddressText));

  ASSERT_TRUE(channel.Open(const_cast<void *>(sightings_.Peripheral("Basic printer"))));
  EXPECT_EQ(log_->CountPrefix("Connecting Basic printer 0x"), 1u);
  std::vector<unsigned char> data{'h', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(channel.Write(data.data(), 5, 0), 5);
  EXPECT_EQ(basic->Accepted(), sim::Bytes(data.begin(), data.end()));
  channel.Close();
}

// The private data of a scan, owned by a caller that lets it go once the scan is stopped or the
// facade is gone.
struct ScanOwner {
  std::atomic<int> entered{0};
  std::atomic<int> inside{0};
  std::atomic<bool> gone{false};
  std::atomic<int> late{0};  // callbacks that still ran after that
  static void OnSimple(const char *, const char *, const void *self) {
    auto *owner = const_cast<ScanOwner *>(static_cast<const ScanOwner *>(self));
    ++owner->inside;
    ++owner->entered;
    // Linger, so that a stop that does not wait for the callback returns meanwhile.
    WaitUntil([&] { return owner->gone.load(); }, 200);
    if (owner->gone) ++owner->late;
    --owner->inside;
  }
};

TEST_F(ScanTest, NoDiscoveryCallbackRunsOnceStopScanOrTheDestructorReturned) {
  auto printer = Place("Printer A", sim::PrinterManufacturerData(kAddress),
                       std::make_shared<sim::BasicPrinterService>());
  printer->AddService(std::make_shared<sim::ProtoV2PrinterService>());
  printer->AddService(std::make_shared<sim::ProtoV3PrinterService>());
  auto run = [&](auto facade, bool destroy) {
    auto owner = std::make_unique<ScanOwner>();
    ASSERT_TRUE(facade->scan(nullptr, &ScanOwner::OnSimple, owner.get()));
    ASSERT_TRUE(WaitUntil([&] { return owner->entered.load() > 0; }));
    if (destroy) {
      facade.reset();
    } else {
      facade->stopScan();
    }
    owner->gone = true;
    EXPECT_EQ(owner->inside.load(), 0);
    ASSERT_TRUE(WaitUntil([&] { return owner->inside.load() == 0; }));
    EXPECT_EQ(owner->late.load(), 0);
  };
  for (bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destructor" : "stopScan");
    run(std::make_unique<nzio_ios_ble_rwprotov2>(), destroy);
    run(std::make_unique<nzio_ios_ble_rwprotov3>(), destroy);
    run(std::make_unique<nzio_ios_ble_basic>(), destroy);
  }
}

TEST_F(ScanTest, AScanThatOpenAddressStartsReportsThroughTheCallbacksOfTheLastScan) {
  Place("Printer A", sim::PrinterManufacturerData(kAddress),
        std::make_shared<sim::ProtoV2PrinterService>());
  nzio_ios_ble_rwprotov2 channel;
  ASSERT_TRUE(channel.scan(&Sightings::OnPeripheral, &Sightings::OnSimple, &sightings_));
  ASSERT_TRUE(WaitUntil([&] { return sightings_.Count("Printer A", true) > 0; }));
  channel.stopScan();
  Place("Gadget", std::nullopt, std::make_shared<sim::ProtoV2PrinterService>());
  // Printer B is not in range yet: the open scans for it.
  bool opened = false;
  std::thread open([&] { opened = channel.OpenAddress("01:02:03:04:05:06"); });
  const bool heard = WaitUntil([&] { return sightings_.Count("Gadget", false) > 0; });
  Place("Printer B", sim::PrinterManufacturerData({1, 2, 3, 4, 5, 6}),
        std::make_shared<sim::ProtoV2PrinterService>());
  open.join();
  EXPECT_TRUE(heard);
  EXPECT_TRUE(opened);
  EXPECT_GE(sightings_.Count("Printer A", true), 2u);
  channel.Close();
}

struct OpenFromCallback {
  nzio_ios_ble_rwprotov3 channel;
  std::atomic<int> opened{-1};
  static void OnPeripheral(const void *peripheral, const char *, const char *address, int,
                           const void *self) {
    auto *me = const_cast<OpenFromCallback *>(static_cast<const OpenFromCallback *>(self));
    int expected = -1;
    if (!address || !me->opened.compare_exchange_strong(expected, 0)) return;
    me->opened = me->channel.Open(const_cast<void *>(peripheral)) ? 1 : 2;
  }
};

TEST_F(ScanTest, APrinterCanBeOpenedFromInsideTheDiscoveryCallback) {
  auto service = std::make_shared<sim::ProtoV3PrinterService>();
  Place("Printer A", sim::PrinterManufacturerData(kAddress), service);
  OpenFromCallback open;
  ASSERT_TRUE(open.channel.scan(&OpenFromCallback::OnPeripheral, nullptr, &open));
  ASSERT_TRUE(WaitUntil([&] { return open.opened.load() > 0; }, 15000));
  EXPECT_EQ(open.opened.load(), 1);
  const auto data = Pattern(100);
  EXPECT_EQ(open.channel.Write(const_cast<uint8_t *>(data.data()), 100, 0), 100);
  open.channel.Close();
}

TEST_F(ScanTest, APeripheralMayOfferSeveralProtocols) {
  auto basic = std::make_shared<sim::BasicPrinterService>();
  auto v3 = std::make_shared<sim::ProtoV3PrinterService>();
  auto printer = Place("Dual printer", sim::PrinterManufacturerData(kAddress), basic);
  printer->AddService(v3);
  const auto data = Pattern(900);
  {
    nzio_ios_ble_rwprotov3 channel;
    ASSERT_TRUE(channel.OpenAddress(kAddressText));
    EXPECT_TRUE(log_->Contains("Discovered 2 service\n"));
    EXPECT_EQ(channel.Write(const_cast<uint8_t *>(data.data()), 900, 0), 900);
    channel.Close();
  }
  nzio_ios_ble_basic channel;  // scans for the basic service only
  ASSERT_TRUE(channel.OpenAddress(kAddressText));
  EXPECT_EQ(channel.Write(const_cast<uint8_t *>(data.data()), 900, 0), 900);
  EXPECT_EQ(v3->Accepted(), data);
  EXPECT_EQ(basic->Accepted(), data);
}

}  // namespace
}  // namespace velmora::test
