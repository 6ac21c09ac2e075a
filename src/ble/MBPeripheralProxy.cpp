#include "ble/MBPeripheralProxy.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "ble/PrinterAddress.h"
#include "platform/Clock.h"
#include "platform/Log.h"

namespace velmora::ble {

using platform::logf;
using platform::ble::NormalizeUuid;
using platform::ble::PeripheralState;
using platform::ble::WriteType;

namespace {
constexpr auto kPollSlice = std::chrono::milliseconds(1);
constexpr auto kRetryPause = std::chrono::milliseconds(20);
}  // namespace

std::vector<BleProtocol> ProtocolsOf(BlePortKind kind) {
  switch (kind) {
    case BlePortKind::V1:
      return {BleProtocol::V1};
    case BlePortKind::V2:
      return {BleProtocol::V2};
    case BlePortKind::V3:
      return {BleProtocol::V3};
    case BlePortKind::VA:
      // Credits keep the printer's buffer from overflowing without a resend round, groups at
      // least confirm every packet, the basic layout acknowledges each packet alone.
      return {BleProtocol::V3, BleProtocol::V2, BleProtocol::V1};
  }
  return {};
}

std::shared_ptr<MBPeripheralProxy> MBPeripheralProxy::Create(BlePortKind kind) {
  return std::shared_ptr<MBPeripheralProxy>(new MBPeripheralProxy(kind));
}

MBPeripheralProxy::MBPeripheralProxy(BlePortKind kind)
    : protocols_(ProtocolsOf(kind)), central_(MBCentralManagerProxy::Shared()) {}

MBPeripheralProxy::~MBPeripheralProxy() {
  Close();
}

std::shared_ptr<MBProtocolHandler> MBPeripheralProxy::handler() const {
  std::lock_guard<std::mutex> lock(handler_mutex_);
  return handler_;
}

std::shared_ptr<Peripheral> MBPeripheralProxy::peripheral() const {
  std::lock_guard<std::mutex> lock(handler_mutex_);
  return peripheral_;
}

std::optional<BleProtocol> MBPeripheralProxy::protocol() const {
  auto current = handler();
  if (!current) return std::nullopt;
  return current->protocol();
}

ProtoV2Engine *MBPeripheralProxy::protoV2() const {
  auto current = handler();
  return current ? current->protoV2() : nullptr;
}

void MBPeripheralProxy::SetAttempt(Attempt attempt) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // The first outcome of an attempt stands.
    if (attempt_ == Attempt::Running) attempt_ = attempt;
  }
  changed_.notify_all();
}

// ---- Opening and closing -------------------------------------------------------------------

bool MBPeripheralProxy::Open(const std::string &address) {
  if (claimed_.load() || opened_.load()) return false;
  const auto wanted = NormalizedPrinterAddress(address);
  if (!wanted) {
    logf("Not a printer address: %s", address.c_str());
    return false;
  }
  if (!central_->WaitForPoweredOn(platform::steadyMs() + kPowerOnWaitMs)) {
    logf("Bluetooth is not powered on");
    return false;
  }
  auto found = central_->FindPrinter(*wanted, platform::steadyMs() + kAddressSearchMs);
  if (!found) {
    logf("No peripheral %s", wanted->c_str());
    return false;
  }
  if (!central_->Claim(found, shared_from_this())) {
    logf("Peripheral %s is in use", wanted->c_str());
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(handler_mutex_);
    peripheral_ = found;
  }
  claimed_ = true;

  const int64_t deadline = platform::steadyMs() + kConnectMs;
  for (int attempt = 0; attempt < kConnectAttempts && platform::steadyMs() < deadline; ++attempt) {
    const Attempt outcome = Connect(found, deadline);
    if (outcome == Attempt::Ready) {
      opened_ = true;
      return true;
    }
    EndLink(found);
    if (outcome == Attempt::NoProtocol) break;
    std::this_thread::sleep_for(kRetryPause);
  }
  central_->Unclaim(found, this);
  claimed_ = false;
  return false;
}

