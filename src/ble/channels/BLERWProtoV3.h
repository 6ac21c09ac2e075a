#pragma once

#include "ble/ProtoV3Engine.h"
#include "ble/channels/BLEChannel.h"

namespace velmora::ble {

// The standalone channel for printer protocol V3: service FF00, data notified on FF01, chunks
// written without response to FF02, size and credit messages notified on FF03.
class BLERWProtoV3 : public BLEChannel {
 public:
  static constexpr const char *kServiceUuid = "FF00";
  static constexpr const char *kDataUuid = "FF01";
  static constexpr const char *kWriteUuid = "FF02";
  static constexpr const char *kFlowControlUuid = "FF03";

  BLERWProtoV3();

  // count on success; -1 when not connected or the printer gave no size or credit; when the
  // timeout (raised to count + 3000 ms) passed first, the bytes of the chunks the printer credited,
  // or 0 when chunks went without their credits (the link then ends and the channel is no longer
  // open).
  int Write(const uint8_t *buffer, int offset, int count, int timeout_ms);
  int writeGroupPack(const uint8_t *data, int count, int timeout_ms);
  ProtoV3Engine &engine() { return engine_; }

 protected:
  void LogNewSighting(const char *name, const char *address) override;
  void MatchCharacteristic(const std::shared_ptr<Peripheral> &peripheral,
                           const std::shared_ptr<Characteristic> &characteristic) override;
  void OnNotificationsOn(const std::shared_ptr<Peripheral> &peripheral,
                         const std::shared_ptr<Characteristic> &characteristic) override;
  void OnValue(const std::shared_ptr<Characteristic> &characteristic,
               const platform::ble::Bytes &value) override;
  void OnCentralNotPoweredOn() override { isConnected_ = false; }
  void BeforeConnect() override { engine_.ResetForOpen(); }
  bool IsReady() const override;
  bool CharacteristicsSet() const override;
  void ClearCharacteristics() override;

 private:
  std::shared_ptr<Characteristic> flowControlCharacteristic() const;

  ProtoV3Engine engine_;
  mutable std::mutex flow_mutex_;
  std::shared_ptr<Characteristic> myCBFlowControlCharacteristic_;
};

}  // namespace velmora::ble
