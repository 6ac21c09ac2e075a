#include "BlePortTest.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/DetachedThreads.h"
#include "velmora/velmora.h"

namespace velmora::test {

BlePortTest::BlePortTest() {
  static std::atomic<uint8_t> next{0};
  address_ = {0x00, 0x11, 0x22, 0x33, 0xAA, next++};
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", address_[0], address_[1],
                address_[2], address_[3], address_[4], address_[5]);
  address_text_ = text;
}

void BlePortTest::SetUp() {
  events_.Register();
}

void BlePortTest::TearDown() {
  for (void *handle : handles_) VP_Port_Close(handle);
  printers_.clear();
  ble_sim::RemoveAllPeripherals();
  ble_sim::RestoreRadioDefaults();
  EXPECT_TRUE(platform::waitForDetachedThreads(10000)) << "background threads still running";
  events_.Unregister();
}

VirtualBlePrinter &BlePortTest::Place(
    std::vector<std::shared_ptr<ble_sim::PrinterService>> services,
    std::optional<std::array<uint8_t, 6>> address) {
  printers_.push_back(std::make_unique<VirtualBlePrinter>("Printer", address.value_or(address_),
                                                          std::move(services)));
  return *printers_.back();
}

void *BlePortTest::Keep(void *handle) {
  if (handle != nullptr) handles_.push_back(handle);
  return handle;
}

int BlePortTest::Close(void *handle) {
  handles_.erase(std::remove(handles_.begin(), handles_.end(), handle), handles_.end());
  return VP_Port_Close(handle);
}

}  // namespace velmora::test
