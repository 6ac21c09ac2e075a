#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "ble/MBPeripheralProxy.h"
#include "core/port/NZIOBase.h"

namespace velmora::ble {
class ProtoV2Engine;
}

namespace velmora::core {

// Bluetooth LE transport: one printer connection on the process-wide central, read by the
// port's read thread from the connection's receive pool like any other stream.
class NZBtBleIO : public NZThreadIO {
 public:
  explicit NZBtBleIO(ble::BlePortKind kind);
  ~NZBtBleIO() override;
  NZBtBleIO(const NZBtBleIO &) = delete;
  NZBtBleIO &operator=(const NZBtBleIO &) = delete;

  // Finds the printer by its address and connects, within the connection's own time limits.
  bool Open(const std::string &address);

  bool IsOpened() const override { return opened_.load(); }
  int Write(const uint8_t *data, uint32_t count, uint32_t timeout_ms) override;
  int ReadPacket(uint8_t *buffer, size_t count, uint32_t timeout_ms) override;
  size_t PacketSize() const override { return 1024; }
  void Close() override;

  // The protocol V2 engine of a port that speaks V2 (a V2 port, or a VA port that chose V2).
  ble::ProtoV2Engine *ProtoV2() const;
  std::optional<ble::BleProtocol> protocol() const { return connection_->protocol(); }

 private:
  const std::shared_ptr<ble::MBPeripheralProxy> connection_;
  std::atomic<bool> opened_{false};
  std::recursive_mutex close_mutex_;
};

}  // namespace velmora::core