MBPeripheralProxy::Attempt MBPeripheralProxy::Connect(const std::shared_ptr<Peripheral> &peripheral,
                                                      int64_t deadline_ms) {
  {
    std::lock_guard<std::mutex> lock(handler_mutex_);
    handler_.reset();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    attempt_ = Attempt::Running;
    link_event_seen_ = false;
  }
  central_->Connect(peripheral);
  std::unique_lock<std::mutex> lock(mutex_);
  while (attempt_ == Attempt::Running) {
    if (auto chosen = handler(); chosen && chosen->IsReady()) {
      attempt_ = Attempt::Ready;
      break;
    }
    if (platform::steadyMs() >= deadline_ms) {
      attempt_ = Attempt::Failed;
      break;
    }
    changed_.wait_for(lock, kPollSlice);
  }
  return attempt_;
}

// Cancels the link (or the pending connection) and waits until the central has let go of it.
void MBPeripheralProxy::EndLink(const std::shared_ptr<Peripheral> &peripheral) {
  central_->CancelConnection(peripheral);
  const int64_t deadline = platform::steadyMs() + kDisconnectWaitMs;
  std::unique_lock<std::mutex> lock(mutex_);
  while (platform::steadyMs() < deadline) {
    // A refused connection sends no disconnection afterwards.
    const bool let_go = peripheral->state() == PeripheralState::Disconnected && !connected_.load();
    if (let_go && link_event_seen_) break;
    changed_.wait_for(lock, kPollSlice);
  }
}

void MBPeripheralProxy::Close() {
  std::lock_guard<std::recursive_mutex> close_lock(close_mutex_);
  if (!claimed_.exchange(false)) return;
  opened_ = false;
  auto current = peripheral();
  if (current) {
    EndLink(current);
    central_->Unclaim(current, this);
  }
  pool_.clear();
  { std::lock_guard<std::mutex> lock(rx_mutex_); }
  rx_changed_.notify_all();
}

// ---- Reading and writing -------------------------------------------------------------------

void MBPeripheralProxy::OnReceived(const uint8_t *data, size_t count) {
  pool_.put(data, count);
  { std::lock_guard<std::mutex> lock(rx_mutex_); }
  rx_changed_.notify_all();
}

int MBPeripheralProxy::Read(uint8_t *buffer, size_t count, uint32_t timeout_ms) {
  if (buffer == nullptr || count == 0) return 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::unique_lock<std::mutex> lock(rx_mutex_);
  for (;;) {
    if (!pool_.isEmpty()) break;
    if (!connected_.load() || !opened_.load()) return -1;
    if (rx_changed_.wait_until(lock, deadline) == std::cv_status::timeout && pool_.isEmpty()) {
      return connected_.load() && opened_.load() ? 0 : -1;
    }
  }
  lock.unlock();
  size_t taken = 0;
  while (taken < count && !pool_.isEmpty()) buffer[taken++] = pool_.getByte();
  return static_cast<int>(taken);
}

int MBPeripheralProxy::Write(const uint8_t *data, int count, uint32_t timeout_ms) {
  if (!opened_.load() || count < 0 || (data == nullptr && count > 0)) return -1;
  if (!IsLinkUp()) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  {
    std::unique_lock<std::mutex> lock(turn_mutex_);
    if (!turn_changed_.wait_until(lock, deadline, [&] { return !writing_; })) return 0;
    writing_ = true;
  }
  // The turn passes on however the write ends.
  struct Turn {
    MBPeripheralProxy &self;
    ~Turn() {
      {
        std::lock_guard<std::mutex> lock(self.turn_mutex_);
        self.writing_ = false;
      }
      self.turn_changed_.notify_one();
    }
  } turn{*this};
  auto current = handler();
  if (!current) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return current->Write(*this, data, count,
                        static_cast<uint32_t>(std::max<int64_t>(0, left.count())));
}

