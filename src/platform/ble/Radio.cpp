#include "platform/ble/Radio.h"

#include <algorithm>
#include <climits>

namespace velmora::platform::ble {
namespace {

Error MakeError(int code, const std::string &text) {
  Error error;
  error.code = code;
  error.localizedDescription = text;
  error.description = "Error Domain=CBErrorDomain Code=" + std::to_string(code) + " \"" + text +
                      "\" UserInfo={NSLocalizedDescription=" + text + "}";
  return error;
}

const Error kRefused = MakeError(14, "The connection was refused by the peripheral.");
const Error kTimedOut = MakeError(6, "The connection has timed out unexpectedly.");
const Error kPoweredOff = MakeError(7, "The specified device has disconnected from us.");
const Error kWriteRefused = MakeError(3, "Writing is not permitted.");
const Error kBadLength = MakeError(13, "The value's length is invalid.");
const Error kNotifyUnsupported = MakeError(6, "The request is not supported.");
const Error kNotifyFailed = MakeError(14, "Unlikely error.");
const Error kValueError = MakeError(14, "Unlikely error.");

bool Contains(const std::vector<std::string> &list, const std::string &value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

std::string NormalizeUuid(const std::string &uuid) {
  std::string out = uuid;
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

Radio &Radio::Get() {
  // Never destroyed: the radio thread and queued callbacks may outlive static destruction.
  static Radio *radio = new Radio();
  return *radio;
}

Radio::Radio() {
  thread_ = std::thread([this] { Loop(); });
  thread_.detach();
}

void Radio::Loop() {
  std::unique_lock<std::mutex> lock(timer_mutex_);
  for (;;) {
    if (timers_.empty()) {
      timer_changed_.wait(lock);
      continue;
    }
    auto first = timers_.begin();
    if (first->first > Clock::now()) {
      timer_changed_.wait_until(lock, first->first);
      continue;
    }
    std::function<void()> task = std::move(first->second);
    timers_.erase(first);
    lock.unlock();
    task();
    task = nullptr;
    lock.lock();
  }
}

void Radio::At(Clock::time_point when, std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(timer_mutex_);
    timers_.emplace(when, std::move(task));
  }
  timer_changed_.notify_one();
}

void Radio::Schedule(int delay_us, std::function<void()> task) {
  At(Clock::now() + std::chrono::microseconds(std::max(0, delay_us)), std::move(task));
}

// ---- Settings ------------------------------------------------------------------------------

void Radio::SetPowerOnDelayMs(int delay_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  power_on_delay_ms_ = std::max(0, delay_ms);
}

void Radio::SetAdapterPoweredOn(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (adapter_on_ == on) return;
  adapter_on_ = on;
  if (!on) {
    auto connections = connections_;
    for (auto &connection : connections) DropLocked(connection, kPoweredOff, true);
    for (auto &pending : pending_) {
      pending.proxy->setState(PeripheralState::Disconnected);
    }
    pending_.clear();
  }
  for (auto &central : centrals_) {
    if (!on) central->scanning = false;
    if (central->state_reported) ReportStateLocked(central);
  }
}

void Radio::SetAdvertisingIntervalMs(int interval_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  advertising_interval_ms_ = std::max(1, interval_ms);
}

void Radio::SetConnectDelayMs(int delay_ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  connect_delay_ms_ = std::max(0, delay_ms);
}

void Radio::SetLinkRate(int packets_per_interval, int interval_us) {
  std::lock_guard<std::mutex> lock(mutex_);
  packets_per_interval_ = std::max(0, packets_per_interval);
  interval_us_ = std::max(1, interval_us);
}

void Radio::RestoreDefaults() {
  SetAdapterPoweredOn(true);
  std::lock_guard<std::mutex> lock(mutex_);
  power_on_delay_ms_ = kDefaultPowerOnDelayMs;
  advertising_interval_ms_ = kDefaultAdvertisingIntervalMs;
  connect_delay_ms_ = kDefaultConnectDelayMs;
  packets_per_interval_ = ble_sim::kDefaultPacketsPerInterval;
  interval_us_ = ble_sim::kDefaultIntervalUs;
}

double Radio::LinkCapacityBytesPerSecond(int packet_bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (packets_per_interval_ == 0) return 0;
  return static_cast<double>(packets_per_interval_) * packet_bytes * 1e6 / interval_us_;
}

// ---- Devices -------------------------------------------------------------------------------

void Radio::AddDevice(const std::shared_ptr<DeviceCore> &device) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (device->in_range) return;
  device->in_range = true;
  devices_.push_back(device);
  RetryPendingLocked(*device);
}

void Radio::RemoveDevice(const std::shared_ptr<DeviceCore> &device) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!device->in_range) return;
  device->in_range = false;
  devices_.erase(std::remove(devices_.begin(), devices_.end(), device), devices_.end());
  if (device->connection) DropLocked(device->connection, kTimedOut, true);
}

