// The Bluetooth LE printer scan, flat and through the module, on the simulated radio.
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "BlePortTest.h"
#include "platform/Clock.h"
#include "support/Wait.h"
#include "velmora/velmora.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

namespace sim = ble_sim;

// What one scan reported, and whether anything came after it returned.
struct Reports {
  std::mutex mutex;
  std::vector<std::pair<std::string, std::string>> seen;
  std::atomic<bool> returned{false};
  std::atomic<int> after_return{0};

  static void On(const char *name, const char *address, void *self) {
    static_cast<Reports *>(self)->Add(name, address);
  }
  void Add(std::string name, std::string address) {
    if (returned.load()) ++after_return;
    std::lock_guard<std::mutex> lock(mutex);
    seen.emplace_back(std::move(name), std::move(address));
  }
  size_t Count(const std::string &name, const std::string &address) {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<size_t>(std::count(seen.begin(), seen.end(), std::make_pair(name, address)));
  }
  size_t Total() {
    std::lock_guard<std::mutex> lock(mutex);
    return seen.size();
  }
};

// A device in range; a null name for a nameless one, empty data for none.
std::shared_ptr<sim::VirtualPeripheral> PlaceDevice(const char *name,
                                                    const sim::Bytes &manufacturer_data) {
  auto device = name != nullptr ? sim::VirtualPeripheral::Create(std::string(name))
                                : sim::VirtualPeripheral::Create(std::nullopt);
  if (!manufacturer_data.empty()) device->SetManufacturerData(manufacturer_data);
  sim::AddPeripheral(device);
  return device;
}

class BleEnumTest : public BlePortTest {
 protected:
  void SetUp() override {
    BlePortTest::SetUp();
    Place({std::make_shared<sim::ProtoV3PrinterService>()});
  }
};

TEST_F(BleEnumTest, OnlyPrintersAreReportedAtEveryAdvertisementNamelessOnesAsNull) {
  const std::array<uint8_t, 6> nameless{0xC0, 0xFF, 0xEE, 0x00, 0x00, 0x01};
  PlaceDevice(nullptr, sim::PrinterManufacturerData(nameless));
  PlaceDevice("Headset", {});
  PlaceDevice("Phone", sim::Bytes{0x4C, 0x00, 0x00, 0x11, 0x22, 0x33, 0xAA, 0xBB});
  PlaceDevice("Short", sim::Bytes{0x51, 0x5A, 0x00, 0x11, 0x22, 0x33, 0xAA});

  Reports reports;
  int cancel = 0;
  const int scan = ::VP_Port_EnumBleDevice(1000, &cancel, Reports::On, &reports);
  reports.returned = true;
  EXPECT_GE(scan, 1);
  // The radio advertises every 20 ms, and every advertisement is passed on.
  EXPECT_GE(reports.Count("Printer", address_text_), 5u);
  EXPECT_GE(reports.Count("null", "C0:FF:EE:00:00:01"), 5u);
  EXPECT_EQ(reports.Total(),
            reports.Count("Printer", address_text_) + reports.Count("null", "C0:FF:EE:00:00:01"));
  EXPECT_FALSE(WaitUntil([&] { return reports.after_return.load() > 0; }, 100));

  // A later scan gets a later number.
  EXPECT_GT(::VP_Port_EnumBleDevice(0, &cancel, Reports::On, &reports), scan);
}

TEST_F(BleEnumTest, CancellingEndsTheScanEarly) {
  Reports reports;
  int cancel = 0;
  std::atomic<int64_t> cancelled_at{0};
  std::thread canceller([&] {
    WaitUntil([&] { return reports.Total() > 0; });
    cancelled_at = platform::steadyMs();
    __atomic_store_n(&cancel, 1, __ATOMIC_RELAXED);
  });
  const int64_t start = platform::steadyMs();
  ::VP_Port_EnumBleDevice(12000, &cancel, Reports::On, &reports);
  const int64_t end = platform::steadyMs();
  reports.returned = true;
  canceller.join();
  EXPECT_LT(end - start, 6000);
  EXPECT_LT(end - cancelled_at.load(), 3000);
  EXPECT_FALSE(WaitUntil([&] { return reports.after_return.load() > 0; }, 100));
}

