#include "ble/MBCentralManagerProxy.h"

#include <algorithm>
#include <chrono>

#include "ble/PrinterAddress.h"
#include "platform/Clock.h"
#include "platform/Log.h"

namespace velmora::ble {

using platform::ble::ManagerState;

namespace {
constexpr auto kPollSlice = std::chrono::milliseconds(1);
}  // namespace

std::shared_ptr<MBCentralManagerProxy> MBCentralManagerProxy::Shared() {
  // Never destroyed: its queues and the radio's callbacks may outlive static destruction.
  static auto *shared = [] {
    auto *proxy = new std::shared_ptr<MBCentralManagerProxy>(new MBCentralManagerProxy());
    (*proxy)->Init();
    return proxy;
  }();
  return *shared;
}

MBCentralManagerProxy::MBCentralManagerProxy()
    : queue_(platform::ble::DispatchQueue::Create("com.velmora.ble.MBCentralManagerProxy",
                                                  platform::ble::DispatchQueue::Kind::Serial,
                                                  platform::ble::kQosDefault, 0)),
      listener_queue_(platform::ble::DispatchQueue::Create(
          "com.velmora.ble.MBCentralManagerProxy.listeners",
          platform::ble::DispatchQueue::Kind::Serial, platform::ble::kQosDefault, 0)) {}

void MBCentralManagerProxy::Init() {
  central_ = platform::ble::CentralManager::Create(
      std::weak_ptr<platform::ble::CentralManagerDelegate>(shared_from_this()), queue_, {});
}

ManagerState MBCentralManagerProxy::state() const {
  return central_->state();
}

bool MBCentralManagerProxy::WaitForPoweredOn(int64_t deadline_ms,
                                             const std::function<bool()> &give_up) {
  std::unique_lock<std::mutex> lock(state_mutex_);
  for (;;) {
    const ManagerState now = central_->state();
    if (now == ManagerState::PoweredOn) return true;
    // Unknown and resetting are passing states; any other answer is final for this call.
    if (now != ManagerState::Unknown && now != ManagerState::Resetting) return false;
    if (platform::steadyMs() >= deadline_ms || (give_up && give_up())) return false;
    state_changed_.wait_for(lock, kPollSlice);
  }
}

// ---- Scanning ------------------------------------------------------------------------------

void MBCentralManagerProxy::HoldScan() {
  std::lock_guard<std::mutex> lock(scan_mutex_);
  if (scan_holders_++ == 0) central_->scanForPeripherals({}, {true});
}

void MBCentralManagerProxy::ReleaseScan() {
  std::lock_guard<std::mutex> lock(scan_mutex_);
  if (--scan_holders_ == 0) central_->stopScan();
}

int MBCentralManagerProxy::AddScanListener(ScanListener listener) {
  if (state() != ManagerState::PoweredOn || !listener) return 0;
  int number;
  {
    std::lock_guard<std::recursive_mutex> lock(listener_mutex_);
    number = ++last_scan_number_;
    listeners_[number] = std::make_shared<ScanListener>(std::move(listener));
  }
  HoldScan();
  return number;
}

void MBCentralManagerProxy::RemoveScanListener(int scan_number) {
  bool removed;
  {
    std::lock_guard<std::recursive_mutex> lock(listener_mutex_);
    removed = listeners_.erase(scan_number) > 0;
  }
  if (removed) ReleaseScan();
}

void MBCentralManagerProxy::DeliverToListeners(const BleSighting &sighting) {
  std::lock_guard<std::recursive_mutex> lock(listener_mutex_);
  // A listener may add or remove listeners (the lock is recursive): walk a copy.
  const auto listeners = listeners_;
  for (const auto &[number, listener] : listeners) {
    if (listeners_.count(number) != 0) (*listener)(sighting);
  }
}

std::shared_ptr<Peripheral> MBCentralManagerProxy::FindPrinter(const std::string &address,
                                                               int64_t deadline_ms) {
  const int64_t start = platform::steadyMs();
  {
    std::lock_guard<std::mutex> lock(printers_mutex_);
    auto it = printers_.find(address);
    if (it != printers_.end() && start - it->second.at_ms <= kFreshSightingMs) {
      return it->second.peripheral;
    }
  }
  // Heard long ago, or never: it may have gone, or be another device by now.
  if (!WaitForPoweredOn(deadline_ms)) return nullptr;
  HoldScan();
  std::shared_ptr<Peripheral> found;
  {
    std::unique_lock<std::mutex> lock(printers_mutex_);
    while (platform::steadyMs() < deadline_ms) {
      auto it = printers_.find(address);
      if (it != printers_.end() && it->second.at_ms >= start) {
        found = it->second.peripheral;
        break;
      }
      printers_changed_.wait_for(lock, kPollSlice);
    }
  }
  ReleaseScan();
  return found;
}

// ---- Connections ---------------------------------------------------------------------------

bool MBCentralManagerProxy::Claim(const std::shared_ptr<Peripheral> &peripheral,
                                  const std::shared_ptr<BleConnectionEvents> &owner) {
  std::lock_guard<std::mutex> lock(owners_mutex_);
  auto &slot = owners_[peripheral.get()];
  if (!slot.expired()) return false;
  slot = owner;
  return true;
}

void MBCentralManagerProxy::Unclaim(const std::shared_ptr<Peripheral> &peripheral,
                                    const BleConnectionEvents *owner) {
  std::lock_guard<std::mutex> lock(owners_mutex_);
  auto it = owners_.find(peripheral.get());
  if (it == owners_.end()) return;
  auto current = it->second.lock();
  if (!current || current.get() == owner) owners_.erase(it);
}

std::shared_ptr<BleConnectionEvents> MBCentralManagerProxy::OwnerOf(const Peripheral *peripheral) {
  std::lock_guard<std::mutex> lock(owners_mutex_);
  auto it = owners_.find(peripheral);
  return it == owners_.end() ? nullptr : it->second.lock();
}

void MBCentralManagerProxy::Connect(const std::shared_ptr<Peripheral> &peripheral) {
  central_->connectPeripheral(peripheral);
}

void MBCentralManagerProxy::CancelConnection(const std::shared_ptr<Peripheral> &peripheral) {
  central_->cancelPeripheralConnection(peripheral);
}

// ---- Callbacks -----------------------------------------------------------------------------

void MBCentralManagerProxy::centralManagerDidUpdateState(ManagerState state) {
  { std::lock_guard<std::mutex> lock(state_mutex_); }
  state_changed_.notify_all();
  if (state != ManagerState::PoweredOn) return;
  // Powering off ended the scan; pick it up again for those still waiting on it.
  std::lock_guard<std::mutex> lock(scan_mutex_);
  if (scan_holders_ > 0) central_->scanForPeripherals({}, {true});
}

void MBCentralManagerProxy::centralManagerDidDiscoverPeripheral(
    const std::shared_ptr<Peripheral> &peripheral,
    const platform::ble::AdvertisementData &advertisement, int rssi) {
  BleSighting sighting;
  sighting.peripheral = peripheral;
  sighting.name = peripheral->name();
  if (!sighting.name) sighting.name = advertisement.localName;
  sighting.address = PrinterAddressFromManufacturerData(advertisement.manufacturerData);
  sighting.rssi = rssi;
  if (sighting.address) {
    {
      std::lock_guard<std::mutex> lock(printers_mutex_);
      printers_[*sighting.address] = {peripheral, platform::steadyMs()};
    }
    printers_changed_.notify_all();
  }
  // Listeners run on a queue of their own, so one that blocks (or opens a port) never holds up
  // the link events of the ports.
  if (waiting_sightings_.fetch_add(1) >= kMaxWaitingSightings) {
    --waiting_sightings_;
    return;
  }
  listener_queue_->Async([self = shared_from_this(), sighting = std::move(sighting)] {
    --self->waiting_sightings_;
    self->DeliverToListeners(sighting);
  });
}

void MBCentralManagerProxy::centralManagerDidConnectPeripheral(
    const std::shared_ptr<Peripheral> &peripheral) {
  if (auto owner = OwnerOf(peripheral.get())) {
    owner->OnLinkConnected(peripheral);
  } else {
    // Nobody waits for this link any more.
    central_->cancelPeripheralConnection(peripheral);
  }
}

void MBCentralManagerProxy::centralManagerDidFailToConnectPeripheral(
    const std::shared_ptr<Peripheral> &peripheral, const platform::ble::Error *error) {
  platform::logf("Failed to connect %s", error ? error->localizedDescription.c_str() : "");
  if (auto owner = OwnerOf(peripheral.get())) owner->OnLinkFailed(peripheral, error);
}

void MBCentralManagerProxy::centralManagerDidDisconnectPeripheral(
    const std::shared_ptr<Peripheral> &peripheral, const platform::ble::Error *error) {
  if (auto owner = OwnerOf(peripheral.get())) owner->OnLinkDisconnected(peripheral, error);
}

}  // namespace velmora::ble
