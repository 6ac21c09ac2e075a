#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/ble/BleTypes.h"
#include "platform/ble/CentralManager.h"
#include "platform/ble/DeviceCore.h"
#include "platform/ble/DispatchQueue.h"
#include "platform/ble/Peripheral.h"

namespace velmora::platform::ble {

using ble_sim::detail::DeviceCore;

// The radio's view of one central manager.
struct CentralCore {
  std::weak_ptr<CentralManagerDelegate> delegate;
  std::shared_ptr<DispatchQueue> queue;
  std::atomic<ManagerState> state{ManagerState::Unknown};
  std::atomic<bool> alive{true};
  // Guarded by the radio's lock:
  bool state_reported = false;
  bool scanning = false;
  std::vector<std::string> scan_filter;
  bool allow_duplicates = false;
  std::map<std::string, uint64_t> reported;  // device id -> advertisement version reported
  std::map<std::string, std::shared_ptr<Peripheral>> peripherals;  // by device id
};

// A packet from the central to the peripheral.
struct UpPacket {
  enum class Kind { DiscoverServices, DiscoverCharacteristics, SetNotify, Write };
  explicit UpPacket(Kind k) : kind(k) {}
  Kind kind;
  std::optional<std::vector<std::string>> filter;
  std::string service;
  std::string characteristic;
  bool flag = false;  // notifications on / write with response
  Bytes data;
  std::optional<Error> refusal;  // a write with response the link refuses: answered with this
  // A request waits for the answer to the one before it; a write without response needs none.
  bool IsRequest() const { return kind != Kind::Write || flag; }
};

// A packet from the peripheral to the central.
struct DownPacket {
  enum class Kind { Services, Characteristics, NotifyState, WriteAck, Notification };
  explicit DownPacket(Kind k) : kind(k) {}
  Kind kind;
  std::chrono::steady_clock::time_point not_before;  // a held-back notification
  std::vector<std::string> service_uuids;
  std::string service;
  std::string characteristic;
  std::vector<ble_sim::CharacteristicSpec> characteristics;
  bool enabled = false;
  std::optional<Error> error;
  Bytes data;
};

// One link between a central and a device.
struct Connection {
  std::shared_ptr<CentralCore> central;
  std::shared_ptr<Peripheral> proxy;
  std::shared_ptr<DeviceCore> device;
  std::deque<UpPacket> up;
  std::deque<DownPacket> down;
  bool alive = true;
  bool tick_scheduled = false;
  std::chrono::steady_clock::time_point anchor;
  std::set<std::pair<std::string, std::string>> subscribed;  // (service, characteristic)
  uint64_t writes_without_response = 0;
  uint64_t notifications = 0;
  int queued_without_response = 0;  // writes without response waiting in `up`
  bool ready_wanted = false;        // the central learnt that the queue was full
  // The attribute protocol is sequential: a request goes out only once the answer to the one
  // before it has reached the central. A lost answer holds every later request back.
  bool request_outstanding = false;
};

// The simulated air: devices in range, central managers, links, and the one thread that moves
// every packet. Device-side code runs on that thread without the radio's lock held.
class Radio {
 public:
  using Clock = std::chrono::steady_clock;

  static Radio &Get();

  std::mutex &mutex() { return mutex_; }
  std::condition_variable &changed() { return changed_; }

  // Settings.
  void SetPowerOnDelayMs(int delay_ms);
  void SetAdapterPoweredOn(bool on);
  void SetAdvertisingIntervalMs(int interval_ms);
  void SetConnectDelayMs(int delay_ms);
  void SetLinkRate(int packets_per_interval, int interval_us);
  double LinkCapacityBytesPerSecond(int packet_bytes);
  void RestoreDefaults();

  // Devices.
  void AddDevice(const std::shared_ptr<DeviceCore> &device);
  void RemoveDevice(const std::shared_ptr<DeviceCore> &device);
  void RemoveAllDevices();
  void DropLink(DeviceCore &device);
  bool Notify(DeviceCore &device, const std::string &service, const std::string &characteristic,
              const uint8_t *data, size_t count);
  void Schedule(int delay_us, std::function<void()> task);

