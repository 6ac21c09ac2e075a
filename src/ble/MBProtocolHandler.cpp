#include "ble/MBProtocolHandler.h"

#include <algorithm>
#include <climits>

#include "platform/Clock.h"

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

int DeadlineLink::LeftMs() const {
  const int64_t left = deadline_ms_ - platform::steadyMs();
  return static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
}

bool DeadlineLink::MaySend(int left) {
  const bool first = !sent_any_;
  sent_any_ = true;
  return left > 0 || (first && start_ == Start::FirstPacketAlways);
}

int DeadlineLink::WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) {
  const int left = LeftMs();
  if (!MaySend(left)) return link_.IsLinkUp() ? 0 : -1;
  return link_.WritePackWithResponse(data, count, std::min(timeout_ms, left));
}

int DeadlineLink::AwaitPendingWrite(int count, int timeout_ms) {
  const int left = LeftMs();
  if (left <= 0) return link_.IsLinkUp() ? 0 : -1;
  return link_.AwaitPendingWrite(count, std::min(timeout_ms, left));
}

int DeadlineLink::WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) {
  const int left = LeftMs();
  if (timeout_ms <= 0) {
    MaySend(left);
    return link_.WritePackWithoutResponse(data, count, timeout_ms);
  }
  // A paced write past the deadline is not sent; -1 stops the callers' repeat loops at once.
  if (!MaySend(left)) return -1;
  if (start_ == Start::FirstPacketAlways) {
    return link_.WritePackWithoutResponse(data, count, timeout_ms);
  }
  return link_.WritePackWithoutResponse(data, count, std::min(timeout_ms, left));
}

}  // namespace velmora::ble
