#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ble/BleTypes.h"
#include "velmora/ble_simulation.hpp"

namespace velmora::platform::ble {
struct Connection;
}

namespace velmora::ble_sim::detail {

// One service of a simulated device, with its characteristics in the platform's spelling.
struct DeviceService {
  std::string uuid;
  std::vector<CharacteristicSpec> characteristics;
  std::shared_ptr<ServiceHandler> handler;
};

// The simulated device behind a VirtualPeripheral. Every field is guarded by the radio's lock.
class DeviceCore {
 public:
  using LossFilter = std::function<bool(uint64_t sequence, const uint8_t *data, size_t count)>;
  using NotificationFilter = std::function<NotificationFate(
      uint64_t sequence, const std::string &characteristic, const uint8_t *data, size_t count)>;

  std::string id;
  std::optional<std::string> name;
  std::optional<Bytes> manufacturer_data;
  std::optional<std::vector<std::string>> advertised_services;
  int rssi = -60;
  uint64_t advertisement_version = 1;
  std::vector<DeviceService> services;
  int max_write_with_response = 512;
  int max_write_without_response = 182;
  int max_notification = 182;

  bool refuse_connections = false;
  LossFilter loss_filter;
  int refuse_writes = 0;  // -1: all
  int fail_notifications = 0;
  int lose_acknowledgements = 0;
  int transaction_timeout_ms = 30000;
  NotificationFilter notification_filter;
  std::set<std::string> failing_subscriptions;
  uint64_t drop_after_writes = 0;  // 0: no planned drop

  bool in_range = false;
  std::shared_ptr<platform::ble::Connection> connection;
  LinkStats stats;
  bool record_writes = false;
  std::vector<WriteRecord> writes;

  std::vector<std::string> AdvertisedServices() const;
  const DeviceService *FindService(const std::string &uuid) const;
};

// Where a service handler reaches its device.
struct ServiceSlot {
  mutable std::mutex mutex;
  std::weak_ptr<DeviceCore> device;
  std::string service_uuid;
};

}  // namespace velmora::ble_sim::detail