void Radio::RemoveAllDevices() {
  std::vector<std::shared_ptr<DeviceCore>> devices;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    devices = devices_;
  }
  for (auto &device : devices) RemoveDevice(device);
}

void Radio::DropLink(DeviceCore &device) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (device.connection) DropLocked(device.connection, kTimedOut, true);
}

bool Radio::Notify(DeviceCore &device, const std::string &service,
                   const std::string &characteristic, const uint8_t *data, size_t count) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto connection = device.connection;
  const auto key = std::make_pair(NormalizeUuid(service), NormalizeUuid(characteristic));
  if (!connection || !connection->alive || connection->subscribed.count(key) == 0 ||
      count > static_cast<size_t>(device.max_notification)) {
    ++device.stats.notifications_dropped;
    return false;
  }
  ble_sim::NotificationFate fate;
  if (auto filter = device.notification_filter) {
    const uint64_t sequence = connection->notifications++;
    lock.unlock();
    fate = filter(sequence, key.second, data, count);
    lock.lock();
    if (!connection->alive) return false;
  } else {
    ++connection->notifications;
  }
  if (fate.lost) {
    ++device.stats.notifications_sent;
    ++device.stats.notifications_lost;
    return true;  // on the air, as far as the printer can tell
  }
  DownPacket packet(DownPacket::Kind::Notification);
  packet.not_before = Clock::now() + std::chrono::milliseconds(std::max(0, fate.delay_ms));
  packet.service = key.first;
  packet.characteristic = key.second;
  packet.data.assign(data, data + count);
  if (device.fail_notifications != 0) {
    if (device.fail_notifications > 0) --device.fail_notifications;
    packet.error = kValueError;
  }
  ++device.stats.notifications_sent;
  PushDownLocked(connection, std::move(packet));
  return true;
}

// ---- Central managers ----------------------------------------------------------------------

std::shared_ptr<CentralCore> Radio::RegisterCentral(std::weak_ptr<CentralManagerDelegate> delegate,
                                                    std::shared_ptr<DispatchQueue> queue) {
  auto central = std::make_shared<CentralCore>();
  central->delegate = std::move(delegate);
  central->queue = queue;
  std::lock_guard<std::mutex> lock(mutex_);
  centrals_.push_back(central);
  Schedule(power_on_delay_ms_ * 1000, [this, central] {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!central->alive) return;
    central->state_reported = true;
    ReportStateLocked(central);
  });
  return central;
}

void Radio::ReportStateLocked(const std::shared_ptr<CentralCore> &central) {
  const ManagerState state = adapter_on_ ? ManagerState::PoweredOn : ManagerState::PoweredOff;
  central->state.store(state);
  central->queue->Async([central, state] {
    if (!central->alive) return;
    if (auto delegate = central->delegate.lock()) delegate->centralManagerDidUpdateState(state);
  });
}

void Radio::UnregisterCentral(const std::shared_ptr<CentralCore> &central) {
  std::lock_guard<std::mutex> lock(mutex_);
  central->alive = false;
  central->scanning = false;
  centrals_.erase(std::remove(centrals_.begin(), centrals_.end(), central), centrals_.end());
  pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                [&](const Pending &p) { return p.central == central; }),
                 pending_.end());
  auto connections = connections_;
  for (auto &connection : connections) {
    if (connection->central == central) DropLocked(connection, std::nullopt, false);
  }
  central->peripherals.clear();
}