  // Central managers.
  std::shared_ptr<CentralCore> RegisterCentral(std::weak_ptr<CentralManagerDelegate> delegate,
                                               std::shared_ptr<DispatchQueue> queue);
  void UnregisterCentral(const std::shared_ptr<CentralCore> &central);
  void StartScan(const std::shared_ptr<CentralCore> &central,
                 const std::vector<std::string> &filter, bool allow_duplicates);
  void StopScan(const std::shared_ptr<CentralCore> &central);
  bool IsScanning(const std::shared_ptr<CentralCore> &central);
  void Connect(const std::shared_ptr<CentralCore> &central, const std::shared_ptr<Peripheral> &p);
  void Cancel(const std::shared_ptr<CentralCore> &central, const std::shared_ptr<Peripheral> &p);

  // GATT requests of a peripheral object.
  void SendRequest(Peripheral &peripheral, UpPacket packet);
  void Write(Peripheral &peripheral, const std::shared_ptr<Characteristic> &characteristic,
             const Bytes &value, WriteType type);
  // Whether the queue of writes without response has room; false also asks for the ready
  // callback once it has.
  bool CanSendWriteWithoutResponse(Peripheral &peripheral);

 private:
  Radio();
  void Loop();
  void At(Clock::time_point when, std::function<void()> task);

  void ReportStateLocked(const std::shared_ptr<CentralCore> &central);
  void SweepLocked(const std::shared_ptr<CentralCore> &only);
  void EnsureSweepLocked();
  std::shared_ptr<Peripheral> ProxyLocked(const std::shared_ptr<CentralCore> &central,
                                          const std::shared_ptr<DeviceCore> &device);
  void TryConnect(const std::shared_ptr<Peripheral> &proxy);
  void RetryPendingLocked(const DeviceCore &device);
  void DropLocked(std::shared_ptr<Connection> connection, std::optional<Error> error,
                  bool tell_central);
  void EnsureTickLocked(const std::shared_ptr<Connection> &connection);
  void RunTick(const std::shared_ptr<Connection> &connection);
  void ProcessUp(const std::shared_ptr<Connection> &connection, UpPacket &packet);
  void DeliverDownLocked(const std::shared_ptr<Connection> &connection, DownPacket packet);
  void PushDownLocked(const std::shared_ptr<Connection> &connection, DownPacket packet);
  // The next packet the central may send now, or up.end().
  std::deque<UpPacket>::iterator NextUpLocked(Connection &connection);
  void TookUpLocked(const std::shared_ptr<Connection> &connection, const UpPacket &packet);

  // Simulation state.
  std::mutex mutex_;
  std::condition_variable changed_;  // a link came up or went down
  static constexpr int kDefaultPowerOnDelayMs = 5;
  static constexpr int kDefaultAdvertisingIntervalMs = 20;
  static constexpr int kDefaultConnectDelayMs = 1;
  int power_on_delay_ms_ = kDefaultPowerOnDelayMs;
  bool adapter_on_ = true;
  int advertising_interval_ms_ = kDefaultAdvertisingIntervalMs;
  int connect_delay_ms_ = kDefaultConnectDelayMs;
  int packets_per_interval_ = ble_sim::kDefaultPacketsPerInterval;
  int interval_us_ = ble_sim::kDefaultIntervalUs;
  std::vector<std::shared_ptr<DeviceCore>> devices_;
  std::vector<std::shared_ptr<CentralCore>> centrals_;
  std::vector<std::shared_ptr<Connection>> connections_;
  struct Pending {
    std::shared_ptr<CentralCore> central;
    std::shared_ptr<Peripheral> proxy;
  };
  std::vector<Pending> pending_;
  bool sweep_scheduled_ = false;

  // Timers of the radio thread.
  std::mutex timer_mutex_;
  std::condition_variable timer_changed_;
  std::multimap<Clock::time_point, std::function<void()>> timers_;
  std::thread thread_;
};

}  // namespace velmora::platform::ble
