// Schedules of the V2 and V3 channel facades on the simulated radio (see RadioSchedule).
#include <cstdio>

#include "BleTest.h"
#include "support/RadioSchedule.h"

namespace velmora::test {
namespace {

namespace sim = ble_sim;

template <typename Facade, typename Service>
void PlayChannel(uint64_t seed, bool chunks) {
  SCOPED_TRACE("seed " + std::to_string(seed));
  // Each seed on a printer of its own address: a channel's list keeps the one before.
  auto service = std::make_shared<Service>();
  const auto last = static_cast<uint8_t>(0xC0 + seed);
  auto printer = sim::PlacePrinter("Printer", {0x00, 0x11, 0x22, 0x33, 0xAA, last}, service);
  char address[18];
  std::snprintf(address, sizeof address, "00:11:22:33:AA:%02X", last);
  FacadeEndpoint<Facade> endpoint(address);
  RadioSchedule(seed, endpoint, *printer, *service, chunks).Run(12);
  endpoint.Close();
  sim::RemovePeripheral(printer);
}

using ChannelScheduleTest = BleTest;

TEST_F(ChannelScheduleTest, V3) {
  for (uint64_t seed = 1; seed <= 2 && !HasFatalFailure(); ++seed) {
    PlayChannel<nzio_ios_ble_rwprotov3, sim::ProtoV3PrinterService>(seed, true);
  }
}

TEST_F(ChannelScheduleTest, V2) {
  for (uint64_t seed = 1; seed <= 2 && !HasFatalFailure(); ++seed) {
    PlayChannel<nzio_ios_ble_rwprotov2, sim::ProtoV2PrinterService>(seed, false);
  }
}

}  // namespace
}  // namespace velmora::test
