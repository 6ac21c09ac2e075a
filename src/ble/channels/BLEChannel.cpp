#include "ble/channels/BLEChannel.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "ble/PrinterAddress.h"
#include "platform/ApplicationClosure.h"
#include "platform/Log.h"

namespace velmora::ble {

using platform::logf;
using platform::ble::ManagerState;
using platform::ble::NormalizeUuid;
using platform::ble::PeripheralState;
using platform::ble::WriteType;

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kPause = std::chrono::milliseconds(1);

Clock::time_point DeadlineIn(int ms) {
  return Clock::now() + std::chrono::milliseconds(ms);
}
bool TimeLeft(Clock::time_point deadline) {
  return Clock::now() < deadline;
}

// "%@" of a missing object prints as "(null)".
std::string Text(const std::optional<std::string> &text) {
  return text ? *text : "(null)";
}
}  // namespace

BLEChannel::BLEChannel(Traits traits) : traits_(std::move(traits)) {
  myCMQueue_ = platform::ble::DispatchQueue::Create(traits_.queue_label, traits_.queue_kind,
                                                    traits_.qos, traits_.relative_priority);
  listenerQueue_ = platform::ble::DispatchQueue::Create(traits_.queue_label + ".listeners",
                                                        platform::ble::DispatchQueue::Kind::Serial,
                                                        traits_.qos, traits_.relative_priority);
}

void BLEChannel::Init() {
  platform::ble::CentralManagerOptions options;
  options.showPowerAlert = true;
  options.restoreIdentifier = "1";  // the boolean number YES
  myCentralManager_ = platform::ble::CentralManager::Create(
      std::weak_ptr<platform::ble::CentralManagerDelegate>(shared_from_this()), myCMQueue_,
      options);
}

// The central goes first (it ends the links and stops the callbacks), then the queue.
BLEChannel::~BLEChannel() {
  myCentralManager_.reset();
}

// ---- Members -------------------------------------------------------------------------------

std::shared_ptr<Peripheral> BLEChannel::myCBPeripheral() const {
  std::lock_guard<std::mutex> lock(members_mutex_);
  return myCBPeripheral_;
}

void BLEChannel::setMyCBPeripheral(std::shared_ptr<Peripheral> peripheral) {
  std::lock_guard<std::mutex> lock(members_mutex_);
  myCBPeripheral_ = std::move(peripheral);
}

std::shared_ptr<Characteristic> BLEChannel::myCBWriteCharacteristic() const {
  std::lock_guard<std::mutex> lock(members_mutex_);
  return myCBWriteCharacteristic_;
}

void BLEChannel::setMyCBWriteCharacteristic(std::shared_ptr<Characteristic> characteristic) {
  std::lock_guard<std::mutex> lock(members_mutex_);
  myCBWriteCharacteristic_ = std::move(characteristic);
}

std::shared_ptr<Characteristic> BLEChannel::myCBReadCharacteristic() const {
  std::lock_guard<std::mutex> lock(members_mutex_);
  return myCBReadCharacteristic_;
}

void BLEChannel::setMyCBReadCharacteristic(std::shared_ptr<Characteristic> characteristic) {
  std::lock_guard<std::mutex> lock(members_mutex_);
  myCBReadCharacteristic_ = std::move(characteristic);
}

bool BLEChannel::CharacteristicsSet() const {
  std::lock_guard<std::mutex> lock(members_mutex_);
  return myCBWriteCharacteristic_ && myCBReadCharacteristic_;
}

void BLEChannel::ClearCharacteristics() {
  std::lock_guard<std::mutex> lock(members_mutex_);
  myCBWriteCharacteristic_.reset();
  myCBReadCharacteristic_.reset();
}

bool BLEChannel::CentralPoweredOn() const {
  return myCentralManager_ && myCentralManager_->state() == ManagerState::PoweredOn;
}

