// Protocol V3: data notified on FF01, chunks written to FF02, size and credits notified on FF03.
#include <mutex>

#include "ble/MBProtocolHandler.h"
#include "ble/ProtoV3Engine.h"
#include "platform/Clock.h"

namespace velmora::ble {
namespace {

constexpr const char *kDataUuid = "FF01";
constexpr const char *kWriteUuid = "FF02";
constexpr const char *kFlowControlUuid = "FF03";

class MBProtoV3Handler final : public MBProtocolHandler {
 public:
  explicit MBProtoV3Handler(PayloadSink sink) : sink_(std::move(sink)) {}

  BleProtocol protocol() const override { return BleProtocol::V3; }

  void OnCharacteristic(const PeripheralPtr &peripheral,
                        const CharacteristicPtr &characteristic) override {
    const std::string uuid = platform::ble::NormalizeUuid(characteristic->uuid());
    if (uuid == kDataUuid || uuid == kFlowControlUuid) {
      peripheral->setNotifyValue(true, characteristic);
    } else if (uuid == kWriteUuid) {
      if (characteristic->properties() & platform::ble::kPropertyWriteWithoutResponse) {
        engine_.setMaximumWriteValueLength(
            peripheral->maximumWriteValueLength(platform::ble::WriteType::WithoutResponse));
      }
      std::lock_guard<std::mutex> lock(mutex_);
      write_ = characteristic;
    }
  }

  void OnNotifying(const CharacteristicPtr &characteristic) override {
    const std::string uuid = platform::ble::NormalizeUuid(characteristic->uuid());
    std::lock_guard<std::mutex> lock(mutex_);
    if (uuid == kDataUuid) data_on_ = true;
    if (uuid == kFlowControlUuid) flow_on_ = true;
  }

  void OnValue(const CharacteristicPtr &characteristic,
               const platform::ble::Bytes &value) override {
    const std::string uuid = platform::ble::NormalizeUuid(characteristic->uuid());
    if (uuid == kDataUuid) {
      sink_(value.data(), value.size());
    } else if (uuid == kFlowControlUuid) {
      engine_.OnFlowControl(value.data(), value.size());
    }
  }

  bool IsReady() const override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!write_ || !data_on_ || !flow_on_) return false;
    }
    return engine_.HasSizeAndCredits();
  }

  CharacteristicPtr writeCharacteristic() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return write_;
  }

  int Write(GattPacketLink &link, const uint8_t *data, int count, uint32_t timeout_ms) override {
    DeadlineLink bounded(link, platform::steadyMs() + timeout_ms);
    // A port's write that finds no credit waits for one within its timeout rather than fail.
    return engine_.WriteCredits(bounded, data, count, bounded.LeftMs(), true);
  }

 private:
  const PayloadSink sink_;
  ProtoV3Engine engine_;
  mutable std::mutex mutex_;
  CharacteristicPtr write_;
  bool data_on_ = false;
  bool flow_on_ = false;
};

}  // namespace

std::unique_ptr<MBProtocolHandler> MakeProtoV3Handler(MBProtocolHandler::PayloadSink sink) {
  return std::make_unique<MBProtoV3Handler>(std::move(sink));
}

}  // namespace velmora::ble
