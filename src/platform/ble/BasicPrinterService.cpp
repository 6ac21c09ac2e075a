// The printer side of the basic layout and its indexed write protocol (see docs/protocol.md).
#include <mutex>

#include "velmora/ble_simulation.hpp"

namespace velmora::ble_sim {

struct BasicPrinterService::State {
  std::mutex mutex;
  bool answer_requests = true;
  bool takes_writes_with_response = true;
  bool session = false;   // an indexed write is running
  uint64_t expected = 0;  // index of the next data packet the printer takes
  Stats stats;
};

namespace {
bool IsCommand(const uint8_t *data, size_t count, uint8_t last) {
  return count == 5 && data[0] == 0x10 && data[1] == 0x07 && data[2] == 0x01 && data[3] == 0x00 &&
         data[4] == last;
}
}  // namespace

BasicPrinterService::BasicPrinterService() : state_(std::make_unique<State>()) {}
BasicPrinterService::~BasicPrinterService() = default;

void BasicPrinterService::SetAnswerIndexRequests(bool answer) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->answer_requests = answer;
}

void BasicPrinterService::SetTakesWritesWithResponse(bool takes) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->takes_writes_with_response = takes;
}

BasicPrinterService::Stats BasicPrinterService::GetStats() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->stats;
}

std::string BasicPrinterService::ServiceUuid() const {
  return kServiceUuid;
}

std::vector<CharacteristicSpec> BasicPrinterService::Characteristics() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  const uint32_t with_response = state_->takes_writes_with_response ? kPropertyWrite : 0;
  return {{kCharacteristicUuid, with_response | kPropertyWriteWithoutResponse | kPropertyNotify}};
}

bool BasicPrinterService::OnWrite(const std::string &characteristic, const uint8_t *data,
                                  size_t count, bool with_response) {
  if (characteristic != kCharacteristicUuid) return false;
  std::unique_lock<std::mutex> lock(state_->mutex);
  if (with_response && IsCommand(data, count, 0x01)) {
    state_->session = true;
    state_->expected = 0;
    ++state_->stats.start_commands;
    return true;
  }
  if (with_response && IsCommand(data, count, 0x00)) {
    ++state_->stats.index_requests;
    if (!state_->answer_requests) return true;
    ++state_->stats.index_reports;
    const Bytes report{0x10, 0x07, 0xFF, static_cast<uint8_t>(state_->expected & 0xFF)};
    lock.unlock();
    Notify(kCharacteristicUuid, report.data(), report.size());
    return true;
  }
  if (!with_response && state_->session) {
    // A data packet: taken only when it carries the index the printer waits for; anything else
    // follows a lost packet and is sent again after the next index report.
    if (count >= 1 && data[0] == static_cast<uint8_t>(state_->expected & 0xFF)) {
      ++state_->expected;
      ++state_->stats.data_packets;
      lock.unlock();
      Accept(data + 1, count - 1);
    } else {
      ++state_->stats.out_of_sequence;
    }
    return true;
  }
  // Plain data; a write with response also ends an indexed session.
  if (with_response) state_->session = false;
  lock.unlock();
  Accept(data, count);
  return true;
}

void BasicPrinterService::OnDisconnected() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->session = false;
}

void BasicPrinterService::SendToHost(const uint8_t *data, size_t count) {
  NotifyInPieces(kCharacteristicUuid, Bytes(data, data + count));
}

bool BasicPrinterService::SendRawNotification(const Bytes &bytes) {
  return Notify(kCharacteristicUuid, bytes.data(), bytes.size());
}

}  // namespace velmora::ble_sim