void BLEChannel::LowerToWriteLimits(const std::shared_ptr<Peripheral> &peripheral,
                                    const std::shared_ptr<Characteristic> &characteristic,
                                    const std::function<void(int)> &lower) {
  if (characteristic->properties() & platform::ble::kPropertyWrite) {
    const int length = peripheral->maximumWriteValueLength(WriteType::WithResponse);
    lower(length);
    logf("maximumWriteValueLength With Response:%ld", static_cast<long>(length));
  }
  if (characteristic->properties() & platform::ble::kPropertyWriteWithoutResponse) {
    const int length = peripheral->maximumWriteValueLength(WriteType::WithoutResponse);
    lower(length);
    logf("maximumWriteValueLength Without Response:%ld", static_cast<long>(length));
  }
}

std::vector<std::shared_ptr<PeripheralInfo>> BLEChannel::discoveredPrinters() const {
  std::lock_guard<std::mutex> lock(arrayPeripheralInfoLocker_);
  return arrayPeripehralInfo_;
}

// ---- Scanning ------------------------------------------------------------------------------

bool BLEChannel::waitForCBCentralManagerStatePoweredOn(int timeout_ms) {
  const auto deadline = DeadlineIn(timeout_ms);
  while (TimeLeft(deadline)) {
    if (CentralPoweredOn()) break;
    std::this_thread::sleep_for(kPause);
  }
  return CentralPoweredOn();
}

bool BLEChannel::scanPeripheral(PeripheralDiscoveredEvent peripheral_discovered_event,
                                SimpleDiscoveredEvent simple_discovered_event,
                                const void *private_data) {
  {
    std::lock_guard<std::mutex> lock(discovery_mutex_);
    peripheral_discovered_event_ = peripheral_discovered_event;
    simple_discovered_event_ = simple_discovered_event;
    private_data_ = private_data;
  }
  {
    std::lock_guard<std::mutex> lock(arrayPeripheralInfoLocker_);
    arrayPeripehralInfo_.clear();
  }
  return private_scan();
}

bool BLEChannel::private_scan() {
  waitForCBCentralManagerStatePoweredOn(kPowerOnWaitMs);
  if (!CentralPoweredOn()) return false;
  {
    // Every scan reports through the callbacks stored last, also one an open starts by itself.
    std::lock_guard<std::mutex> lock(discovery_mutex_);
    discovery_on_ = !discovery_ended_;
  }
  logf("Start Scan");
  myCentralManager_->scanForPeripherals(ScanServiceFilter(), {});
  return true;
}

void BLEChannel::stopScan() {
  logf("Stop Scan");
  myCentralManager_->stopScan();
  // Advertisements heard before the stop may still be on their way to the caller.
  SilenceDiscoveryCallbacks();
}

void BLEChannel::EndDiscoveryCallbacks() {
  {
    std::lock_guard<std::mutex> lock(discovery_mutex_);
    discovery_ended_ = true;
  }
  SilenceDiscoveryCallbacks();
}

void BLEChannel::SilenceDiscoveryCallbacks() {
  std::unique_lock<std::mutex> lock(discovery_mutex_);
  discovery_on_ = false;
  const auto self = std::this_thread::get_id();
  if (std::find(discovery_threads_.begin(), discovery_threads_.end(), self) !=
      discovery_threads_.end()) {
    return;
  }
  discovery_done_.wait(lock, [&] { return discovery_threads_.empty(); });
}

std::shared_ptr<Peripheral> BLEChannel::FindPeripheralBy(const std::string &address) {
  std::lock_guard<std::mutex> lock(arrayPeripheralInfoLocker_);
  for (const auto &info : arrayPeripehralInfo_) {
    if (info->address() == address) return info->peripheral();
  }
  return nullptr;
}

