#include "ble/BleDeviceEnumerator.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "ble/MBCentralManagerProxy.h"
#include "platform/ApplicationClosure.h"
#include "platform/Clock.h"

namespace velmora::ble {
namespace {

constexpr int kPowerOnWaitMs = 3000;
constexpr auto kCancelPoll = std::chrono::milliseconds(1);

bool Cancelled(const int *cancel) {
  return cancel != nullptr && __atomic_load_n(cancel, __ATOMIC_RELAXED) != 0;
}

}  // namespace

int EnumerateBleDevices(uint32_t timeout_ms, const int *cancel,
                        VP_OnBluetoothDeviceDiscovered on_discovered, void *private_data) {
  const int64_t start = platform::steadyMs();
  const int64_t deadline = platform::wholeSecondDeadlineMs(start, timeout_ms);
  if (on_discovered == nullptr || Cancelled(cancel)) return 0;

  auto central = MBCentralManagerProxy::Shared();
  if (!central->WaitForPoweredOn(std::min(deadline, start + kPowerOnWaitMs),
                                 [cancel] { return Cancelled(cancel); })) {
    return 0;
  }
  const int scan = central->AddScanListener([on_discovered, private_data](const BleSighting &s) {
    if (!s.address) return;
    platform::CallApplicationClosure(on_discovered, s.name ? s.name->c_str() : "null",
                                     s.address->c_str(), private_data);
  });
  if (scan < 1) return scan;
  while (!Cancelled(cancel) && platform::steadyMs() < deadline) {
    std::this_thread::sleep_for(kCancelPoll);
  }
  // Under the listener lock: once this returns, the callback is never called again.
  central->RemoveScanListener(scan);
  return scan;
}

}  // namespace velmora::ble