void Radio::StartScan(const std::shared_ptr<CentralCore> &central,
                      const std::vector<std::string> &filter, bool allow_duplicates) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (central->state.load() != ManagerState::PoweredOn) return;
  central->scanning = true;
  central->scan_filter.clear();
  for (const auto &uuid : filter) central->scan_filter.push_back(NormalizeUuid(uuid));
  central->allow_duplicates = allow_duplicates;
  central->reported.clear();
  Schedule(0, [this, central] {
    std::lock_guard<std::mutex> lock(mutex_);
    SweepLocked(central);
  });
  EnsureSweepLocked();
}

void Radio::StopScan(const std::shared_ptr<CentralCore> &central) {
  std::lock_guard<std::mutex> lock(mutex_);
  central->scanning = false;
}

bool Radio::IsScanning(const std::shared_ptr<CentralCore> &central) {
  std::lock_guard<std::mutex> lock(mutex_);
  return central->scanning;
}

void Radio::EnsureSweepLocked() {
  if (sweep_scheduled_) return;
  sweep_scheduled_ = true;
  Schedule(advertising_interval_ms_ * 1000, [this] {
    std::lock_guard<std::mutex> lock(mutex_);
    sweep_scheduled_ = false;
    SweepLocked(nullptr);
    for (auto &central : centrals_) {
      if (central->scanning) {
        EnsureSweepLocked();
        break;
      }
    }
  });
}

std::shared_ptr<Peripheral> Radio::ProxyLocked(const std::shared_ptr<CentralCore> &central,
                                               const std::shared_ptr<DeviceCore> &device) {
  auto &proxy = central->peripherals[device->id];
  if (!proxy) proxy = std::make_shared<Peripheral>(central, device);
  return proxy;
}

// One round of advertisements heard by the scanning centrals (or by one of them).
void Radio::SweepLocked(const std::shared_ptr<CentralCore> &only) {
  for (auto &central : centrals_) {
    if (!central->scanning || (only && central != only)) continue;
    for (auto &device : devices_) {
      if (device->connection) continue;  // a connected printer does not advertise
      const auto advertised = device->AdvertisedServices();
      if (!central->scan_filter.empty()) {
        bool match = false;
        for (const auto &uuid : advertised) match = match || Contains(central->scan_filter, uuid);
        if (!match) continue;
      }
      auto &reported = central->reported[device->id];
      if (!central->allow_duplicates && reported == device->advertisement_version) continue;
      reported = device->advertisement_version;
      AdvertisementData data;
      data.localName = device->name;
      data.manufacturerData = device->manufacturer_data;
      data.serviceUuids = advertised;
      const int rssi = device->rssi;
      auto proxy = ProxyLocked(central, device);
      central->queue->Async([central, proxy, data, rssi] {
        if (!central->alive) return;
        if (auto delegate = central->delegate.lock()) {
          delegate->centralManagerDidDiscoverPeripheral(proxy, data, rssi);
        }
      });
    }
  }
}

void Radio::Connect(const std::shared_ptr<CentralCore> &central,
                    const std::shared_ptr<Peripheral> &proxy) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!central->alive || central->state.load() != ManagerState::PoweredOn) return;
  if (proxy->state() != PeripheralState::Disconnected) return;
  proxy->setState(PeripheralState::Connecting);
  pending_.push_back({central, proxy});
  Schedule(connect_delay_ms_ * 1000, [this, proxy] { TryConnect(proxy); });
}

void Radio::RetryPendingLocked(const DeviceCore &device) {
  for (auto &pending : pending_) {
    if (pending.proxy->device().get() != &device) continue;
    auto proxy = pending.proxy;
    Schedule(connect_delay_ms_ * 1000, [this, proxy] { TryConnect(proxy); });
  }
}

