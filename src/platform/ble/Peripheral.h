#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/ble/BleTypes.h"

namespace velmora::ble_sim::detail {
class DeviceCore;
}

namespace velmora::platform::ble {

class Peripheral;
class Service;
class Characteristic;
struct CentralCore;
struct Connection;

// A characteristic of a discovered service, as the central sees it.
class Characteristic {
 public:
  Characteristic(std::string service_uuid, std::string uuid, uint32_t properties)
      : service_uuid_(std::move(service_uuid)), uuid_(std::move(uuid)), properties_(properties) {}

  const std::string &uuid() const { return uuid_; }
  const std::string &serviceUuid() const { return service_uuid_; }
  uint32_t properties() const { return properties_; }
  // The last value the peripheral notified.
  Bytes value() const;
  bool isNotifying() const { return notifying_.load(); }

  void setValue(Bytes value);
  void setNotifying(bool on) { notifying_.store(on); }

 private:
  const std::string service_uuid_;
  const std::string uuid_;
  const uint32_t properties_;
  mutable std::mutex mutex_;
  Bytes value_;
  std::atomic<bool> notifying_{false};
};

// A service of a connected peripheral, as the central sees it.
class Service {
 public:
  explicit Service(std::string uuid) : uuid_(std::move(uuid)) {}

  const std::string &uuid() const { return uuid_; }
  std::vector<std::shared_ptr<Characteristic>> characteristics() const;
  void setCharacteristics(std::vector<std::shared_ptr<Characteristic>> characteristics);

 private:
  const std::string uuid_;
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Characteristic>> characteristics_;
};

// Receives the GATT results of a peripheral, on its central manager's queue.
class PeripheralDelegate {
 public:
  virtual ~PeripheralDelegate() = default;
  virtual void peripheralDidDiscoverServices(const std::shared_ptr<Peripheral> &peripheral,
                                             const Error *error) = 0;
  virtual void peripheralDidDiscoverCharacteristicsForService(
      const std::shared_ptr<Peripheral> &peripheral, const std::shared_ptr<Service> &service,
      const Error *error) = 0;
  virtual void peripheralDidWriteValueForCharacteristic(
      const std::shared_ptr<Peripheral> &peripheral,
      const std::shared_ptr<Characteristic> &characteristic, const Error *error) = 0;
  virtual void peripheralDidUpdateNotificationStateForCharacteristic(
      const std::shared_ptr<Peripheral> &peripheral,
      const std::shared_ptr<Characteristic> &characteristic, const Error *error) = 0;
  virtual void peripheralDidUpdateValueForCharacteristic(
      const std::shared_ptr<Peripheral> &peripheral,
      const std::shared_ptr<Characteristic> &characteristic, const Error *error) = 0;
  // The queue of writes without response has room again after canSendWriteWithoutResponse()
  // answered false (or a write was dropped because it was full).
  virtual void peripheralIsReadyToSendWriteWithoutResponse(const std::shared_ptr<Peripheral> &) {}
};

// A remote device as one central manager knows it. The same device seen by two central managers
// is two peripheral objects.
class Peripheral : public std::enable_shared_from_this<Peripheral> {
 public:
  Peripheral(std::weak_ptr<CentralCore> central,
             std::shared_ptr<ble_sim::detail::DeviceCore> device);

  std::string identifier() const;
  std::optional<std::string> name() const;
  PeripheralState state() const { return state_.load(); }

  void setDelegate(std::weak_ptr<PeripheralDelegate> delegate);
  std::shared_ptr<PeripheralDelegate> delegate() const;

  std::vector<std::shared_ptr<Service>> services() const;
  // nullopt asks for every service (or characteristic).
  void discoverServices(const std::optional<std::vector<std::string>> &uuids);
  void discoverCharacteristics(const std::optional<std::vector<std::string>> &uuids,
                               const std::shared_ptr<Service> &service);
  void setNotifyValue(bool enabled, const std::shared_ptr<Characteristic> &characteristic);
  // A write without response made while canSendWriteWithoutResponse() is false is dropped.
  void writeValue(const Bytes &value, const std::shared_ptr<Characteristic> &characteristic,
                  WriteType type);
  bool canSendWriteWithoutResponse();
  int maximumWriteValueLength(WriteType type) const;

  // ---- Used by the radio ----
  void setState(PeripheralState state) { state_.store(state); }
  const std::shared_ptr<ble_sim::detail::DeviceCore> &device() const { return device_; }
  const std::weak_ptr<CentralCore> &central() const { return central_; }
  void setServices(std::vector<std::shared_ptr<Service>> services);
  std::shared_ptr<Service> findService(const std::string &uuid) const;
  std::shared_ptr<Characteristic> findCharacteristic(const std::string &service_uuid,
                                                     const std::string &uuid) const;
  std::weak_ptr<Connection> connection;  // guarded by the radio's lock

 private:
  const std::weak_ptr<CentralCore> central_;
  const std::shared_ptr<ble_sim::detail::DeviceCore> device_;
  std::atomic<PeripheralState> state_{PeripheralState::Disconnected};
  mutable std::mutex mutex_;
  std::weak_ptr<PeripheralDelegate> delegate_;
  std::vector<std::shared_ptr<Service>> services_;
};

}  // namespace velmora::platform::ble
