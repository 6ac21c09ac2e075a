#include "core/port/NZBtBleIO.h"

#include <climits>

namespace velmora::core {

NZBtBleIO::NZBtBleIO(ble::BlePortKind kind) : connection_(ble::MBPeripheralProxy::Create(kind)) {}

NZBtBleIO::~NZBtBleIO() {
  Close();
  connection_->Close();  // an open that never completed may still hold its printer
}

bool NZBtBleIO::Open(const std::string &address) {
  if (opened_.load() || !connection_->Open(address)) return false;
  opened_ = true;
  return true;
}

int NZBtBleIO::Write(const uint8_t *data, uint32_t count, uint32_t timeout_ms) {
  if (!opened_.load()) return -1;
  if (count == 0) return 0;
  // One write's length is an int on the link.
  const int length = static_cast<int>(std::min<uint32_t>(count, INT_MAX));
  const int written = connection_->Write(data, length, timeout_ms);
  if (written > 0 && listener() != nullptr) listener()->OnTransportWritten(data, written);
  if (written < 0 && opened_.load() && !connection_->IsLinkUp() && listener() != nullptr) {
    listener()->OnTransportFailed();
  }
  return written < 0 ? -1 : written;
}

int NZBtBleIO::ReadPacket(uint8_t *buffer, size_t count, uint32_t timeout_ms) {
  if (!opened_.load()) return -1;
  return connection_->Read(buffer, count, timeout_ms);
}

void NZBtBleIO::Close() {
  std::lock_guard<std::recursive_mutex> lock(close_mutex_);
  if (!opened_.exchange(false)) return;
  connection_->Close();
  if (listener() != nullptr) listener()->OnTransportClosed();
}

ble::ProtoV2Engine *NZBtBleIO::ProtoV2() const {
  return opened_.load() ? connection_->protoV2() : nullptr;
}

}  // namespace velmora::core
