#include "ble/MBProtocolHandler.h"

#include <algorithm>

namespace velmora::ble {

const char *ServiceUuidOf(BleProtocol protocol) {
  switch (protocol) {
    case BleProtocol::V1:
      return "E7810A71-73AE-499D-8C15-FAA9AEF0C3F2";
    case BleProtocol::V2:
      return "18F0";
    case BleProtocol::V3:
      return "FF00";
  }
  return "";
}

std::unique_ptr<MBProtocolHandler> MakeProtocolHandler(BleProtocol protocol,
                                                       MBProtocolHandler::PayloadSink sink) {
  switch (protocol) {
    case BleProtocol::V1:
      return MakeProtoV1Handler(std::move(sink));
    case BleProtocol::V2:
      return MakeProtoV2Handler(std::move(sink));
    case BleProtocol::V3:
      return MakeProtoV3Handler(std::move(sink));
  }
  return nullptr;
}

int WriteLimitOf(const platform::ble::Peripheral &peripheral,
                 const platform::ble::Characteristic &characteristic, int cap) {
  using platform::ble::WriteType;
  int limit = cap;
  if (characteristic.properties() & platform::ble::kPropertyWrite) {
    limit = std::min(limit, peripheral.maximumWriteValueLength(WriteType::WithResponse));
  }
  if (characteristic.properties() & platform::ble::kPropertyWriteWithoutResponse) {
    limit = std::min(limit, peripheral.maximumWriteValueLength(WriteType::WithoutResponse));
  }
  return limit;
}

}  // namespace velmora::ble
