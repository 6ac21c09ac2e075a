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
  int owed = 0;         // credits earned by chunks and not granted yet
  int outstanding = 0;  // credits granted and not yet used by a chunk
  uint64_t chunks = 0;
  uint64_t without_credit = 0;
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

uint64_t ProtoV3PrinterService::ProtocolErrors() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->without_credit;
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
// Credit messages for `wanted` credits within the printer's limit; updates the granted total and
// the credits outstanding.
std::vector<Bytes> CreditMessages(int wanted, int limit, int &granted, int &outstanding) {
  std::vector<Bytes> messages;
  if (limit >= 0) wanted = std::min(wanted, std::max(0, limit - granted));
  granted += wanted;
  outstanding += wanted;
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
    // A new link: the host starts without credits.
    state_->outstanding = 0;
    for (auto &m : CreditMessages(state_->initial_credits, state_->limit, state_->granted,
                                  state_->outstanding)) {
      messages.push_back(std::move(m));
    }
  }
  for (const auto &message : messages) Notify(kFlowControlUuid, message.data(), message.size());
}

bool ProtoV3PrinterService::OnWrite(const std::string &characteristic, const uint8_t *data,
                                    size_t count, bool) {
  if (characteristic != kWriteUuid) return false;
  std::vector<Bytes> messages;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->chunks;
    // A chunk sent without a credit finds no room: it is dropped.
    if (state_->outstanding <= 0) {
      ++state_->without_credit;
      return true;
    }
    --state_->outstanding;
    // One credit back for every chunk taken in.
    if (++state_->owed >= state_->batch) {
      messages = CreditMessages(state_->owed, state_->limit, state_->granted, state_->outstanding);
      state_->owed = 0;
    }
  }
  Accept(data, count);
  for (const auto &message : messages) Notify(kFlowControlUuid, message.data(), message.size());
  return true;
}

void ProtoV3PrinterService::SendToHost(const uint8_t *data, size_t count) {
  NotifyInPieces(kDataUuid, Bytes(data, data + count));
}

bool ProtoV3PrinterService::SendRawNotification(const Bytes &bytes) {
  return Notify(kDataUuid, bytes.data(), bytes.size());
}

bool ProtoV3PrinterService::SendFlowControl(const Bytes &bytes) {
  if (bytes.size() == 2 && bytes[0] == 0x01) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->outstanding += bytes[1];
  }
  return Notify(kFlowControlUuid, bytes.data(), bytes.size());
}

}  // namespace velmora::ble_sim
