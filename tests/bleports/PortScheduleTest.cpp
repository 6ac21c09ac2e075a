// Schedules of V2 and V3 ports on the simulated radio (see RadioSchedule).
#include <cstdio>

#include "BlePortTest.h"
#include "support/RadioSchedule.h"

namespace velmora::test {
namespace {

namespace sim = ble_sim;

class PortScheduleTest : public BlePortTest {
 protected:
  // Each seed on a printer of its own address: the central still remembers the one before.
  void Play(PortEndpoint::OpenFunction open, std::shared_ptr<sim::PrinterService> service,
            bool chunks) {
    for (uint64_t seed = 1; seed <= 3 && !HasFatalFailure(); ++seed) {
      SCOPED_TRACE("seed " + std::to_string(seed));
      auto address = address_;
      address[0] = static_cast<uint8_t>(0xC0 + seed);
      char text[18];
      std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", address[0], address[1],
                    address[2], address[3], address[4], address[5]);
      auto &printer = Place({service}, address);
      {
        PortEndpoint endpoint(open, text);
        RadioSchedule(seed, endpoint, printer.peripheral(), *service, chunks).Run(12);
      }
      printers_.clear();
      service->ClearAccepted();
    }
  }
};

TEST_F(PortScheduleTest, V3) {
  Play(VP_Port_OpenBtBleProtoV3, std::make_shared<sim::ProtoV3PrinterService>(), true);
}

TEST_F(PortScheduleTest, V2) {
  Play(VP_Port_OpenBtBleProtoV2, std::make_shared<sim::ProtoV2PrinterService>(), false);
}

}  // namespace
}  // namespace velmora::test
