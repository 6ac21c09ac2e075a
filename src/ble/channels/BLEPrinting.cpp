#include "ble/channels/BLEPrinting.h"

#include <chrono>

#include "platform/Log.h"

namespace velmora::ble {

using platform::ble::WriteType;

BLEPrinting::BLEPrinting()
    : BLEChannel({"BLEPrinting", platform::ble::DispatchQueue::Kind::Serial,
                  platform::ble::kQosUserInitiated, 0, kServiceUuid}) {}

void BLEPrinting::LogNewSighting(const char *name, const char *address) {
  platform::logf("Added PeripheralInfo %s %s", name, address);
}

void BLEPrinting::peripheralDidDiscoverCharacteristicsForService(
    const std::shared_ptr<Peripheral> &peripheral, const std::shared_ptr<Service> &service,
    const platform::ble::Error *error) {
  if (!IsOwn(peripheral)) return;
  const auto characteristics = service->characteristics();
  if (error) {
    platform::logf("Characteristics discovery was unsuccessful\n%s\n", error->description.c_str());
  } else {
    platform::logf("Discovered %ld characteristics of service with UUID %s(%s)\n",
                   static_cast<long>(characteristics.size()), service->uuid().c_str(),
                   service->uuid().c_str());
  }
  for (const auto &characteristic : characteristics) {
    platform::logf("Discovered characteristic with UUID %s(%s)\n", characteristic->uuid().c_str(),
                   characteristic->uuid().c_str());
    MatchCharacteristic(peripheral, characteristic);
  }
}

void BLEPrinting::MatchCharacteristic(const std::shared_ptr<Peripheral> &peripheral,
                                      const std::shared_ptr<Characteristic> &characteristic) {
  if (characteristic->uuid() == kCharacteristicUuid) {
    peripheral->setNotifyValue(true, characteristic);
  }
}

void BLEPrinting::OnNotificationsOn(const std::shared_ptr<Peripheral> &peripheral,
                                    const std::shared_ptr<Characteristic> &characteristic) {
  platform::logf("didUpdateNotificationStateForCharacteristic successed");
  setMyCBPeripheral(peripheral);
  // The one characteristic is both written and read.
  setMyCBWriteCharacteristic(characteristic);
  setMyCBReadCharacteristic(characteristic);
  LowerToWriteLimits(peripheral, characteristic,
                     [this](int length) { engine_.LowerPacketSize(length); });
}

// Every byte goes to the reader, index reports included; a report also moves the indexed write.
void BLEPrinting::OnValue(const std::shared_ptr<Characteristic> &,
                          const platform::ble::Bytes &value) {
  rxBuffer_.put(value.data(), value.size());
  engine_.OnNotification(value.data(), value.size());
}

int BLEPrinting::Write(const uint8_t *buffer, int offset, int count) {
  if (!IsLinkUp()) return -1;
  if (offset < 0 || count < 0 || (!buffer && count > 0)) return -1;
  return engine_.Write(*this, buffer ? buffer + offset : nullptr, count);
}

void BLEPrinting::SetWriteMode(int mode, int packet_size, int packet_timeout_ms,
                               int packet_max_retry) {
  engine_.SetWriteMode(mode, packet_size, packet_timeout_ms, packet_max_retry);
  if (auto peripheral = myCBPeripheral()) {
    engine_.LowerPacketSize(peripheral->maximumWriteValueLength(WriteType::WithResponse));
    engine_.LowerPacketSize(peripheral->maximumWriteValueLength(WriteType::WithoutResponse));
  } else {
    engine_.LowerPacketSize(BasicWriteEngine::kDefaultMaxPacketSize);
  }
}

void BLEPrinting::WaitMs(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
  }
}

}  // namespace velmora::ble