void Radio::TryConnect(const std::shared_ptr<Peripheral> &proxy) {
  std::vector<std::shared_ptr<ble_sim::ServiceHandler>> handlers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::find_if(pending_.begin(), pending_.end(),
                           [&](const Pending &p) { return p.proxy == proxy; });
    if (it == pending_.end()) return;  // cancelled meanwhile
    auto central = it->central;
    auto device = proxy->device();
    // Out of range or busy with another central: the request waits, as the platform's does.
    if (!device->in_range || device->connection) return;
    pending_.erase(it);
    if (device->refuse_connections) {
      proxy->setState(PeripheralState::Disconnected);
      central->queue->Async([central, proxy] {
        if (!central->alive) return;
        if (auto delegate = central->delegate.lock()) {
          delegate->centralManagerDidFailToConnectPeripheral(proxy, &kRefused);
        }
      });
      return;
    }
    auto connection = std::make_shared<Connection>();
    connection->central = central;
    connection->proxy = proxy;
    connection->device = device;
    connection->anchor = Clock::now();
    device->connection = connection;
    ++device->stats.connections;
    connections_.push_back(connection);
    proxy->connection = connection;
    proxy->setServices({});
    proxy->setState(PeripheralState::Connected);
    central->queue->Async([central, proxy] {
      if (!central->alive) return;
      if (auto delegate = central->delegate.lock()) {
        delegate->centralManagerDidConnectPeripheral(proxy);
      }
    });
    for (auto &service : device->services) handlers.push_back(service.handler);
    changed_.notify_all();
  }
  for (auto &handler : handlers) handler->OnConnected();
}

void Radio::Cancel(const std::shared_ptr<CentralCore> &central,
                   const std::shared_ptr<Peripheral> &proxy) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = std::find_if(pending_.begin(), pending_.end(),
                         [&](const Pending &p) { return p.proxy == proxy; });
  if (it != pending_.end()) {
    pending_.erase(it);
    proxy->setState(PeripheralState::Disconnected);
    central->queue->Async([central, proxy] {
      if (!central->alive) return;
      if (auto delegate = central->delegate.lock()) {
        delegate->centralManagerDidDisconnectPeripheral(proxy, nullptr);
      }
    });
    return;
  }
  auto connection = proxy->connection.lock();
  if (!connection || !connection->alive || connection->central != central) return;
  proxy->setState(PeripheralState::Disconnecting);
  Schedule(0, [this, connection] {
    std::lock_guard<std::mutex> lock(mutex_);
    DropLocked(connection, std::nullopt, true);
  });
}

void Radio::DropLocked(std::shared_ptr<Connection> connection, std::optional<Error> error,
                       bool tell_central) {
  if (!connection->alive) return;
  connection->alive = false;
  connection->up.clear();
  connection->down.clear();
  auto device = connection->device;
  if (device->connection == connection) device->connection = nullptr;
  connections_.erase(std::remove(connections_.begin(), connections_.end(), connection),
                     connections_.end());
  auto proxy = connection->proxy;
  auto central = connection->central;
  proxy->setState(PeripheralState::Disconnected);
  proxy->connection.reset();
  if (tell_central) {
    central->queue->Async([central, proxy, error] {
      if (!central->alive) return;
      if (auto delegate = central->delegate.lock()) {
        delegate->centralManagerDidDisconnectPeripheral(proxy, error ? &*error : nullptr);
      }
    });
  }
  std::vector<std::shared_ptr<ble_sim::ServiceHandler>> handlers;
  for (auto &service : device->services) handlers.push_back(service.handler);
  Schedule(0, [handlers] {
    for (auto &handler : handlers) handler->OnDisconnected();
  });
  changed_.notify_all();
  RetryPendingLocked(*device);
}

// ---- Links ---------------------------------------------------------------------------------

void Radio::SendRequest(Peripheral &peripheral, UpPacket packet) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto connection = peripheral.connection.lock();
  if (!connection || !connection->alive) return;
  connection->up.push_back(std::move(packet));
  EnsureTickLocked(connection);
}

