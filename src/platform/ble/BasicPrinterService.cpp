// The printer side of the basic layout and its indexed write protocol (see docs/protocol.md).
#include <mutex>

#include "platform/ble/BasicLayoutReceiver.h"
#include "velmora/ble_simulation.hpp"

namespace velmora::ble_sim {

struct BasicPrinterService::State {
  std::mutex mutex;
  bool answer_requests = true;
  bool takes_writes_with_response = true;
  BasicLayoutReceiver receiver;
  Stats stats;
};

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
  const auto taken = state_->receiver.Take(data, count, with_response);
  switch (taken.kind) {
    case BasicLayoutReceiver::Kind::Start:
      ++state_->stats.start_commands;
      return true;
    case BasicLayoutReceiver::Kind::IndexRequest: {
      ++state_->stats.index_requests;
      if (!state_->answer_requests) return true;
      ++state_->stats.index_reports;
      const Bytes report{0x10, 0x07, 0xFF, state_->receiver.ReportedIndex()};
      lock.unlock();
      Notify(kCharacteristicUuid, report.data(), report.size());
      return true;
    }
    case BasicLayoutReceiver::Kind::OutOfSequence:
      ++state_->stats.out_of_sequence;
      return true;
    case BasicLayoutReceiver::Kind::Data:
      if (state_->receiver.InSession()) ++state_->stats.data_packets;
      break;
  }
  lock.unlock();
  Accept(taken.data, taken.count);
  return true;
}

void BasicPrinterService::OnDisconnected() {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->receiver.Reset();
}

void BasicPrinterService::SendToHost(const uint8_t *data, size_t count) {
  NotifyInPieces(kCharacteristicUuid, Bytes(data, data + count));
}

bool BasicPrinterService::SendRawNotification(const Bytes &bytes) {
  return Notify(kCharacteristicUuid, bytes.data(), bytes.size());
}

}  // namespace velmora::ble_sim
