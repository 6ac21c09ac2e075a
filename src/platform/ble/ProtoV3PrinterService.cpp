// The printer side of protocol V3: a size message and credits on the flow-control characteristic.
#include <algorithm>
#include <mutex>

#include "velmora/ble_simulation.hpp"

namespace velmora::ble_sim {

struct ProtoV3PrinterService::State {
  std::mutex mutex;
  std::optional<int> announced_size = 180;
  int initial_credits = 16;
  int batch = 1;
  int limit = -1;
  int granted = 0;
  int owed = 0;  // credits earned by chunks and not granted yet
  uint64_t chunks = 0;
};

ProtoV3PrinterService::ProtoV3PrinterService() : state_(std::make_unique<State>()) {}
ProtoV3PrinterService::~ProtoV3PrinterService() = default;

void ProtoV3PrinterService::SetAnnouncedSize(std::optional<int> size) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->announced_size = size;
}

void ProtoV3PrinterService::SetInitialCredits(int credits) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->initial_credits = std::max(0, credits);
}

void ProtoV3PrinterService::SetCreditBatch(int batch) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->batch = std::max(1, batch);
}

void ProtoV3PrinterService::SetCreditLimit(int total) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->limit = total;
}

uint64_t ProtoV3PrinterService::ChunksReceived() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->chunks;
}

std::string ProtoV3PrinterService::ServiceUuid() const {
  return kServiceUuid;
}

std::vector<CharacteristicSpec> ProtoV3PrinterService::Characteristics() const {
  return {{kDataUuid, kPropertyNotify},
          {kWriteUuid, kPropertyWriteWithoutResponse | kPropertyWrite},
          {kFlowControlUuid, kPropertyNotify}};
}

namespace {
// Credit messages for `wanted` credits within the printer's limit; updates the granted total.
std::vector<Bytes> CreditMessages(int wanted, int limit, int &granted) {
  std::vector<Bytes> messages;
  if (limit >= 0) wanted = std::min(wanted, std::max(0, limit - granted));
  granted += wanted;
  while (wanted > 0) {
    const int n = std::min(wanted, 255);
    messages.push_back({0x01, static_cast<uint8_t>(n)});
    wanted -= n;
  }
  return messages;
}
}  // namespace

void ProtoV3PrinterService::OnSubscriptionChanged(const std::string &characteristic, bool enabled) {
  if (characteristic != kFlowControlUuid || !enabled) return;
  std::vector<Bytes> messages;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->announced_size) {
      messages.push_back({0x02, static_cast<uint8_t>(*state_->announced_size), 0x00});
    }
    for (auto &m : CreditMessages(state_->initial_credits, state_->limit, state_->granted)) {
      messages.push_back(std::move(m));
    }
  }
  for (const auto &message : messages) SendFlowControl(message);
}

bool ProtoV3PrinterService::OnWrite(const std::string &characteristic, const uint8_t *data,
                                    size_t count, bool) {
  if (characteristic != kWriteUuid) return false;
  Accept(data, count);
  std::vector<Bytes> messages;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->chunks;
    // One credit back for every chunk taken in.
    if (++state_->owed >= state_->batch) {
      messages = CreditMessages(state_->owed, state_->limit, state_->granted);
      state_->owed = 0;
    }
  }
  for (const auto &message : messages) SendFlowControl(message);
  return true;
}

void ProtoV3PrinterService::SendToHost(const uint8_t *data, size_t count) {
  NotifyInPieces(kDataUuid, Bytes(data, data + count));
}

bool ProtoV3PrinterService::SendRawNotification(const Bytes &bytes) {
  return Notify(kDataUuid, bytes.data(), bytes.size());
}

bool ProtoV3PrinterService::SendFlowControl(const Bytes &bytes) {
  return Notify(kFlowControlUuid, bytes.data(), bytes.size());
}

}  // namespace velmora::ble_sim
