#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ble/CentralManager.h"
#include "platform/ble/DispatchQueue.h"
#include "platform/ble/Peripheral.h"

namespace velmora::ble {

using platform::ble::Characteristic;
using platform::ble::Peripheral;
using platform::ble::Service;

// One advertisement as the scan listeners see it.
struct BleSighting {
  std::shared_ptr<Peripheral> peripheral;
  std::optional<std::string> name;
  std::optional<std::string> address;  // the printer address, when the advertisement has one
  int rssi = 0;
};

// What a connection object hears of its peripheral's link, on the central's queue.
class BleConnectionEvents {
 public:
  virtual ~BleConnectionEvents() = default;
  virtual void OnLinkConnected(const std::shared_ptr<Peripheral> &peripheral) = 0;
  virtual void OnLinkFailed(const std::shared_ptr<Peripheral> &peripheral,
                            const platform::ble::Error *error) = 0;
  virtual void OnLinkDisconnected(const std::shared_ptr<Peripheral> &peripheral,
                                  const platform::ble::Error *error) = 0;
};

// The library's one Bluetooth LE central, shared by every Bluetooth LE port and search of the
// process and created on first use. It scans while anyone needs it (with duplicates, so every
// advertisement is seen), remembers the peripheral behind every printer address it heard, hands
// advertisements to the scan listeners and routes link events to the connection that claimed the
// peripheral.
//
// Listeners run one at a time on the central's listener queue while the listener lock is held;
// removing a listener takes the same lock, so once RemoveScanListener returns the listener is never
// called again. Link and GATT events run on the central's own queue, which never waits for a
// listener: a listener may open a port.
class MBCentralManagerProxy : public platform::ble::CentralManagerDelegate,
                              public std::enable_shared_from_this<MBCentralManagerProxy> {
 public:
  using ScanListener = std::function<void(const BleSighting &sighting)>;

  static std::shared_ptr<MBCentralManagerProxy> Shared();
  MBCentralManagerProxy(const MBCentralManagerProxy &) = delete;
  MBCentralManagerProxy &operator=(const MBCentralManagerProxy &) = delete;

  platform::ble::ManagerState state() const;
  // Waits until the central is powered on; false once the deadline (steady ms) passed, or at once
  // when the central has reported another state.
  bool WaitForPoweredOn(int64_t deadline_ms, const std::function<bool()> &give_up = nullptr);

  // Enters a listener and starts scanning; returns the scan's number (1, 2, ...), or 0 when the
  // central is not powered on.
  int AddScanListener(ScanListener listener);
  void RemoveScanListener(int scan_number);

  // An advertisement heard this recently counts as the printer being in range now.
  static constexpr int64_t kFreshSightingMs = 3000;

  // The peripheral that advertises this printer address (upper-case form): at once when it was
  // heard lately, otherwise by scanning until it is heard again or the deadline (steady ms)
  // passed. Null when not found.
  std::shared_ptr<Peripheral> FindPrinter(const std::string &address, int64_t deadline_ms);

  // A connection object takes a peripheral for itself; false while another one holds it.
  bool Claim(const std::shared_ptr<Peripheral> &peripheral,
             const std::shared_ptr<BleConnectionEvents> &owner);
  void Unclaim(const std::shared_ptr<Peripheral> &peripheral, const BleConnectionEvents *owner);
  void Connect(const std::shared_ptr<Peripheral> &peripheral);
  void CancelConnection(const std::shared_ptr<Peripheral> &peripheral);

  // CentralManagerDelegate
  void centralManagerDidUpdateState(platform::ble::ManagerState state) override;
  void centralManagerWillRestoreState() override {}
  void centralManagerDidDiscoverPeripheral(const std::shared_ptr<Peripheral> &peripheral,
                                           const platform::ble::AdvertisementData &advertisement,
                                           int rssi) override;
  void centralManagerDidConnectPeripheral(const std::shared_ptr<Peripheral> &peripheral) override;
  void centralManagerDidFailToConnectPeripheral(const std::shared_ptr<Peripheral> &peripheral,
                                                const platform::ble::Error *error) override;
  void centralManagerDidDisconnectPeripheral(const std::shared_ptr<Peripheral> &peripheral,
                                             const platform::ble::Error *error) override;

 private:
  MBCentralManagerProxy();
  void Init();
  void HoldScan();
  void ReleaseScan();
  void DeliverToListeners(const BleSighting &sighting);
  std::shared_ptr<BleConnectionEvents> OwnerOf(const Peripheral *peripheral);

  // Serial: the ports' notifications keep their order (on a concurrent queue one may overtake
  // another).
  std::shared_ptr<platform::ble::DispatchQueue> queue_;
  std::shared_ptr<platform::ble::DispatchQueue> listener_queue_;
  std::shared_ptr<platform::ble::CentralManager> central_;

  std::mutex state_mutex_;
  std::condition_variable state_changed_;

  std::mutex scan_mutex_;
  int scan_holders_ = 0;

  // Advertisements waiting for the listeners; past the limit (a listener that blocks) new ones
  // are dropped rather than queued without end.
  static constexpr int kMaxWaitingSightings = 4096;
  std::atomic<int> waiting_sightings_{0};

  std::recursive_mutex listener_mutex_;  // held while listeners run
  std::map<int, std::shared_ptr<ScanListener>> listeners_;
  int last_scan_number_ = 0;

  std::mutex printers_mutex_;
  std::condition_variable printers_changed_;
  struct Heard {
    std::shared_ptr<Peripheral> peripheral;
    int64_t at_ms = 0;  // steady clock
  };
  std::map<std::string, Heard> printers_;  // by printer address

  std::mutex owners_mutex_;
  std::map<const Peripheral *, std::weak_ptr<BleConnectionEvents>> owners_;
};

}  // namespace velmora::ble
