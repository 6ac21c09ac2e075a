#include "platform/ble/Peripheral.h"

#include "platform/ble/Radio.h"

namespace velmora::platform::ble {

Bytes Characteristic::value() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return value_;
}

void Characteristic::setValue(Bytes value) {
  std::lock_guard<std::mutex> lock(mutex_);
  value_ = std::move(value);
}

std::vector<std::shared_ptr<Characteristic>> Service::characteristics() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return characteristics_;
}

void Service::setCharacteristics(std::vector<std::shared_ptr<Characteristic>> characteristics) {
  std::lock_guard<std::mutex> lock(mutex_);
  characteristics_ = std::move(characteristics);
}

Peripheral::Peripheral(std::weak_ptr<CentralCore> central, std::shared_ptr<DeviceCore> device)
    : central_(std::move(central)), device_(std::move(device)) {}

std::string Peripheral::identifier() const {
  return device_->id;
}

std::optional<std::string> Peripheral::name() const {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  return device_->name;
}

void Peripheral::setDelegate(std::weak_ptr<PeripheralDelegate> delegate) {
  std::lock_guard<std::mutex> lock(mutex_);
  delegate_ = std::move(delegate);
}

std::shared_ptr<PeripheralDelegate> Peripheral::delegate() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return delegate_.lock();
}

std::vector<std::shared_ptr<Service>> Peripheral::services() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return services_;
}

void Peripheral::setServices(std::vector<std::shared_ptr<Service>> services) {
  std::lock_guard<std::mutex> lock(mutex_);
  services_ = std::move(services);
}

std::shared_ptr<Service> Peripheral::findService(const std::string &uuid) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto &service : services_) {
    if (service->uuid() == uuid) return service;
  }
  return nullptr;
}

std::shared_ptr<Characteristic> Peripheral::findCharacteristic(const std::string &service_uuid,
                                                               const std::string &uuid) const {
  auto service = findService(service_uuid);
  if (!service) return nullptr;
  for (const auto &characteristic : service->characteristics()) {
    if (characteristic->uuid() == uuid) return characteristic;
  }
  return nullptr;
}

namespace {
std::optional<std::vector<std::string>> Normalized(
    const std::optional<std::vector<std::string>> &uuids) {
  if (!uuids) return std::nullopt;
  std::vector<std::string> out;
  for (const auto &uuid : *uuids) out.push_back(NormalizeUuid(uuid));
  return out;
}
}  // namespace

void Peripheral::discoverServices(const std::optional<std::vector<std::string>> &uuids) {
  UpPacket packet(UpPacket::Kind::DiscoverServices);
  packet.filter = Normalized(uuids);
  Radio::Get().SendRequest(*this, std::move(packet));
}

void Peripheral::discoverCharacteristics(const std::optional<std::vector<std::string>> &uuids,
                                         const std::shared_ptr<Service> &service) {
  if (!service) return;
  UpPacket packet(UpPacket::Kind::DiscoverCharacteristics);
  packet.filter = Normalized(uuids);
  packet.service = service->uuid();
  Radio::Get().SendRequest(*this, std::move(packet));
}

void Peripheral::setNotifyValue(bool enabled,
                                const std::shared_ptr<Characteristic> &characteristic) {
  if (!characteristic) return;
  UpPacket packet(UpPacket::Kind::SetNotify);
  packet.service = characteristic->serviceUuid();
  packet.characteristic = characteristic->uuid();
  packet.flag = enabled;
  Radio::Get().SendRequest(*this, std::move(packet));
}

void Peripheral::writeValue(const Bytes &value,
                            const std::shared_ptr<Characteristic> &characteristic, WriteType type) {
  Radio::Get().Write(*this, characteristic, value, type);
}

bool Peripheral::canSendWriteWithoutResponse() {
  return Radio::Get().CanSendWriteWithoutResponse(*this);
}

int Peripheral::maximumWriteValueLength(WriteType type) const {
  std::lock_guard<std::mutex> lock(Radio::Get().mutex());
  return type == WriteType::WithResponse ? device_->max_write_with_response
                                         : device_->max_write_without_response;
}

}  // namespace velmora::platform::ble