void Radio::Write(Peripheral &peripheral, const std::shared_ptr<Characteristic> &characteristic,
                  const Bytes &value, WriteType type) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto connection = peripheral.connection.lock();
  if (!connection || !connection->alive || !characteristic) return;
  auto &device = *connection->device;
  const bool with_response = type == WriteType::WithResponse;
  const int limit =
      with_response ? device.max_write_with_response : device.max_write_without_response;
  const uint32_t needed = with_response ? kPropertyWrite : kPropertyWriteWithoutResponse;
  std::optional<Error> refusal;
  if (static_cast<int>(value.size()) > limit || (characteristic->properties() & needed) == 0) {
    ++device.stats.writes_rejected;
    // A write without response that the link refuses is dropped without a word; a write with
    // response is answered with the error in its turn, after the requests before it.
    if (!with_response) return;
    refusal = static_cast<int>(value.size()) > limit ? kBadLength : kWriteRefused;
  }
  if (!with_response) {
    // The platform's queue is full: the write is dropped without a word, as a phone's is.
    if (connection->queued_without_response >= ble_sim::kWriteWithoutResponseQueueLength) {
      ++device.stats.writes_dropped_queue_full;
      connection->ready_wanted = true;
      return;
    }
    ++connection->queued_without_response;
  }
  UpPacket packet(UpPacket::Kind::Write);
  packet.service = characteristic->serviceUuid();
  packet.characteristic = characteristic->uuid();
  packet.flag = with_response;
  if (!refusal) packet.data = value;
  packet.refusal = refusal;
  connection->up.push_back(std::move(packet));
  EnsureTickLocked(connection);
}

bool Radio::CanSendWriteWithoutResponse(Peripheral &peripheral) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto connection = peripheral.connection.lock();
  if (!connection || !connection->alive) return false;
  if (connection->queued_without_response < ble_sim::kWriteWithoutResponseQueueLength) return true;
  connection->ready_wanted = true;
  return false;
}

// While a request waits for its answer, only writes without response (which need none) go out;
// everything else keeps its place.
std::deque<UpPacket>::iterator Radio::NextUpLocked(Connection &connection) {
  if (!connection.request_outstanding) return connection.up.begin();
  return std::find_if(connection.up.begin(), connection.up.end(),
                      [](const UpPacket &packet) { return !packet.IsRequest(); });
}

void Radio::TookUpLocked(const std::shared_ptr<Connection> &connection, const UpPacket &packet) {
  if (packet.IsRequest()) {
    connection->request_outstanding = true;
    return;
  }
  --connection->queued_without_response;
  if (!connection->ready_wanted) return;
  connection->ready_wanted = false;
  auto central = connection->central;
  auto proxy = connection->proxy;
  central->queue->Async([central, proxy] {
    if (!central->alive) return;
    if (auto delegate = proxy->delegate()) {
      delegate->peripheralIsReadyToSendWriteWithoutResponse(proxy);
    }
  });
}

void Radio::PushDownLocked(const std::shared_ptr<Connection> &connection, DownPacket packet) {
  connection->down.push_back(std::move(packet));
  EnsureTickLocked(connection);
}

// Packets move at connection events: the link's anchor plus whole intervals.
void Radio::EnsureTickLocked(const std::shared_ptr<Connection> &connection) {
  if (connection->tick_scheduled) return;
  connection->tick_scheduled = true;
  auto when = Clock::now();
  if (packets_per_interval_ > 0) {
    const auto interval = std::chrono::microseconds(interval_us_);
    const auto elapsed = when - connection->anchor;
    const auto intervals = (elapsed + interval - Clock::duration(1)) / interval;
    when = connection->anchor + intervals * interval;
  }
  At(when, [this, connection] { RunTick(connection); });
}

void Radio::RunTick(const std::shared_ptr<Connection> &connection) {
  // tick_scheduled stays set while the tick runs, so packets queued meanwhile wait for the next
  // connection event instead of starting a second tick in this one.
  std::unique_lock<std::mutex> lock(mutex_);
  const int budget = packets_per_interval_ > 0 ? packets_per_interval_ : INT_MAX;
  int up_left = budget;
  int down_left = budget;
  while (connection->alive) {
    bool moved = false;
    if (auto next = NextUpLocked(*connection); up_left > 0 && next != connection->up.end()) {
      UpPacket packet = std::move(*next);
      connection->up.erase(next);
      TookUpLocked(connection, packet);
      --up_left;
      lock.unlock();
      ProcessUp(connection, packet);
      lock.lock();
      moved = true;
    }
    if (connection->alive && down_left > 0 && !connection->down.empty() &&
        connection->down.front().not_before <= Clock::now()) {
      DownPacket packet = std::move(connection->down.front());
      connection->down.pop_front();
      --down_left;
      DeliverDownLocked(connection, std::move(packet));
      moved = true;
    }
    if (!moved) break;
  }
  if (!connection->alive ||
      (NextUpLocked(*connection) == connection->up.end() && connection->down.empty())) {
    connection->tick_scheduled = false;
  } else {
    auto next = Clock::now();
    if (packets_per_interval_ > 0) {
      const auto interval = std::chrono::microseconds(interval_us_);
      const auto elapsed = next - connection->anchor;
      next = connection->anchor + (elapsed / interval + 1) * interval;
    }
    // Only a held-back notification left: nothing moves before its time.
    if (NextUpLocked(*connection) == connection->up.end()) {
      next = std::max(next, connection->down.front().not_before);
    }
    At(next, [this, connection] { RunTick(connection); });
  }
}

