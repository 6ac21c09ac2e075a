// The test-facing side of the simulated radio: devices placed in range and their faults.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <random>

#include "platform/ble/Radio.h"
#include "velmora/ble_simulation.hpp"

namespace velmora::ble_sim {

using platform::ble::NormalizeUuid;
using platform::ble::Radio;

namespace detail {

std::vector<std::string> DeviceCore::AdvertisedServices() const {
  if (advertised_services) return *advertised_services;
  std::vector<std::string> uuids;
  for (const auto &service : services) uuids.push_back(service.uuid);
  return uuids;
}

const DeviceService *DeviceCore::FindService(const std::string &uuid) const {
  for (const auto &service : services) {
    if (service.uuid == uuid) return &service;
  }
  return nullptr;
}

}  // namespace detail

namespace {

std::string NewIdentifier() {
  static std::atomic<uint32_t> counter{0};
  std::random_device random;
  char text[40];
  std::snprintf(text, sizeof text, "%08X-%04X-4%03X-8%03X-%04X%08X", random(), random() & 0xFFFF,
                random() & 0xFFF, random() & 0xFFF, random() & 0xFFFF, counter.fetch_add(1));
  return text;
}

}  // namespace

// ---- The air -------------------------------------------------------------------------------

void SetPowerOnDelayMs(int delay_ms) {
  Radio::Get().SetPowerOnDelayMs(delay_ms);
}
void SetAdapterPoweredOn(bool powered_on) {
  Radio::Get().SetAdapterPoweredOn(powered_on);
}
void SetAdvertisingIntervalMs(int interval_ms) {
  Radio::Get().SetAdvertisingIntervalMs(interval_ms);
}
void SetConnectDelayMs(int delay_ms) {
  Radio::Get().SetConnectDelayMs(delay_ms);
}
void SetLinkRate(int packets_per_interval, int interval_us) {
  Radio::Get().SetLinkRate(packets_per_interval, interval_us);
}
void RestoreRadioDefaults() {
  Radio::Get().RestoreDefaults();
}
double LinkCapacityBytesPerSecond(int packet_bytes) {
  return Radio::Get().LinkCapacityBytesPerSecond(packet_bytes);
}

void AddPeripheral(const std::shared_ptr<VirtualPeripheral> &peripheral) {
  if (!peripheral) return;
  std::shared_ptr<detail::DeviceCore> core(peripheral, &peripheral->core());
  Radio::Get().AddDevice(core);
}

void RemovePeripheral(const std::shared_ptr<VirtualPeripheral> &peripheral) {
  if (!peripheral) return;
  std::shared_ptr<detail::DeviceCore> core(peripheral, &peripheral->core());
  Radio::Get().RemoveDevice(core);
}

void RemoveAllPeripherals() {
  Radio::Get().RemoveAllDevices();
}

Bytes PrinterManufacturerData(const std::array<uint8_t, 6> &address) {
  Bytes data(8);
  data[0] = 0x51;
  data[1] = 0x5A;
  std::copy(address.begin(), address.end(), data.begin() + 2);
  return data;
}

std::shared_ptr<VirtualPeripheral> PlacePrinter(const std::optional<std::string> &name,
                                                const std::array<uint8_t, 6> &address,
                                                const std::shared_ptr<PrinterService> &service) {
  auto peripheral = VirtualPeripheral::Create(name);
  peripheral->SetPrinterAddress(address);
  if (service) peripheral->AddService(service);
  AddPeripheral(peripheral);
  return peripheral;
}

// ---- VirtualPeripheral ---------------------------------------------------------------------

std::shared_ptr<VirtualPeripheral> VirtualPeripheral::Create(std::optional<std::string> name) {
  return std::shared_ptr<VirtualPeripheral>(new VirtualPeripheral(std::move(name)));
}

VirtualPeripheral::VirtualPeripheral(std::optional<std::string> name)
    : core_(std::make_shared<detail::DeviceCore>()) {
  core_->id = NewIdentifier();
  core_->name = std::move(name);
}

VirtualPeripheral::~VirtualPeripheral() = default;

std::string VirtualPeripheral::Identifier() const {
  return core_->id;
}

void VirtualPeripheral::SetName(std::optional<std::string> name) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->name = std::move(name);
  ++core_->advertisement_version;
}

void VirtualPeripheral::SetManufacturerData(std::optional<Bytes> data) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->manufacturer_data = std::move(data);
  ++core_->advertisement_version;
}

void VirtualPeripheral::SetPrinterAddress(const std::array<uint8_t, 6> &address) {
  SetManufacturerData(PrinterManufacturerData(address));
}

void VirtualPeripheral::SetRssi(int rssi) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->rssi = rssi;
}

void VirtualPeripheral::SetAdvertisedServices(std::vector<std::string> uuids) {
  for (auto &uuid : uuids) uuid = NormalizeUuid(uuid);
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->advertised_services = std::move(uuids);
  ++core_->advertisement_version;
}

void VirtualPeripheral::AddService(std::shared_ptr<ServiceHandler> service) {
  if (!service) return;
  detail::DeviceService entry;
  entry.uuid = NormalizeUuid(service->ServiceUuid());
  for (auto declared : service->Characteristics()) {
    declared.uuid = NormalizeUuid(declared.uuid);
    entry.characteristics.push_back(declared);
  }
  entry.handler = service;
  {
    std::lock_guard<std::mutex> lock(service->slot_->mutex);
    service->slot_->device = core_;
    service->slot_->service_uuid = entry.uuid;
  }
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->services.push_back(std::move(entry));
  ++core_->advertisement_version;
}

