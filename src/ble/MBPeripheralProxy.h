#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ble/BufferPool.h"
#include "ble/GattPacketLink.h"
#include "ble/MBCentralManagerProxy.h"
#include "ble/MBProtocolHandler.h"
#include "ble/WriteAnswers.h"

namespace velmora::ble {

// The kinds of Bluetooth LE port: one fixed protocol each, or VA, which speaks the best protocol
// the printer offers.
enum class BlePortKind { V1, V2, V3, VA };

// The protocols a kind accepts, best first.
std::vector<BleProtocol> ProtocolsOf(BlePortKind kind);

// One Bluetooth LE printer connection on the process-wide central, with blocking open, write,
// read and close for the port layer. Link and GATT callbacks (on the central's queue) update
// its state and queue the printer's data bytes in a receive pool; the blocking calls wait on
// that state against their deadlines. Which protocol it speaks is settled when the printer's
// services are known: the first of its accepted protocols whose service the printer offers.
class MBPeripheralProxy : public BleConnectionEvents,
                          public platform::ble::PeripheralDelegate,
                          public GattPacketLink,
                          public std::enable_shared_from_this<MBPeripheralProxy> {
 public:
  // Time limits of an open: the central's power-on, the search for the address, and the
  // connection with its service set-up (at most kConnectAttempts tries within kConnectMs).
  static constexpr int kPowerOnWaitMs = 3000;
  static constexpr int kAddressSearchMs = 5000;
  static constexpr int kConnectMs = 10000;
  static constexpr int kConnectAttempts = 3;
  static constexpr int kDisconnectWaitMs = 3000;
  // Unread received bytes beyond this are dropped (never overwritten).
  static constexpr int kReceivePoolSize = 65536;

  static std::shared_ptr<MBPeripheralProxy> Create(BlePortKind kind);
  ~MBPeripheralProxy() override;
  MBPeripheralProxy(const MBPeripheralProxy &) = delete;
  MBPeripheralProxy &operator=(const MBPeripheralProxy &) = delete;

  // Finds the printer by its address, connects and sets its protocol up. Once only.
  bool Open(const std::string &address);
  bool IsOpened() const { return opened_.load(); }
  // count, a shorter count or 0 when the printer did not take everything within the timeout,
  // -1 when the link is down or the connection is not open.
  int Write(const uint8_t *data, int count, uint32_t timeout_ms);
  // Takes up to `count` received bytes, waiting up to `timeout_ms` for the first: the count,
  // 0 on timeout, -1 once the link is gone and every received byte was taken.
  int Read(uint8_t *buffer, size_t count, uint32_t timeout_ms);
  // Ends the link and lets the peripheral go. Safe to call any number of times.
  void Close();

  // The protocol the connection speaks, once known.
  std::optional<BleProtocol> protocol() const;
  // The protocol V2 engine of a connection that speaks V2; null otherwise.
  ProtoV2Engine *protoV2() const;
  BufferPool &receivePool() { return pool_; }

  // GattPacketLink
  bool IsLinkUp() const override;
  int WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) override;
  int WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) override;
  bool WritePending() const override;
  uint64_t WritesWithResponseSent() const override { return answers_.Latest(); }
  int AwaitPendingWrite(int count, int timeout_ms) override;
  // Ends the link as a failed one: no longer up at once, and the port closes as on a lost link.
  void EndFailedLink() override;

  // BleConnectionEvents
  void OnLinkConnected(const std::shared_ptr<Peripheral> &peripheral) override;
  void OnLinkFailed(const std::shared_ptr<Peripheral> &peripheral,
                    const platform::ble::Error *error) override;
  void OnLinkDisconnected(const std::shared_ptr<Peripheral> &peripheral,
                          const platform::ble::Error *error) override;

  // PeripheralDelegate
  void peripheralDidDiscoverServices(const std::shared_ptr<Peripheral> &peripheral,
                                     const platform::ble::Error *error) override;
  void peripheralDidDiscoverCharacteristicsForService(const std::shared_ptr<Peripheral> &peripheral,
                                                      const std::shared_ptr<Service> &service,
                                                      const platform::ble::Error *error) override;
  void peripheralDidWriteValueForCharacteristic(
      const std::shared_ptr<Peripheral> &peripheral,
      const std::shared_ptr<Characteristic> &characteristic,
      const platform::ble::Error *error) override;
  void peripheralDidUpdateNotificationStateForCharacteristic(
      const std::shared_ptr<Peripheral> &peripheral,
      const std::shared_ptr<Characteristic> &characteristic,
      const platform::ble::Error *error) override;
  void peripheralIsReadyToSendWriteWithoutResponse(
      const std::shared_ptr<Peripheral> &peripheral) override;
  void peripheralDidUpdateValueForCharacteristic(
      const std::shared_ptr<Peripheral> &peripheral,
      const std::shared_ptr<Characteristic> &characteristic,
      const platform::ble::Error *error) override;

 private:
  // Where one connection attempt stands.
  enum class Attempt { Running, Ready, Failed, NoProtocol };

  explicit MBPeripheralProxy(BlePortKind kind);
  Attempt Connect(const std::shared_ptr<Peripheral> &peripheral, int64_t deadline_ms);
  void EndLink(const std::shared_ptr<Peripheral> &peripheral);
  void SetAttempt(Attempt attempt);
  std::shared_ptr<MBProtocolHandler> handler() const;
  // Whether the characteristic belongs to the service of the handler's protocol.
  static bool OfProtocolService(const MBProtocolHandler &handler,
                                const Characteristic &characteristic);
  std::shared_ptr<Peripheral> peripheral() const;
  void OnReceived(const uint8_t *data, size_t count);
  int WritePack(bool with_response, const uint8_t *data, int count, int timeout_ms);
  int AnswerOf(uint64_t write, int count, std::chrono::steady_clock::time_point deadline);

  const std::vector<BleProtocol> protocols_;
  const std::shared_ptr<MBCentralManagerProxy> central_;

  std::atomic<bool> opened_{false};
  std::atomic<bool> connected_{false};
  std::atomic<bool> claimed_{false};
  std::atomic<bool> link_failed_{false};

  // The printer and its protocol. A lock of its own, taken alone: the engines ask whether the
  // link is up while they hold their own locks.
  mutable std::mutex handler_mutex_;
  std::shared_ptr<Peripheral> peripheral_;
  std::shared_ptr<MBProtocolHandler> handler_;

  // Guards the members below and signals every change of the link or the attempt.
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  Attempt attempt_ = Attempt::Failed;
  bool link_event_seen_ = false;  // a connection failure or disconnection arrived

  // The printer's answers to writes with response, each matched to its own write.
  WriteAnswers answers_;

  // One write at a time: a writer waits for its turn within its own timeout.
  std::mutex turn_mutex_;
  std::condition_variable turn_changed_;
  bool writing_ = false;
  std::recursive_mutex close_mutex_;

  BufferPool pool_{kReceivePoolSize};
  std::mutex rx_mutex_;
  std::condition_variable rx_changed_;
};

}  // namespace velmora::ble
