// Protocol V2: frames notified on 2AF0, numbered group packets written to 2AF1.
#include <mutex>

#include "ble/MBProtocolHandler.h"
#include "ble/ProtoV2Engine.h"
#include "platform/Clock.h"

namespace velmora::ble {
namespace {

constexpr const char *kNotifyUuid = "2AF0";
constexpr const char *kWriteUuid = "2AF1";

class MBProtoV2Handler final : public MBProtocolHandler {
 public:
  explicit MBProtoV2Handler(PayloadSink sink) : engine_(std::move(sink)) {}

  BleProtocol protocol() const override { return BleProtocol::V2; }

  void OnCharacteristic(const PeripheralPtr &peripheral,
                        const CharacteristicPtr &characteristic) override {
    const std::string uuid = platform::ble::NormalizeUuid(characteristic->uuid());
    if (uuid == kNotifyUuid) {
      peripheral->setNotifyValue(true, characteristic);
    } else if (uuid == kWriteUuid) {
      engine_.LowerPacketSize(
          WriteLimitOf(*peripheral, *characteristic, ProtoV2Engine::kInitialPacketSize));
      std::lock_guard<std::mutex> lock(mutex_);
      write_ = characteristic;
    }
  }

  void OnNotifying(const CharacteristicPtr &characteristic) override {
    if (platform::ble::NormalizeUuid(characteristic->uuid()) != kNotifyUuid) return;
    std::lock_guard<std::mutex> lock(mutex_);
    notifying_ = true;
  }

  void OnValue(const CharacteristicPtr &characteristic,
               const platform::ble::Bytes &value) override {
    if (platform::ble::NormalizeUuid(characteristic->uuid()) != kNotifyUuid) return;
    engine_.OnNotification(value.data(), value.size());
  }

  bool IsReady() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return write_ != nullptr && notifying_;
  }

  CharacteristicPtr writeCharacteristic() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return write_;
  }

  int Write(GattPacketLink &link, const uint8_t *data, int count, uint32_t timeout_ms) override {
    DeadlineLink bounded(link, platform::steadyMs() + timeout_ms);
    return engine_.WriteGroup(bounded, data, count, bounded.LeftMs());
  }

  ProtoV2Engine *protoV2() override { return &engine_; }

 private:
  ProtoV2Engine engine_;
  mutable std::mutex mutex_;
  CharacteristicPtr write_;
  bool notifying_ = false;
};

}  // namespace

std::unique_ptr<MBProtocolHandler> MakeProtoV2Handler(MBProtocolHandler::PayloadSink sink) {
  return std::make_unique<MBProtoV2Handler>(std::move(sink));
}

}  // namespace velmora::ble