bool MBPeripheralProxy::IsLinkUp() const {
  if (!connected_.load() || link_failed_.load()) return false;
  auto current = handler();
  return current && current->writeCharacteristic() != nullptr;
}

void MBPeripheralProxy::EndFailedLink() {
  link_failed_ = true;
  if (auto current = peripheral()) central_->CancelConnection(current);
}

int MBPeripheralProxy::WritePackWithResponse(const uint8_t *data, int count, int timeout_ms) {
  return WritePack(true, data, count, timeout_ms);
}

int MBPeripheralProxy::WritePackWithoutResponse(const uint8_t *data, int count, int timeout_ms) {
  return WritePack(false, data, count, timeout_ms);
}

int MBPeripheralProxy::WritePack(bool with_response, const uint8_t *data, int count,
                                 int timeout_ms) {
  auto current = handler();
  auto target = peripheral();
  auto characteristic = current ? current->writeCharacteristic() : nullptr;
  if (!connected_.load() || !target || !characteristic) return -1;
  if (count < 0 || (data == nullptr && count > 0)) return -1;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeout_ms));
  if (!with_response) {
    // The platform drops a write without response while its queue is full: wait for room.
    const auto room_deadline = timeout_ms > 0 ? deadline
                                              : std::chrono::steady_clock::now() +
                                                    std::chrono::milliseconds(kWriteRoomWaitMs);
    while (!target->canSendWriteWithoutResponse()) {
      if (!connected_.load()) return -1;
      const auto now = std::chrono::steady_clock::now();
      if (now >= room_deadline) return 0;
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait_until(lock, std::min(room_deadline, now + kPollSlice));
    }
  }
  const platform::ble::Bytes value(data, data + count);
  if (with_response) {
    const uint64_t write = answers_.Sent();
    target->writeValue(value, characteristic, WriteType::WithResponse);
    return AnswerOf(write, count, deadline);
  }
  target->writeValue(value, characteristic, WriteType::WithoutResponse);
  if (timeout_ms <= 0) return count;
  // Nothing answers a write without response: it only paces the writer.
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_until(lock, deadline, [&] { return !connected_.load(); });
  return connected_.load() ? count : -1;
}

int MBPeripheralProxy::AnswerOf(uint64_t write, int count,
                                std::chrono::steady_clock::time_point deadline) {
  return answers_.ResultOf(write, count, deadline, [this] { return connected_.load(); });
}

bool MBPeripheralProxy::WritePending() const {
  return answers_.LatestPending();
}

int MBPeripheralProxy::AwaitPendingWrite(int count, int timeout_ms) {
  if (!connected_.load()) return -1;
  return AnswerOf(
      answers_.Latest(), count,
      std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(0, timeout_ms)));
}

// ---- Link events ---------------------------------------------------------------------------

void MBPeripheralProxy::OnLinkConnected(const std::shared_ptr<Peripheral> &peripheral) {
  answers_.Restart();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connected_ = true;
  }
  changed_.notify_all();
  peripheral->setDelegate(std::weak_ptr<platform::ble::PeripheralDelegate>(shared_from_this()));
  // Every service: a negotiating port chooses among them.
  peripheral->discoverServices(std::nullopt);
}

void MBPeripheralProxy::OnLinkFailed(const std::shared_ptr<Peripheral> &,
                                     const platform::ble::Error *) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    link_event_seen_ = true;
  }
  SetAttempt(Attempt::Failed);
}

void MBPeripheralProxy::OnLinkDisconnected(const std::shared_ptr<Peripheral> &,
                                           const platform::ble::Error *error) {
  logf("Peripheral disconnected%s%s", error ? ": " : "",
       error ? error->localizedDescription.c_str() : "");
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connected_ = false;
    link_event_seen_ = true;
  }
  SetAttempt(Attempt::Failed);
  answers_.Wake();
  { std::lock_guard<std::mutex> lock(rx_mutex_); }
  rx_changed_.notify_all();
}