void BLEChannel::centralManagerDidDiscoverPeripheral(
    const std::shared_ptr<Peripheral> &peripheral,
    const platform::ble::AdvertisementData &advertisement, int rssi) {
  const auto address = PrinterAddressFromManufacturerData(advertisement.manufacturerData);
  bool listed_before = false;
  {
    std::lock_guard<std::mutex> lock(arrayPeripheralInfoLocker_);
    for (const auto &info : arrayPeripehralInfo_) {
      if (info->peripheral() == peripheral) listed_before = true;
    }
    if (!listed_before && address) {
      arrayPeripehralInfo_.push_back(std::make_shared<PeripheralInfo>(peripheral, *address));
    }
  }
  const auto name = peripheral->name();
  if (!listed_before) LogNewSighting(Text(name).c_str(), Text(address).c_str());
  // The caller's callbacks run on a queue of their own, so one that blocks (or opens the printer
  // it was told about) never holds up the link events behind it on the channel's queue.
  if (waitingSightings_.fetch_add(1) >= kMaxWaitingSightings) {
    --waitingSightings_;
    return;
  }
  std::weak_ptr<BLEChannel> weak = shared_from_this();
  listenerQueue_->Async([weak, peripheral, name, address, rssi] {
    auto channel = weak.lock();
    if (!channel) return;
    --channel->waitingSightings_;
    channel->ReportSighting(peripheral, name, address, rssi);
  });
}

void BLEChannel::ReportSighting(const std::shared_ptr<Peripheral> &peripheral,
                                const std::optional<std::string> &name,
                                const std::optional<std::string> &address, int rssi) {
  SimpleDiscoveredEvent simple;
  PeripheralDiscoveredEvent discovered;
  const void *private_data;
  const auto self = std::this_thread::get_id();
  {
    std::lock_guard<std::mutex> lock(discovery_mutex_);
    if (!discovery_on_) return;
    simple = simple_discovered_event_;
    discovered = peripheral_discovered_event_;
    private_data = private_data_;
    discovery_threads_.push_back(self);
  }
  if (address) {
    platform::CallApplicationClosure(simple, name ? name->c_str() : nullptr, address->c_str(),
                                     private_data);
  }
  platform::CallApplicationClosure(discovered, peripheral.get(), name ? name->c_str() : nullptr,
                                   address ? address->c_str() : nullptr, rssi, private_data);
  {
    std::lock_guard<std::mutex> lock(discovery_mutex_);
    discovery_threads_.erase(std::find(discovery_threads_.begin(), discovery_threads_.end(), self));
  }
  discovery_done_.notify_all();
}

// ---- Opening -------------------------------------------------------------------------------

bool BLEChannel::OpenAddress(const std::string &address) {
  auto peripheral = FindPeripheralBy(address);
  if (!peripheral) {
    private_scan();
    const auto deadline = DeadlineIn(kAddressSearchMs);
    while (TimeLeft(deadline)) {
      peripheral = FindPeripheralBy(address);
      if (peripheral) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(kAddressPollMs));
    }
  }
  if (!peripheral) {
    logf("No peripheral %s", address.c_str());
    return false;
  }
  return Open(peripheral);
}

bool BLEChannel::OpenReported(const void *peripheral) {
  return Open(myCentralManager_->peripheralForHandle(peripheral));
}

bool BLEChannel::Open(const std::shared_ptr<Peripheral> &peripheral) {
  if (!peripheral) {
    logf("peripheral null");
    return false;
  }
  waitForCBCentralManagerStatePoweredOn(kPowerOnWaitMs);
  if (!CentralPoweredOn()) {
    logf("Maybe Not PoweredOn");
    return false;
  }
  const auto name = Text(peripheral->name());
  if (peripheral->state() != PeripheralState::Disconnected) {
    logf("Open failed. %s state %d.", name.c_str(), static_cast<int>(peripheral->state()));
    return false;
  }
  stopScan();
  logf("Connecting %s %p", name.c_str(), static_cast<const void *>(peripheral.get()));
  const auto deadline = DeadlineIn(kOpenMs);
  while (TimeLeft(deadline)) {
    if (!CentralPoweredOn()) break;
    if (BaseOpen(peripheral)) break;
    std::this_thread::sleep_for(kPause);
  }
  return isOpened_.load();
}

void BLEChannel::ForgetConnection() {
  ClearCharacteristics();
  setMyCBPeripheral(nullptr);
  rxBuffer_.clear();
  ResetReceiveState();
  isOpened_ = false;
}

bool BLEChannel::IsOwn(const std::shared_ptr<Peripheral> &peripheral) const {
  std::lock_guard<std::mutex> lock(members_mutex_);
  return peripheral && peripheral == target_;
}

