// Protocol V1, the basic layout: one characteristic that is written and notifies.
#include <mutex>

#include "ble/BasicWriteEngine.h"
#include "ble/MBProtocolHandler.h"

namespace velmora::ble {
namespace {

constexpr const char *kCharacteristicUuid = "BEF8D6C9-9C21-4C9E-B632-BD58C1009F9F";
// Longest packet written, before the link's own limits lower it.
constexpr int kPacketCap = 512;

// Every write goes in packets that the printer acknowledges one by one (the characteristic's
// write with response), or, on a printer that takes no such writes, in paced packets without
// response. All notified bytes are the printer's data.
class MBProtoV1Handler final : public MBProtocolHandler {
 public:
  explicit MBProtoV1Handler(PayloadSink sink) : sink_(std::move(sink)) {}

  BleProtocol protocol() const override { return BleProtocol::V1; }

  void OnCharacteristic(const PeripheralPtr &peripheral,
                        const CharacteristicPtr &characteristic) override {
    if (platform::ble::NormalizeUuid(characteristic->uuid()) != kCharacteristicUuid) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      packet_size_ = WriteLimitOf(*peripheral, *characteristic, kPacketCap);
      with_response_ = (characteristic->properties() & platform::ble::kPropertyWrite) != 0;
    }
    peripheral->setNotifyValue(true, characteristic);
  }

  void OnNotifying(const CharacteristicPtr &characteristic) override {
    if (platform::ble::NormalizeUuid(characteristic->uuid()) != kCharacteristicUuid) return;
    std::lock_guard<std::mutex> lock(mutex_);
    write_ = characteristic;
  }

  void OnValue(const CharacteristicPtr &characteristic,
               const platform::ble::Bytes &value) override {
    if (platform::ble::NormalizeUuid(characteristic->uuid()) != kCharacteristicUuid) return;
    sink_(value.data(), value.size());
  }

  bool IsReady() const override { return writeCharacteristic() != nullptr; }

  CharacteristicPtr writeCharacteristic() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return write_;
  }

  int Write(GattPacketLink &link, const uint8_t *data, int count, uint32_t timeout_ms) override {
    int packet_size;
    bool with_response;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      packet_size = packet_size_;
      with_response = with_response_;
    }
    // The write's deadline bounds every packet; a packet timeout of the write's own length would
    // also be read as the whole-second window of a paced packet, which would send nothing for a
    // timeout below a second.
    engine_.SetWriteMode(with_response ? 0 : 1, packet_size,
                         BasicWriteEngine::kDefaultPacketTimeoutMs,
                         BasicWriteEngine::kDefaultMaxRetry);
    return engine_.WriteWithin(link, data, count, timeout_ms);
  }

 private:
  const PayloadSink sink_;
  BasicWriteEngine engine_;
  mutable std::mutex mutex_;
  CharacteristicPtr write_;
  int packet_size_ = BasicWriteEngine::kDefaultPacketSize;
  bool with_response_ = true;
};

}  // namespace

std::unique_ptr<MBProtocolHandler> MakeProtoV1Handler(MBProtocolHandler::PayloadSink sink) {
  return std::make_unique<MBProtoV1Handler>(std::move(sink));
}

}  // namespace velmora::ble