// ---- GATT events ---------------------------------------------------------------------------

bool MBPeripheralProxy::OfProtocolService(const MBProtocolHandler &handler,
                                          const Characteristic &characteristic) {
  return NormalizeUuid(characteristic.serviceUuid()) == ServiceUuidOf(handler.protocol());
}

void MBPeripheralProxy::peripheralDidDiscoverServices(const std::shared_ptr<Peripheral> &peripheral,
                                                      const platform::ble::Error *error) {
  if (error) {
    logf("Service discovery was unsuccessful: %s", error->localizedDescription.c_str());
    SetAttempt(Attempt::Failed);
    return;
  }
  const auto services = peripheral->services();
  for (const BleProtocol protocol : protocols_) {
    for (const auto &service : services) {
      if (NormalizeUuid(service->uuid()) != ServiceUuidOf(protocol)) continue;
      std::weak_ptr<MBPeripheralProxy> weak = shared_from_this();
      std::shared_ptr<MBProtocolHandler> chosen =
          MakeProtocolHandler(protocol, [weak](const uint8_t *data, size_t count) {
            if (auto self = weak.lock()) self->OnReceived(data, count);
          });
      {
        std::lock_guard<std::mutex> lock(handler_mutex_);
        handler_ = chosen;
      }
      logf("Printer service %s", ServiceUuidOf(protocol));
      peripheral->discoverCharacteristics(std::nullopt, service);
      return;
    }
  }
  logf("No printer service among %zu services", services.size());
  SetAttempt(Attempt::NoProtocol);
}

void MBPeripheralProxy::peripheralDidDiscoverCharacteristicsForService(
    const std::shared_ptr<Peripheral> &peripheral, const std::shared_ptr<Service> &service,
    const platform::ble::Error *error) {
  auto current = handler();
  if (!current || NormalizeUuid(service->uuid()) != ServiceUuidOf(current->protocol())) return;
  if (error) {
    logf("Characteristics discovery was unsuccessful: %s", error->localizedDescription.c_str());
    SetAttempt(Attempt::Failed);
    return;
  }
  for (const auto &characteristic : service->characteristics()) {
    current->OnCharacteristic(peripheral, characteristic);
  }
  changed_.notify_all();
}

void MBPeripheralProxy::peripheralDidWriteValueForCharacteristic(
    const std::shared_ptr<Peripheral> &, const std::shared_ptr<Characteristic> &,
    const platform::ble::Error *error) {
  answers_.Received(error == nullptr);
}

void MBPeripheralProxy::peripheralIsReadyToSendWriteWithoutResponse(
    const std::shared_ptr<Peripheral> &) {
  { std::lock_guard<std::mutex> lock(mutex_); }
  changed_.notify_all();
}

void MBPeripheralProxy::peripheralDidUpdateNotificationStateForCharacteristic(
    const std::shared_ptr<Peripheral> &, const std::shared_ptr<Characteristic> &characteristic,
    const platform::ble::Error *error) {
  auto current = handler();
  if (!current || !OfProtocolService(*current, *characteristic)) return;
  if (error) {
    logf("Error changing notification state: %s, characteristic %s",
         error->localizedDescription.c_str(), characteristic->uuid().c_str());
    SetAttempt(Attempt::Failed);
    return;
  }
  current->OnNotifying(characteristic);
  changed_.notify_all();
}

void MBPeripheralProxy::peripheralDidUpdateValueForCharacteristic(
    const std::shared_ptr<Peripheral> &, const std::shared_ptr<Characteristic> &characteristic,
    const platform::ble::Error *error) {
  if (error) return;
  auto current = handler();
  // The printer's data comes only from the characteristics of the protocol's own service.
  if (!current || !OfProtocolService(*current, *characteristic)) return;
  current->OnValue(characteristic, characteristic->value());
  // A V3 printer's credits may be what an open waits for.
  changed_.notify_all();
}

}  // namespace velmora::ble