bool BLEChannel::BaseOpen(const std::shared_ptr<Peripheral> &peripheral) {
  // After a dropped link the old connection's characteristics are still set; left there they
  // would make this attempt look ready at once.
  ForgetConnection();
  {
    std::lock_guard<std::mutex> lock(members_mutex_);
    target_ = peripheral;
  }
  isOpening_ = true;
  BeforeConnect();
  myCentralManager_->connectPeripheral(peripheral);
  auto deadline = DeadlineIn(kAttemptMs);
  while (TimeLeft(deadline)) {
    if (!CentralPoweredOn()) break;
    if (!isOpening_.load()) break;
    if (IsReady()) break;
    std::this_thread::sleep_for(kPause);
  }
  if (CharacteristicsSet()) {
    // The link must stay up for a moment before the channel counts as open.
    deadline = DeadlineIn(kLinkCheckMs);
    while (TimeLeft(deadline)) {
      if (!CentralPoweredOn()) break;
      if (peripheral->state() != PeripheralState::Connected) {
        ClearCharacteristics();
        break;
      }
      std::this_thread::sleep_for(kPause);
    }
  }
  if (CharacteristicsSet()) {
    isOpened_ = true;
    return true;
  }
  myCentralManager_->cancelPeripheralConnection(peripheral);
  deadline = DeadlineIn(kDisconnectWaitMs);
  while (TimeLeft(deadline) && peripheral->state() != PeripheralState::Disconnected &&
         CentralPoweredOn()) {
    std::this_thread::sleep_for(kPause);
  }
  return isOpened_.load();
}

void BLEChannel::Close() {
  auto peripheral = myCBPeripheral();
  if (myCentralManager_ && peripheral) {
    myCentralManager_->cancelPeripheralConnection(peripheral);
    const auto deadline = DeadlineIn(kDisconnectWaitMs);
    while (TimeLeft(deadline) && isConnected_.load()) std::this_thread::sleep_for(kPause);
  }
  {
    // Whatever a link still delivers is no longer the channel's.
    std::lock_guard<std::mutex> lock(members_mutex_);
    target_.reset();
  }
  if (!peripheral) return;
  isConnected_ = false;
  ForgetConnection();
}

// ---- Reading and writing -------------------------------------------------------------------

int BLEChannel::Read(uint8_t *buffer, int offset, int count, int timeout_ms) {
  auto peripheral = myCBPeripheral();
  if (!peripheral || !myCBReadCharacteristic()) return -1;
  if (peripheral->state() != PeripheralState::Connected) return -1;
  if (offset < 0 || count < 0 || (!buffer && count > 0)) return -1;
  if (count == 0) return 0;
  int n = 0;
  const auto deadline = readClock_->Now() + std::chrono::milliseconds(timeout_ms);
  while (readClock_->Now() < deadline) {
    if (!isConnected_.load()) return -1;
    // One byte per pass, as the poll always went.
    if (!rxBuffer_.isEmpty()) buffer[offset + n++] = rxBuffer_.getByte();
    if (n >= count) break;
    readClock_->Sleep(kPause);
  }
  return n;
}

// The platform's own state of the printer counts too: it changes as the link drops, before the
// disconnection reaches the channel's queue.
bool BLEChannel::IsLinkUp() const {
  if (!isConnected_.load() || linkFailed_.load() || !myCBWriteCharacteristic()) return false;
  auto peripheral = myCBPeripheral();
  return peripheral && peripheral->state() == PeripheralState::Connected;
}

void BLEChannel::EndFailedLink() {
  linkFailed_ = true;
  isOpened_ = false;
  answers_.Wake();
  auto peripheral = myCBPeripheral();
  if (!peripheral) return;
  myCentralManager_->cancelPeripheralConnection(peripheral);
  // Gone when this returns, as after Close, so that the printer may be opened again at once.
  const auto deadline = DeadlineIn(kDisconnectWaitMs);
  while (TimeLeft(deadline) && isConnected_.load()) std::this_thread::sleep_for(kPause);
}

