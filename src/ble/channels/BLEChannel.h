#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ble/BufferPool.h"
#include "ble/GattPacketLink.h"
#include "ble/WaitClock.h"
#include "ble/WriteAnswers.h"
#include "ble/channels/PeripheralInfo.h"
#include "platform/ble/CentralManager.h"
#include "platform/ble/DispatchQueue.h"
#include "platform/ble/Peripheral.h"

namespace velmora::ble {

using platform::ble::Characteristic;
using platform::ble::Peripheral;
using platform::ble::Service;

// Called for every advertisement seen; `address` is null when the advertisement carries none.
using PeripheralDiscoveredEvent = void (*)(const void *peripheral, const char *name,
                                           const char *address, int rssi, const void *private_data);
// Called for every advertisement that carries a printer address.
using SimpleDiscoveredEvent = void (*)(const char *name, const char *address,
                                       const void *private_data);

// A standalone channel: one object that owns a whole Bluetooth LE printer connection by itself
// (its own central manager on its own queue, its own list of discovered printers, one printer at a
// time, a receive pool and a blocking read). The protocols differ in their GATT layout, their
// writes and what they make of notifications; they fill in the hooks below.
//
// Blocking calls run on the caller's thread and wait on what the callbacks set, always against a
// deadline. One caller at a time. The central's events run one at a time on a serial queue: on a
// concurrent one a notification may overtake the one before it (or the answer that switched its
// characteristic on), which loses or reorders the printer's data. The discovery callbacks run on
// a queue of their own, so they may open the printer they report.
class BLEChannel : public platform::ble::CentralManagerDelegate,
                   public platform::ble::PeripheralDelegate,
                   public GattPacketLink,
                   public std::enable_shared_from_this<BLEChannel> {
 public:
  // The receive pool holds this much unread data; more is dropped, never overwritten.
  static constexpr int kReceivePoolSize = 65536;
  static constexpr int kPowerOnWaitMs = 5000;
  static constexpr int kAddressSearchMs = 20000;
  static constexpr int kAddressPollMs = 200;
  static constexpr int kOpenMs = 20000;
  static constexpr int kAttemptMs = 10000;
  static constexpr int kLinkCheckMs = 100;
  static constexpr int kDisconnectWaitMs = 5000;
  // Advertisements waiting for the discovery callbacks; past this (a callback that blocks) new
  // ones are not reported.
  static constexpr int kMaxWaitingSightings = 4096;

  ~BLEChannel() override;
  BLEChannel(const BLEChannel &) = delete;
  // Creates the central manager; called once, right after construction (MakeChannel).
  void Init();
  BLEChannel &operator=(const BLEChannel &) = delete;

  // Stores the callbacks; they run on the channel's listener queue while a scan runs, from here
  // until stopScan (which an open calls before it connects). They stay stored: a scan that
  // OpenAddress starts by itself reports through them again, until EndDiscoveryCallbacks.
  bool scanPeripheral(PeripheralDiscoveredEvent peripheral_discovered_event,
                      SimpleDiscoveredEvent simple_discovered_event, const void *private_data);
  bool private_scan();
  // No discovery callback runs once this returned (until the next scan): it waits for those
  // running on other threads. Called from inside a callback it cannot wait (that callback and
  // any other may be waiting for it) and only keeps further ones from starting.
  void stopScan();
  // As stopScan's wait, and for good: no later scan calls the stored callbacks.
  void EndDiscoveryCallbacks();
  bool waitForCBCentralManagerStatePoweredOn(int timeout_ms);
  std::shared_ptr<Peripheral> FindPeripheralBy(const std::string &address);
  bool OpenAddress(const std::string &address);
  bool Open(const std::shared_ptr<Peripheral> &peripheral);
  // Open with the pointer a peripheral-discovered callback reported; any other pointer is
  // treated as no peripheral.
  bool OpenReported(const void *peripheral);
  bool BaseOpen(const std::shared_ptr<Peripheral> &peripheral);
  bool IsOpened() const { return isOpened_.load(); }
  void Close();
  void SkipAvailable() { rxBuffer_.clear(); }
  int Read(uint8_t *buffer, int offset, int count, int timeout_ms);
  // The clock Read polls on (the steady clock unless a harness drives time); set before use.
  void SetReadClock(WaitClock &clock) { readClock_ = &clock; }
  int writePackWithResponse(const uint8_t *buffer, int offset, int count, int timeout_ms);
  int writePackWithoutResponse(const uint8_t *buffer, int offset, int count, int timeout_ms);

  // GattPacketLink: the link is up while a printer is in use and connected.
  bool IsLinkUp() const override;
  int WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) override;
  int WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) override;
  bool WritePending() const override;
  uint64_t WritesWithResponseSent() const override { return answers_.Latest(); }
  int AwaitPendingWrite(int count, int timeout_ms) override;
  // Ends the connection as a failed one: the link is down and the channel no longer open.
  void EndFailedLink() override;

  // Observation.
  bool isConnected() const { return isConnected_.load(); }
  std::vector<std::shared_ptr<PeripheralInfo>> discoveredPrinters() const;
  BufferPool &rxBuffer() { return rxBuffer_; }
  const std::shared_ptr<platform::ble::DispatchQueue> &queue() const { return myCMQueue_; }
  const std::shared_ptr<platform::ble::CentralManager> &centralManager() const {
    return myCentralManager_;
  }
  std::shared_ptr<Peripheral> myCBPeripheral() const;

  // CentralManagerDelegate.
  void centralManagerDidUpdateState(platform::ble::ManagerState state) override;
  void centralManagerWillRestoreState() override;
  void centralManagerDidDiscoverPeripheral(const std::shared_ptr<Peripheral> &peripheral,
                                           const platform::ble::AdvertisementData &advertisement,
                                           int rssi) override;
  void centralManagerDidConnectPeripheral(const std::shared_ptr<Peripheral> &peripheral) override;
  void centralManagerDidFailToConnectPeripheral(const std::shared_ptr<Peripheral> &peripheral,
                                                const platform::ble::Error *error) override;
  void centralManagerDidDisconnectPeripheral(const std::shared_ptr<Peripheral> &peripheral,
                                             const platform::ble::Error *error) override;
  // PeripheralDelegate.
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

 protected:
  struct Traits {
    std::string queue_label;
    platform::ble::DispatchQueue::Kind queue_kind;
    int qos;
    int relative_priority;
    std::string service_uuid;
  };
  explicit BLEChannel(Traits traits);

  // ---- Protocol hooks ----
  // Service filter of a scan (none: every peripheral).
  virtual std::vector<std::string> ScanServiceFilter() const { return {}; }
  // Log line for a peripheral not listed before this advertisement.
  virtual void LogNewSighting(const char *name, const char *address) = 0;
  virtual std::optional<std::vector<std::string>> ServiceDiscoveryFilter() const {
    return std::nullopt;
  }
  virtual std::optional<std::vector<std::string>> CharacteristicDiscoveryFilter() const {
    return std::nullopt;
  }
  virtual bool LogsEachService() const { return true; }
  // One discovered characteristic of the protocol's service.
  virtual void MatchCharacteristic(const std::shared_ptr<Peripheral> &peripheral,
                                   const std::shared_ptr<Characteristic> &characteristic) = 0;
  // Notifications of this characteristic are now on.
  virtual void OnNotificationsOn(const std::shared_ptr<Peripheral> &peripheral,
                                 const std::shared_ptr<Characteristic> &characteristic) = 0;
  // A notification value.
  virtual void OnValue(const std::shared_ptr<Characteristic> &characteristic,
                       const platform::ble::Bytes &value) = 0;
  // Spelling of "uuid" in the error lines.
  virtual const char *UuidWord() const { return "uuid"; }
  virtual void OnCentralNotPoweredOn() {}
  virtual void BeforeConnect() {}
  // The attempt may end: the protocol's characteristics (and whatever else it needs) are there.
  virtual bool IsReady() const { return CharacteristicsSet(); }
  virtual bool CharacteristicsSet() const;
  virtual void ClearCharacteristics();
  virtual void ResetReceiveState() {}
  // Drops what a connection left behind (printer, characteristics, received bytes, the
  // protocol's receive state, open state): what Close and a new connection both reset, so that
  // nothing of one link reaches the next and only the connection being made can make the channel
  // ready.
  void ForgetConnection();
  // Whether events of `peripheral` are the channel's: it is the printer the channel opens or
  // uses. Another link of the channel's central (one an earlier open left behind) neither feeds
  // the reader nor answers writes, and its end is not the channel's.
  bool IsOwn(const std::shared_ptr<Peripheral> &peripheral) const;

  // Atomic member accessors.
  void setMyCBPeripheral(std::shared_ptr<Peripheral> peripheral);
  std::shared_ptr<Characteristic> myCBWriteCharacteristic() const;
  void setMyCBWriteCharacteristic(std::shared_ptr<Characteristic> characteristic);
  std::shared_ptr<Characteristic> myCBReadCharacteristic() const;
  void setMyCBReadCharacteristic(std::shared_ptr<Characteristic> characteristic);
  bool CentralPoweredOn() const;
  // Hands the peripheral's maximum write lengths, for each write kind the characteristic offers,
  // to `lower`, and logs them.
  static void LowerToWriteLimits(const std::shared_ptr<Peripheral> &peripheral,
                                 const std::shared_ptr<Characteristic> &characteristic,
                                 const std::function<void(int)> &lower);
  const std::string &serviceUuid() const { return traits_.service_uuid; }

  std::atomic<bool> isConnected_{false};
  std::atomic<bool> isOpening_{false};
  std::atomic<bool> isOpened_{false};
  // A write ended the connection as failed; a new connection clears it.
  std::atomic<bool> linkFailed_{false};
  BufferPool rxBuffer_{kReceivePoolSize};

 private:
  int WritePack(bool with_response, const uint8_t *data, int count, int timeout_ms);
  // count once the printer accepted `write`, 0 when it refused it or no answer came by
  // `deadline`, -1 when the link dropped first.
  int AnswerOf(uint64_t write, int count, std::chrono::steady_clock::time_point deadline);
  // Calls the discovery callbacks for one advertisement (on the listener queue).
  void ReportSighting(const std::shared_ptr<Peripheral> &peripheral,
                      const std::optional<std::string> &name,
                      const std::optional<std::string> &address, int rssi);
  // Stops calling the discovery callbacks and waits for those running on other threads.
  void SilenceDiscoveryCallbacks();

  const Traits traits_;
  WaitClock *readClock_ = &WaitClock::Steady();
  std::shared_ptr<platform::ble::DispatchQueue> myCMQueue_;
  std::shared_ptr<platform::ble::DispatchQueue> listenerQueue_;
  std::atomic<int> waitingSightings_{0};
  std::shared_ptr<platform::ble::CentralManager> myCentralManager_;

  mutable std::mutex members_mutex_;
  std::shared_ptr<Peripheral> target_;  // the printer being opened or in use
  std::shared_ptr<Peripheral> myCBPeripheral_;
  std::shared_ptr<Characteristic> myCBWriteCharacteristic_;
  std::shared_ptr<Characteristic> myCBReadCharacteristic_;

  // Signalled when the platform's queue of writes without response has room again.
  std::mutex respone_mutex_;
  std::condition_variable responeCondition_;
  // The printer's answers to writes with response, each matched to its own write.
  WriteAnswers answers_;

  mutable std::mutex arrayPeripheralInfoLocker_;
  std::vector<std::shared_ptr<PeripheralInfo>> arrayPeripehralInfo_;

  // The caller's discovery callbacks, on from the start of a scan to its end, and the threads
  // running one of them right now.
  std::mutex discovery_mutex_;
  std::condition_variable discovery_done_;
  bool discovery_on_ = false;
  bool discovery_ended_ = false;  // for good: the owner is going
  PeripheralDiscoveredEvent peripheral_discovered_event_ = nullptr;
  SimpleDiscoveredEvent simple_discovered_event_ = nullptr;
  const void *private_data_ = nullptr;
  std::vector<std::thread::id> discovery_threads_;
};

// Creates a channel of type T (a BLEChannel) ready for use.
template <typename T>
std::shared_ptr<T> MakeChannel() {
  auto channel = std::shared_ptr<T>(new T());
  channel->Init();
  return channel;
}

}  // namespace velmora::ble
