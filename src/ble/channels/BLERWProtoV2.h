#pragma once

#include "ble/ProtoV2Engine.h"
#include "ble/channels/BLEChannel.h"

namespace velmora::ble {

// The standalone channel for printer protocol V2: service 18F0, frames notified on 2AF0, group
// packets written without response to 2AF1.
class BLERWProtoV2 : public BLEChannel {
 public:
  static constexpr const char *kServiceUuid = "18F0";
  static constexpr const char *kNotifyUuid = "2AF0";
  static constexpr const char *kWriteUuid = "2AF1";

  BLERWProtoV2();

  // count on success, 0 when the group did not complete, -1 when not connected. The timeout is
  // raised to count + 3000 ms.
  int Write(const uint8_t *buffer, int offset, int count, int timeout_ms);
  int writeGroupPack(const uint8_t *data, int count, int timeout_ms);
  bool setupGroupPack(int packet_size, int packet_count) {
    return engine_.SetupGroup(*this, packet_size, packet_count);
  }
  void ClearPacketSendTimesList() { engine_.ClearPacketSendTimesList(); }
  int GetPacketSendTimesListLength() const { return engine_.GetPacketSendTimesListLength(); }
  int GetPacketSendTimesListValue(int *values, int count) const {
    return engine_.GetPacketSendTimesListValue(values, count);
  }
  ProtoV2Engine &engine() { return engine_; }

 protected:
  void LogNewSighting(const char *name, const char *address) override;
  void MatchCharacteristic(const std::shared_ptr<Peripheral> &peripheral,
                           const std::shared_ptr<Characteristic> &characteristic) override;
  void OnNotificationsOn(const std::shared_ptr<Peripheral> &peripheral,
                         const std::shared_ptr<Characteristic> &characteristic) override;
  void OnValue(const std::shared_ptr<Characteristic> &characteristic,
               const platform::ble::Bytes &value) override;
  void ResetReceiveState() override { engine_.ResetReceived(); }

 private:
  ProtoV2Engine engine_;
};

}  // namespace velmora::ble