int BLEChannel::WritePack(bool with_response, const uint8_t *data, int count, int timeout_ms) {
  auto peripheral = myCBPeripheral();
  auto characteristic = myCBWriteCharacteristic();
  if (!peripheral || !characteristic || !isConnected_.load()) return -1;
  if (peripheral->state() != PeripheralState::Connected) return -1;
  if (count < 0 || (!data && count > 0)) return -1;
  const auto deadline = DeadlineIn(timeout_ms);
  if (!with_response) {
    // The platform drops a write without response while its queue is full: wait for room.
    const auto room_deadline = timeout_ms > 0 ? deadline : DeadlineIn(kWriteRoomWaitMs);
    while (!peripheral->canSendWriteWithoutResponse()) {
      if (!isConnected_.load()) return -1;
      if (!TimeLeft(room_deadline)) return 0;
      std::unique_lock<std::mutex> lock(respone_mutex_);
      responeCondition_.wait_until(lock, std::min(room_deadline, Clock::now() + kPause));
    }
  }
  const platform::ble::Bytes value(data, data + count);
  if (with_response) {
    const uint64_t write = answers_.Sent();
    peripheral->writeValue(value, characteristic, WriteType::WithResponse);
    return AnswerOf(write, count, deadline);
  }
  peripheral->writeValue(value, characteristic, WriteType::WithoutResponse);
  if (timeout_ms <= 0) return count;
  // Nothing answers a write without response: its time only paces the writer.
  while (TimeLeft(deadline)) {
    if (!isConnected_.load()) return -1;
    std::unique_lock<std::mutex> lock(respone_mutex_);
    responeCondition_.wait_until(lock, std::min(deadline, Clock::now() + kPause));
  }
  return isConnected_.load() ? count : -1;
}

int BLEChannel::AnswerOf(uint64_t write, int count, Clock::time_point deadline) {
  return answers_.ResultOf(write, count, deadline, [this] { return isConnected_.load(); });
}

bool BLEChannel::WritePending() const {
  return answers_.LatestPending();
}

int BLEChannel::AwaitPendingWrite(int count, int timeout_ms) {
  if (!isConnected_.load()) return -1;
  return AnswerOf(answers_.Latest(), count, DeadlineIn(std::max(0, timeout_ms)));
}

int BLEChannel::WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) {
  return WritePack(true, data, count, timeout_ms);
}

int BLEChannel::WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) {
  return WritePack(false, data, count, timeout_ms);
}

int BLEChannel::writePackWithResponse(const uint8_t *buffer, int offset, int count,
                                      int timeout_ms) {
  if (!buffer || offset < 0) return -1;
  return WritePack(true, buffer + offset, count, timeout_ms);
}

int BLEChannel::writePackWithoutResponse(const uint8_t *buffer, int offset, int count,
                                         int timeout_ms) {
  if (!buffer || offset < 0) return -1;
  return WritePack(false, buffer + offset, count, timeout_ms);
}

// ---- Callbacks -----------------------------------------------------------------------------

void BLEChannel::centralManagerDidUpdateState(ManagerState state) {
  if (state == ManagerState::PoweredOn) {
    logf("CentralManager powered on");
  } else {
    logf("CentralManager not powered on");
    OnCentralNotPoweredOn();
  }
}

void BLEChannel::centralManagerWillRestoreState() {
  logf("willRestoreState");
}

void BLEChannel::centralManagerDidConnectPeripheral(const std::shared_ptr<Peripheral> &peripheral) {
  if (!IsOwn(peripheral)) {
    // A connection the channel no longer wants (an earlier open's): one printer at a time.
    myCentralManager_->cancelPeripheralConnection(peripheral);
    return;
  }
  logf("Peripheral connected");
  answers_.Restart();
  linkFailed_ = false;
  isConnected_ = true;
  peripheral->setDelegate(std::weak_ptr<platform::ble::PeripheralDelegate>(shared_from_this()));
  logf("Discovering services");
  peripheral->discoverServices(ServiceDiscoveryFilter());
}

