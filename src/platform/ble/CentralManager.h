#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ble/BleTypes.h"
#include "platform/ble/DispatchQueue.h"
#include "platform/ble/Peripheral.h"

namespace velmora::platform::ble {

// Receives the central manager's events on the manager's queue, in the order they happened. On a
// serial queue they run one at a time; on a concurrent queue several may run at the same time, so
// one may overtake another.
class CentralManagerDelegate {
 public:
  virtual ~CentralManagerDelegate() = default;
  virtual void centralManagerDidUpdateState(ManagerState state) = 0;
  virtual void centralManagerWillRestoreState() = 0;
  virtual void centralManagerDidDiscoverPeripheral(const std::shared_ptr<Peripheral> &peripheral,
                                                   const AdvertisementData &advertisement,
                                                   int rssi) = 0;
  virtual void centralManagerDidConnectPeripheral(
      const std::shared_ptr<Peripheral> &peripheral) = 0;
  virtual void centralManagerDidFailToConnectPeripheral(
      const std::shared_ptr<Peripheral> &peripheral, const Error *error) = 0;
  virtual void centralManagerDidDisconnectPeripheral(const std::shared_ptr<Peripheral> &peripheral,
                                                     const Error *error) = 0;
};

// The platform's Bluetooth LE central role. It starts in the unknown state and reports its real
// state shortly after creation. Destroying it ends its scan and its connections.
class CentralManager {
 public:
  static std::shared_ptr<CentralManager> Create(std::weak_ptr<CentralManagerDelegate> delegate,
                                                std::shared_ptr<DispatchQueue> queue,
                                                const CentralManagerOptions &options);
  ~CentralManager();
  CentralManager(const CentralManager &) = delete;
  CentralManager &operator=(const CentralManager &) = delete;

  ManagerState state() const;
  const CentralManagerOptions &options() const { return options_; }

  // An empty service list scans for every peripheral. Without duplicates a peripheral is reported
  // once per scan, and again when its advertisement changes.
  void scanForPeripherals(const std::vector<std::string> &services, const ScanOptions &options);
  void stopScan();
  bool isScanning() const;

  // A connection request does not time out; cancelling a pending one reports a disconnection.
  void connectPeripheral(const std::shared_ptr<Peripheral> &peripheral);
  void cancelPeripheralConnection(const std::shared_ptr<Peripheral> &peripheral);

  // The peripheral object this manager reported under this address, or null for any other
  // pointer (callers hand such pointers through plain interfaces).
  std::shared_ptr<Peripheral> peripheralForHandle(const void *handle) const;

 private:
  CentralManager(std::shared_ptr<CentralCore> core, CentralManagerOptions options)
      : core_(std::move(core)), options_(std::move(options)) {}

  std::shared_ptr<CentralCore> core_;
  CentralManagerOptions options_;
};

}  // namespace velmora::platform::ble
