#include "ble/channels/BLERWProtoV2.h"

#include <algorithm>

#include "platform/Log.h"

namespace velmora::ble {

using platform::ble::PeripheralState;
using platform::ble::WriteType;

BLERWProtoV2::BLERWProtoV2()
    : BLEChannel({"com.velmora.ble.BLERWProtoV2", platform::ble::DispatchQueue::Kind::Serial,
                  platform::ble::kQosUserInteractive, -1, kServiceUuid}),
      engine_([this](const uint8_t *data, size_t count) { rxBuffer_.put(data, count); }) {}

void BLERWProtoV2::LogNewSighting(const char *name, const char *) {
  platform::logf("%s", name);
}

void BLERWProtoV2::MatchCharacteristic(const std::shared_ptr<Peripheral> &peripheral,
                                       const std::shared_ptr<Characteristic> &characteristic) {
  if (characteristic->uuid() == kNotifyUuid) {
    peripheral->setNotifyValue(true, characteristic);
  } else if (characteristic->uuid() == kWriteUuid) {
    setMyCBWriteCharacteristic(characteristic);
    LowerToWriteLimits(peripheral, characteristic,
                       [this](int length) { engine_.LowerPacketSize(length); });
  }
}

void BLERWProtoV2::OnNotificationsOn(const std::shared_ptr<Peripheral> &peripheral,
                                     const std::shared_ptr<Characteristic> &characteristic) {
  platform::logf("didUpdateNotificationStateForCharacteristic successed");
  setMyCBPeripheral(peripheral);
  setMyCBReadCharacteristic(characteristic);
}

void BLERWProtoV2::OnValue(const std::shared_ptr<Characteristic> &,
                           const platform::ble::Bytes &value) {
  engine_.OnNotification(value.data(), value.size());
}

int BLERWProtoV2::Write(const uint8_t *buffer, int offset, int count, int timeout_ms) {
  if (!IsLinkUp()) return -1;
  if (offset < 0 || count < 0 || (!buffer && count > 0)) return -1;
  return writeGroupPack(buffer ? buffer + offset : nullptr, count,
                        RaisedWriteTimeout(timeout_ms, count));
}

int BLERWProtoV2::writeGroupPack(const uint8_t *data, int count, int timeout_ms) {
  auto peripheral = myCBPeripheral();
  if (!IsLinkUp() || !peripheral || peripheral->state() != PeripheralState::Connected) return -1;
  return engine_.WriteGroup(*this, data, count, timeout_ms);
}

}  // namespace velmora::ble