void BLEChannel::centralManagerDidFailToConnectPeripheral(
    const std::shared_ptr<Peripheral> &peripheral, const platform::ble::Error *error) {
  logf("Failed to connect %s\n%s\n", Text(peripheral->name()).c_str(),
       error ? error->description.c_str() : "(null)");
  if (!IsOwn(peripheral)) return;
  isOpening_ = false;
}

void BLEChannel::centralManagerDidDisconnectPeripheral(
    const std::shared_ptr<Peripheral> &peripheral, const platform::ble::Error *) {
  logf("Peripheral disconnected %p", static_cast<const void *>(peripheral.get()));
  if (!IsOwn(peripheral)) return;
  isConnected_ = false;
  isOpening_ = false;
  answers_.Wake();
}

void BLEChannel::peripheralDidDiscoverServices(const std::shared_ptr<Peripheral> &peripheral,
                                               const platform::ble::Error *error) {
  if (!IsOwn(peripheral)) return;
  const auto services = peripheral->services();
  if (error) {
    logf("Service discovery was unsuccessful\n%s\n", error->description.c_str());
  } else {
    logf("Discovered %ld service\n", static_cast<long>(services.size()));
  }
  std::shared_ptr<Service> taken;
  for (const auto &service : services) {
    const std::string uuid = NormalizeUuid(service->uuid());
    if (LogsEachService()) logf("Discovered service uuid %s", uuid.c_str());
    if (uuid == serviceUuid()) {
      taken = service;
      break;
    }
  }
  if (!taken) return;
  logf("Discovering character");
  peripheral->discoverCharacteristics(CharacteristicDiscoveryFilter(), taken);
}

void BLEChannel::peripheralDidDiscoverCharacteristicsForService(
    const std::shared_ptr<Peripheral> &peripheral, const std::shared_ptr<Service> &service,
    const platform::ble::Error *error) {
  if (!IsOwn(peripheral)) return;
  const auto characteristics = service->characteristics();
  if (error) {
    logf("Characteristics discovery was unsuccessful\n%s\n", error->description.c_str());
  } else {
    logf("Discovered %ld characteristics for service %s\n",
         static_cast<long>(characteristics.size()), service->uuid().c_str());
  }
  for (const auto &characteristic : characteristics) {
    logf("Discovered characteristic uuid %s\n", characteristic->uuid().c_str());
    MatchCharacteristic(peripheral, characteristic);
  }
}

void BLEChannel::peripheralDidWriteValueForCharacteristic(
    const std::shared_ptr<Peripheral> &peripheral,
    const std::shared_ptr<Characteristic> &characteristic, const platform::ble::Error *error) {
  if (!IsOwn(peripheral)) return;
  if (error) {
    logf("Error writing characteristic value: %s, characteristic %s %s",
         error->localizedDescription.c_str(), UuidWord(), characteristic->uuid().c_str());
  }
  answers_.Received(error == nullptr);
}

void BLEChannel::peripheralIsReadyToSendWriteWithoutResponse(const std::shared_ptr<Peripheral> &) {
  std::lock_guard<std::mutex> lock(respone_mutex_);
  responeCondition_.notify_all();
}

void BLEChannel::peripheralDidUpdateNotificationStateForCharacteristic(
    const std::shared_ptr<Peripheral> &peripheral,
    const std::shared_ptr<Characteristic> &characteristic, const platform::ble::Error *error) {
  if (!IsOwn(peripheral)) return;
  if (error) {
    logf("Error changing notification state: %s, characteristic %s %s",
         error->localizedDescription.c_str(), UuidWord(), characteristic->uuid().c_str());
    return;
  }
  OnNotificationsOn(peripheral, characteristic);
}

void BLEChannel::peripheralDidUpdateValueForCharacteristic(
    const std::shared_ptr<Peripheral> &peripheral,
    const std::shared_ptr<Characteristic> &characteristic, const platform::ble::Error *error) {
  if (!IsOwn(peripheral)) return;
  if (error) {
    logf("Error on UpdateValueForCharacteristic");
    return;
  }
  OnValue(characteristic, characteristic->value());
}

}  // namespace velmora::ble