void VirtualPeripheral::SetMaximumWriteLength(int with_response, int without_response) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->max_write_with_response = with_response;
  core_->max_write_without_response = without_response;
}

void VirtualPeripheral::SetMaximumNotificationLength(int length) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->max_notification = std::max(1, length);
}

int VirtualPeripheral::MaximumNotificationLength() const {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  return core_->max_notification;
}

void VirtualPeripheral::SetRefuseConnections(bool refuse) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->refuse_connections = refuse;
}

void VirtualPeripheral::SetLossFilter(
    std::function<bool(uint64_t sequence, const uint8_t *data, size_t count)> filter) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->loss_filter = std::move(filter);
}

void VirtualPeripheral::SetLossRate(double fraction, uint32_t seed) {
  // The filter runs only on the radio thread, so its generator needs no lock.
  auto generator = std::make_shared<std::mt19937>(seed);
  SetLossFilter([generator, fraction](uint64_t, const uint8_t *, size_t) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(*generator) < fraction;
  });
}

void VirtualPeripheral::RefuseWritesWithResponse(int count) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->refuse_writes = count;
}

void VirtualPeripheral::LoseWriteAcknowledgements(int count) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->lose_acknowledgements = count;
}

void VirtualPeripheral::SetTransactionTimeoutMs(int timeout_ms) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->transaction_timeout_ms = std::max(0, timeout_ms);
}

void VirtualPeripheral::SetNotificationFilter(
    std::function<NotificationFate(uint64_t sequence, const std::string &characteristic,
                                   const uint8_t *data, size_t count)>
        filter) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->notification_filter = std::move(filter);
}

void VirtualPeripheral::FailNotifications(int count) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->fail_notifications = count;
}

void VirtualPeripheral::FailSubscription(const std::string &characteristic, bool fail) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  if (fail) {
    core_->failing_subscriptions.insert(NormalizeUuid(characteristic));
  } else {
    core_->failing_subscriptions.erase(NormalizeUuid(characteristic));
  }
}

void VirtualPeripheral::DropLink() {
  Radio::Get().DropLink(*core_);
}

void VirtualPeripheral::DropLinkAfterWrites(uint64_t writes) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->drop_after_writes = writes;
}

bool VirtualPeripheral::IsConnected() const {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  return core_->connection != nullptr;
}

bool VirtualPeripheral::WaitForConnected(bool connected, int timeout_ms) const {
  auto &radio = Radio::Get();
  std::unique_lock<std::mutex> lock(radio.mutex());
  return radio.changed().wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                  [&] { return (core_->connection != nullptr) == connected; });
}

LinkStats VirtualPeripheral::Stats() const {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  return core_->stats;
}

void VirtualPeripheral::RecordWrites(bool on) {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  core_->record_writes = on;
}

std::vector<WriteRecord> VirtualPeripheral::Writes() const {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  return core_->writes;
}

// ---- ServiceHandler ------------------------------------------------------------------------

ServiceHandler::ServiceHandler() : slot_(std::make_shared<detail::ServiceSlot>()) {}
ServiceHandler::~ServiceHandler() = default;
void ServiceHandler::OnSubscriptionChanged(const std::string &, bool) {}
void ServiceHandler::OnConnected() {}
void ServiceHandler::OnDisconnected() {}

namespace {
bool NotifyThrough(const detail::ServiceSlot &slot, const std::string &characteristic,
                   const uint8_t *data, size_t count) {
  std::shared_ptr<detail::DeviceCore> device;
  std::string service;
  {
    std::lock_guard<std::mutex> lock(slot.mutex);
    device = slot.device.lock();
    service = slot.service_uuid;
  }
  if (!device) return false;
  return Radio::Get().Notify(*device, service, characteristic, data, count);
}
}  // namespace

bool ServiceHandler::Notify(const std::string &characteristic, const uint8_t *data, size_t count) {
  return NotifyThrough(*slot_, characteristic, data, count);
}

ServiceHandler::NotifyFunction ServiceHandler::Notifier() const {
  return [slot = slot_](const std::string &characteristic, const uint8_t *data, size_t count) {
    return NotifyThrough(*slot, characteristic, data, count);
  };
}

bool ServiceHandler::IsSubscribed(const std::string &characteristic) const {
  std::shared_ptr<detail::DeviceCore> device;
  std::string service;
  {
    std::lock_guard<std::mutex> lock(slot_->mutex);
    device = slot_->device.lock();
    service = slot_->service_uuid;
  }
  if (!device) return false;
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  return device->connection &&
         device->connection->subscribed.count({service, NormalizeUuid(characteristic)}) != 0;
}

int ServiceHandler::MaximumNotificationLength() const {
  std::shared_ptr<detail::DeviceCore> device;
  {
    std::lock_guard<std::mutex> lock(slot_->mutex);
    device = slot_->device.lock();
  }
  if (!device) return 20;
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  return device->max_notification;
}

void ServiceHandler::Schedule(int delay_us, std::function<void()> task) {
  Radio::Get().Schedule(delay_us, std::move(task));
}

}  // namespace velmora::ble_sim
