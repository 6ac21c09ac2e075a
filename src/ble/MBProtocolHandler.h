#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ble/DeadlineLink.h"
#include "ble/GattPacketLink.h"
#include "platform/ble/Peripheral.h"

namespace velmora::ble {

class ProtoV2Engine;

// The printer protocols a Bluetooth LE port can speak, each on a GATT service of its own.
enum class BleProtocol { V1, V2, V3 };

// The GATT service of a protocol, in upper case.
const char *ServiceUuidOf(BleProtocol protocol);

// One protocol on one connection: which characteristics it uses, what it makes of the printer's
// notifications and how it writes. Callbacks arrive on the central's queue, writes on the
// caller's thread.
class MBProtocolHandler {
 public:
  using PayloadSink = std::function<void(const uint8_t *data, size_t count)>;
  using PeripheralPtr = std::shared_ptr<platform::ble::Peripheral>;
  using CharacteristicPtr = std::shared_ptr<platform::ble::Characteristic>;

  virtual ~MBProtocolHandler() = default;
  virtual BleProtocol protocol() const = 0;

  // A characteristic of the protocol's service was discovered; the handler subscribes to what
  // it listens to and keeps what it writes to.
  virtual void OnCharacteristic(const PeripheralPtr &peripheral,
                                const CharacteristicPtr &characteristic) = 0;
  // Notifications of this characteristic are on.
  virtual void OnNotifying(const CharacteristicPtr &characteristic) = 0;
  // A notification value.
  virtual void OnValue(const CharacteristicPtr &characteristic,
                       const platform::ble::Bytes &value) = 0;
  // Everything the protocol needs before the first write is there.
  virtual bool IsReady() const = 0;
  virtual CharacteristicPtr writeCharacteristic() const = 0;

  // Writes `count` bytes within `timeout_ms`: count, a shorter count or 0 when the printer did
  // not take everything in time, -1 when the link is down.
  virtual int Write(GattPacketLink &link, const uint8_t *data, int count, uint32_t timeout_ms) = 0;

  // The protocol V2 engine, for the send-count list; null for the other protocols.
  virtual ProtoV2Engine *protoV2() { return nullptr; }
};

// A handler for `protocol` that hands the printer's data bytes to `sink`.
std::unique_ptr<MBProtocolHandler> MakeProtocolHandler(BleProtocol protocol,
                                                       MBProtocolHandler::PayloadSink sink);
std::unique_ptr<MBProtocolHandler> MakeProtoV1Handler(MBProtocolHandler::PayloadSink sink);
std::unique_ptr<MBProtocolHandler> MakeProtoV2Handler(MBProtocolHandler::PayloadSink sink);
std::unique_ptr<MBProtocolHandler> MakeProtoV3Handler(MBProtocolHandler::PayloadSink sink);

// The longest value one write to `characteristic` may carry, over every write kind it offers
// (`cap` when it offers none).
int WriteLimitOf(const platform::ble::Peripheral &peripheral,
                 const platform::ble::Characteristic &characteristic, int cap);

}  // namespace velmora::ble