// Runs on the radio thread without the lock; device code is called from here.
void Radio::ProcessUp(const std::shared_ptr<Connection> &connection, UpPacket &packet) {
  DeviceCore &device = *connection->device;
  switch (packet.kind) {
    case UpPacket::Kind::DiscoverServices: {
      std::lock_guard<std::mutex> lock(mutex_);
      DownPacket answer(DownPacket::Kind::Services);
      for (const auto &service : device.services) {
        if (!packet.filter || Contains(*packet.filter, service.uuid)) {
          answer.service_uuids.push_back(service.uuid);
        }
      }
      if (connection->alive) PushDownLocked(connection, std::move(answer));
      return;
    }
    case UpPacket::Kind::DiscoverCharacteristics: {
      std::lock_guard<std::mutex> lock(mutex_);
      DownPacket answer(DownPacket::Kind::Characteristics);
      answer.service = packet.service;
      if (const auto *service = device.FindService(packet.service)) {
        for (const auto &declared : service->characteristics) {
          if (!packet.filter || Contains(*packet.filter, declared.uuid)) {
            answer.characteristics.push_back(declared);
          }
        }
      }
      if (connection->alive) PushDownLocked(connection, std::move(answer));
      return;
    }
    case UpPacket::Kind::SetNotify: {
      std::shared_ptr<ble_sim::ServiceHandler> handler;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!connection->alive) return;
        DownPacket answer(DownPacket::Kind::NotifyState);
        answer.service = packet.service;
        answer.characteristic = packet.characteristic;
        answer.enabled = packet.flag;
        const auto *service = device.FindService(packet.service);
        const ble_sim::CharacteristicSpec *declared = nullptr;
        if (service) {
          for (const auto &c : service->characteristics) {
            if (c.uuid == packet.characteristic) declared = &c;
          }
        }
        if (!declared || (declared->properties & kPropertyNotify) == 0) {
          answer.error = kNotifyUnsupported;
        } else if (device.failing_subscriptions.count(packet.characteristic) != 0) {
          answer.error = kNotifyFailed;
        } else {
          const auto key = std::make_pair(packet.service, packet.characteristic);
          const bool was = connection->subscribed.count(key) != 0;
          if (packet.flag) {
            connection->subscribed.insert(key);
          } else {
            connection->subscribed.erase(key);
          }
          if (was != packet.flag) handler = service->handler;
        }
        // The answer goes out before anything the handler sends in reaction to it.
        PushDownLocked(connection, std::move(answer));
      }
      if (handler) handler->OnSubscriptionChanged(packet.characteristic, packet.flag);
      return;
    }
    case UpPacket::Kind::Write: {
      const bool with_response = packet.flag;
      if (packet.refusal) {
        std::lock_guard<std::mutex> lock(mutex_);
        DownPacket answer(DownPacket::Kind::WriteAck);
        answer.service = packet.service;
        answer.characteristic = packet.characteristic;
        answer.error = packet.refusal;
        if (connection->alive) PushDownLocked(connection, std::move(answer));
        return;
      }
      std::shared_ptr<ble_sim::ServiceHandler> handler;
      bool refused = false;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!connection->alive) return;
        if (!with_response && device.loss_filter) {
          const uint64_t sequence = connection->writes_without_response++;
          auto filter = device.loss_filter;
          lock.unlock();
          const bool lost = filter(sequence, packet.data.data(), packet.data.size());
          lock.lock();
          if (!connection->alive) return;
          if (lost) {
            ++device.stats.writes_lost;
            return;
          }
        } else if (!with_response) {
          ++connection->writes_without_response;
        }
        if (with_response && device.refuse_writes != 0) {
          if (device.refuse_writes > 0) --device.refuse_writes;
          refused = true;
        } else {
          const auto *service = device.FindService(packet.service);
          if (service) handler = service->handler;
          ++device.stats.writes_received;
          device.stats.bytes_received += packet.data.size();
          if (device.record_writes) {
            device.writes.push_back({packet.characteristic, packet.data, with_response});
          }
        }
      }
      bool accepted = false;
      if (handler) {
        accepted = handler->OnWrite(packet.characteristic, packet.data.data(), packet.data.size(),
                                    with_response);
      }
      std::lock_guard<std::mutex> lock(mutex_);
      if (!connection->alive) return;
      if (with_response && device.lose_acknowledgements != 0) {
        if (device.lose_acknowledgements > 0) --device.lose_acknowledgements;
        ++device.stats.acknowledgements_lost;
        Schedule(device.transaction_timeout_ms * 1000, [this, connection] {
          std::lock_guard<std::mutex> lock(mutex_);
          DropLocked(connection, kTimedOut, true);
        });
      } else if (with_response) {
        DownPacket answer(DownPacket::Kind::WriteAck);
        answer.service = packet.service;
        answer.characteristic = packet.characteristic;
        if (refused || !accepted) answer.error = kWriteRefused;
        PushDownLocked(connection, std::move(answer));
      }
      if (!refused && device.drop_after_writes > 0 && --device.drop_after_writes == 0) {
        DropLocked(connection, kTimedOut, true);
      }
      return;
    }
  }
}

