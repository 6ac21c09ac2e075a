#include "ble/channels/BLERWProtoV3.h"

#include "platform/Log.h"

namespace velmora::ble {

using platform::ble::PeripheralState;
using platform::ble::WriteType;

BLERWProtoV3::BLERWProtoV3()
    : BLEChannel({"com.velmora.ble.BLERWProtoV3", platform::ble::DispatchQueue::Kind::Serial,
                  platform::ble::kQosUserInteractive, -1, kServiceUuid}) {}

void BLERWProtoV3::LogNewSighting(const char *name, const char *address) {
  platform::logf("%s %s", name, address);
}

void BLERWProtoV3::MatchCharacteristic(const std::shared_ptr<Peripheral> &peripheral,
                                       const std::shared_ptr<Characteristic> &characteristic) {
  const auto &uuid = characteristic->uuid();
  if (uuid == kDataUuid || uuid == kFlowControlUuid) {
    peripheral->setNotifyValue(true, characteristic);
  } else if (uuid == kWriteUuid) {
    setMyCBPeripheral(peripheral);
    setMyCBWriteCharacteristic(characteristic);
    if (characteristic->properties() & platform::ble::kPropertyWriteWithoutResponse) {
      const int length = peripheral->maximumWriteValueLength(WriteType::WithoutResponse);
      engine_.setMaximumWriteValueLength(length);
      platform::logf("maximumWriteValueLength Without Response:%d", length);
    }
  }
}

void BLERWProtoV3::OnNotificationsOn(const std::shared_ptr<Peripheral> &,
                                     const std::shared_ptr<Characteristic> &characteristic) {
  platform::logf("didUpdateNotificationStateForCharacteristic %s successed",
                 characteristic->uuid().c_str());
  if (characteristic->uuid() == kDataUuid) {
    setMyCBReadCharacteristic(characteristic);
  } else if (characteristic->uuid() == kFlowControlUuid) {
    std::lock_guard<std::mutex> lock(flow_mutex_);
    myCBFlowControlCharacteristic_ = characteristic;
  }
}

std::shared_ptr<Characteristic> BLERWProtoV3::flowControlCharacteristic() const {
  std::lock_guard<std::mutex> lock(flow_mutex_);
  return myCBFlowControlCharacteristic_;
}

// Values are told apart by the characteristic objects in use, so a message that comes before its
// characteristic's notifications were reported on is dropped.
void BLERWProtoV3::OnValue(const std::shared_ptr<Characteristic> &characteristic,
                           const platform::ble::Bytes &value) {
  if (characteristic == myCBReadCharacteristic()) {
    rxBuffer_.put(value.data(), value.size());
  } else if (characteristic == flowControlCharacteristic()) {
    engine_.OnFlowControl(value.data(), value.size());
  }
}

bool BLERWProtoV3::IsReady() const {
  return CharacteristicsSet() && engine_.HasSizeAndCredits();
}

bool BLERWProtoV3::CharacteristicsSet() const {
  return BLEChannel::CharacteristicsSet() && flowControlCharacteristic() != nullptr;
}

void BLERWProtoV3::ClearCharacteristics() {
  BLEChannel::ClearCharacteristics();
  std::lock_guard<std::mutex> lock(flow_mutex_);
  myCBFlowControlCharacteristic_.reset();
}

int BLERWProtoV3::Write(const uint8_t *buffer, int offset, int count, int timeout_ms) {
  if (!IsLinkUp()) return -1;
  if (offset < 0 || count < 0 || (!buffer && count > 0)) return -1;
  const int result = writeGroupPack(buffer ? buffer + offset : nullptr, count,
                                    RaisedWriteTimeout(timeout_ms, count));
  if (result != count) platform::logf("Write Failed %d/%d", result, count);
  return result;
}

int BLERWProtoV3::writeGroupPack(const uint8_t *data, int count, int timeout_ms) {
  auto peripheral = myCBPeripheral();
  if (!IsLinkUp() || !peripheral || peripheral->state() != PeripheralState::Connected) return -1;
  return engine_.WriteCredits(*this, data, count, timeout_ms);
}

}  // namespace velmora::ble