TEST_F(BleEnumTest, TimeoutZeroEndsSoonAndACancelledScanNeverStarts) {
  Reports reports;
  int cancel = 0;
  // A scan of ceil(0 / 1000) = 0 seconds: started and stopped at once, not at the clock's next
  // whole second. Every round starts at another point of the second. (Until the process's central
  // has powered on, such a scan cannot start: it returns below 1, also at once.)
  ASSERT_TRUE(
      WaitUntil([&] { return ::VP_Port_EnumBleDevice(0, &cancel, Reports::On, &reports) >= 1; }));
  for (int round = 0; round < 4; ++round) {
    int scan = 0;
    EXPECT_LT(ElapsedMs([&] { scan = ::VP_Port_EnumBleDevice(0, &cancel, Reports::On, &reports); }),
              ScaledMs(75));
    EXPECT_GE(scan, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }

  cancel = 1;
  Reports none;
  int scan = 1;
  EXPECT_LT(ElapsedMs([&] { scan = ::VP_Port_EnumBleDevice(5000, &cancel, Reports::On, &none); }),
            2500);
  EXPECT_LT(scan, 1);
  EXPECT_LT(::VP_Port_EnumBleDevice(5000, nullptr, nullptr, nullptr), 1);
  EXPECT_FALSE(WaitUntil([&] { return none.Total() > 0; }, 100));
}

TEST_F(BleEnumTest, NoScanStartsWhileTheAdapterIsOff) {
  sim::SetAdapterPoweredOn(false);
  Reports reports;
  int cancel = 0;
  int scan = 1;
  EXPECT_LT(
      ElapsedMs([&] { scan = ::VP_Port_EnumBleDevice(5000, &cancel, Reports::On, &reports); }),
      ScaledMs(1000));
  EXPECT_LT(scan, 1);
  sim::SetAdapterPoweredOn(true);
  // A whole second of scanning: a timeout of 0 ends at the next whole second, which may be at
  // once.
  EXPECT_GE(::VP_Port_EnumBleDevice(1000, &cancel, Reports::On, &reports), 1);
  EXPECT_GT(reports.Total(), 0u);
}

TEST_F(BleEnumTest, AReportMayOpenThePrinterItNames) {
  struct Opener {
    std::atomic<void *> handle{nullptr};
    std::atomic<bool> tried{false};
    static void On(const char *, const char *address, void *self) {
      auto *opener = static_cast<Opener *>(self);
      if (opener->tried.exchange(true)) return;
      opener->handle = ::VP_Port_OpenBtBleProtoV3(address, 0);
    }
  } opener;
  int cancel = 0;
  ::VP_Port_EnumBleDevice(1000, &cancel, Opener::On, &opener);
  void *handle = Keep(opener.handle.load());
  ASSERT_NE(handle, nullptr);
  const uint8_t bytes[3] = {1, 2, 3};
  EXPECT_EQ(::VP_Port_Write(handle, bytes, 3, 5000), 3);
}

TEST_F(BleEnumTest, TheModuleScanStopsWhenItsControllerIsCancelled) {
  PlaceDevice(nullptr, sim::PrinterManufacturerData({0xC0, 0xFF, 0xEE, 0, 0, 2}));
  auto controller = std::make_shared<VP_LoopController>();
  std::mutex mutex;
  std::vector<std::pair<std::string, std::string>> seen;
  auto collect = [&](std::string name, std::string address) {
    std::lock_guard<std::mutex> lock(mutex);
    seen.emplace_back(std::move(name), std::move(address));
  };
  auto count = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return seen.size();
  };
  std::thread canceller([&] {
    WaitUntil([&] { return count() >= 4; });
    controller->cancelLoop();
  });
  EXPECT_LT(ElapsedMs([&] { velmora::VP_Port_EnumBleDevice(12000, controller, collect); }), 6000);
  canceller.join();
  {
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_NE(
        std::find(seen.begin(), seen.end(), std::make_pair(std::string("Printer"), address_text_)),
        seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(),
                        std::make_pair(std::string("null"), std::string("C0:FF:EE:00:00:02"))),
              seen.end());
  }

  // Still cancelled: the next scan returns at once; enabled again, it scans.
  const size_t before = count();
  EXPECT_LT(ElapsedMs([&] { velmora::VP_Port_EnumBleDevice(5000, controller, collect); }), 2500);
  EXPECT_EQ(count(), before);
  controller->enableLoop();
  velmora::VP_Port_EnumBleDevice(1000, controller, collect);
  EXPECT_GT(count(), before);
  // Timeouts the flat call cannot take are refused.
  velmora::VP_Port_EnumBleDevice(-1, controller, collect);
  velmora::VP_Port_EnumBleDevice(Int{1} << 32, controller, collect);
}

TEST_F(BleEnumTest, AClosureThatThrowsEndsNeitherTheScanNorTheProcess) {
  std::atomic<int> calls{0};
  velmora::VP_Port_EnumBleDevice(1000, nullptr, [&](std::string, std::string) {
    ++calls;
    throw std::runtime_error("application fault");
  });
  EXPECT_GE(calls.load(), 2);
}

}  // namespace
}  // namespace velmora::test