void Radio::DeliverDownLocked(const std::shared_ptr<Connection> &connection, DownPacket packet) {
  // An answer frees the link for the next request.
  if (packet.kind != DownPacket::Kind::Notification) connection->request_outstanding = false;
  auto central = connection->central;
  auto proxy = connection->proxy;
  central->queue->Async([central, proxy, packet = std::move(packet)] {
    if (!central->alive) return;
    auto delegate = proxy->delegate();
    const Error *error = packet.error ? &*packet.error : nullptr;
    switch (packet.kind) {
      case DownPacket::Kind::Services: {
        std::vector<std::shared_ptr<Service>> services;
        for (const auto &uuid : packet.service_uuids) {
          auto existing = proxy->findService(uuid);
          services.push_back(existing ? existing : std::make_shared<Service>(uuid));
        }
        proxy->setServices(std::move(services));
        if (delegate) delegate->peripheralDidDiscoverServices(proxy, error);
        return;
      }
      case DownPacket::Kind::Characteristics: {
        auto service = proxy->findService(packet.service);
        if (!service) return;
        std::vector<std::shared_ptr<Characteristic>> characteristics;
        for (const auto &declared : packet.characteristics) {
          characteristics.push_back(
              std::make_shared<Characteristic>(packet.service, declared.uuid, declared.properties));
        }
        service->setCharacteristics(std::move(characteristics));
        if (delegate) {
          delegate->peripheralDidDiscoverCharacteristicsForService(proxy, service, error);
        }
        return;
      }
      case DownPacket::Kind::NotifyState: {
        auto characteristic = proxy->findCharacteristic(packet.service, packet.characteristic);
        if (!characteristic) return;
        if (!error) characteristic->setNotifying(packet.enabled);
        if (delegate) {
          delegate->peripheralDidUpdateNotificationStateForCharacteristic(proxy, characteristic,
                                                                          error);
        }
        return;
      }
      case DownPacket::Kind::WriteAck: {
        auto characteristic = proxy->findCharacteristic(packet.service, packet.characteristic);
        if (!characteristic) return;
        if (delegate) {
          delegate->peripheralDidWriteValueForCharacteristic(proxy, characteristic, error);
        }
        return;
      }
      case DownPacket::Kind::Notification: {
        auto characteristic = proxy->findCharacteristic(packet.service, packet.characteristic);
        if (!characteristic) return;
        if (!error) characteristic->setValue(packet.data);
        if (delegate) {
          delegate->peripheralDidUpdateValueForCharacteristic(proxy, characteristic, error);
        }
        return;
      }
    }
  });
}

}  // namespace velmora::platform::ble
