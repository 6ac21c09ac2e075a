#include "core/printer/NZReceivedDataProcessor.h"

#include <algorithm>
#include <string>
#include <utility>

#include "core/port/IOHandle.h"
#include "core/port/PortEvents.h"
#include "core/printer/PrinterRequests.h"
#include "platform/Clock.h"

namespace velmora::core {

class NZReceivedDataProcessor::Sink final : public AutoReplyPacketParser::Sink {
 public:
  Sink(NZReceivedDataProcessor &owner, uint64_t discards, int64_t now_ms)
      : owner_(owner), discards_(discards), now_ms_(now_ms) {}

  void OnData(const uint8_t *bytes, size_t count) override {
    // Data received before a discard is not the reader's any more.
    const uint64_t at = owner_.passed_;
    owner_.passed_ += count;
    const size_t dropped =
        at < owner_.discarded_below_
            ? static_cast<size_t>(std::min<uint64_t>(count, owner_.discarded_below_ - at))
            : 0;
    // The bytes are in the buffer before anything found in them is announced.
    owner_.port_.rx().Put(bytes, count, discards_, dropped);
    // Device packages are only watched for, so they see every byte.
    std::vector<NZReceivedProtoPackage> packages;
    owner_.package_parser_.Feed(bytes, count, now_ms_, packages);
    for (auto &package : packages) owner_.Queue(std::move(package));
  }

  size_t Claimed(const uint8_t *held, size_t count) override {
    // Held bytes that complete a device package are its data.
    return owner_.package_parser_.CompletedBy(held, count);
  }

  void OnPacket(const AutoReplyPacket &packet) override {
    owner_.passed_ += AutoReplyPacket::kSize;
    IOHandle &port = owner_.port_;
    AutoReplyRecord &record = port.autoreply();
    int64_t error_status = 0;
    int64_t info_status = 0;
    uint32_t received = 0;
    uint32_t printed = 0;
    {
      std::lock_guard<std::mutex> lock(record.mutex);
      record.Apply(packet, platform::wallMs(), platform::steadyMs());
      error_status = record.error_status;
      info_status = record.info_status;
      received = record.received_byte_count;
      printed = record.printed_page_id;
    }
    // Callbacks run with no lock of ours held.
    auto &events = PortEvents::Get();
    void *handle = port.handle();
    switch (packet.type) {
      case AutoReplyPacket::kStatus:
        events.printer_status.Raise(handle, error_status, info_status);
        break;
      case AutoReplyPacket::kReceivedCount:
        events.printer_received.Raise(handle, static_cast<unsigned int>(received));
        break;
      case AutoReplyPacket::kPrintedPage:
        events.printer_printed.Raise(handle, static_cast<unsigned int>(printed));
        break;
      default:
        break;
    }
  }

 private:
  NZReceivedDataProcessor &owner_;
  const uint64_t discards_;
  const int64_t now_ms_;
};

uint64_t NZReceivedDataProcessor::BeginStep() {
  const uint64_t discards = port_.rx().discards();
  if (discards != discards_seen_) {
    discards_seen_ = discards;
    discarded_below_ = fed_;  // held-back bytes included
    held_at_discard_ = status_parser_.held() > 0;
  }
  return discards;
}

void NZReceivedDataProcessor::Receive(const uint8_t *chunk, size_t count, int64_t now_ms) {
  Sink sink(*this, BeginStep(), now_ms);
  ExpirePackages(now_ms);
  fed_ += count;
  last_byte_ms_ = now_ms;
  status_parser_.Feed(chunk, count, sink);
  // Bytes held when a discard came had the first chunk after it to complete a status packet
  // (one cut by the discard still counts); now they are dropped, and nothing waits behind them.
  if (std::exchange(held_at_discard_, false)) {
    status_parser_.Release(static_cast<size_t>(fed_ - discarded_below_), sink);
  }
  waiting_events_.push_back({fed_, std::vector<uint8_t>(chunk, chunk + count)});
  RaiseDueEvents();
}

void NZReceivedDataProcessor::Idle(int64_t now_ms) {
  Sink sink(*this, BeginStep(), now_ms);
  ExpirePackages(now_ms);
  if (status_parser_.held() > 0 && now_ms - last_byte_ms_ >= kHoldMs) status_parser_.Flush(sink);
  RaiseDueEvents();
}

void NZReceivedDataProcessor::Finish() {
  const int64_t now_ms = platform::steadyMs();
  Sink sink(*this, BeginStep(), now_ms);
  ExpirePackages(now_ms);
  status_parser_.Flush(sink);
  RaiseDueEvents();
}

uint32_t NZReceivedDataProcessor::ReadWaitMs(uint32_t longest_ms, int64_t now_ms) const {
  if (status_parser_.held() == 0) return longest_ms;
  const int64_t left = last_byte_ms_ + kHoldMs - now_ms;
  return static_cast<uint32_t>(std::clamp<int64_t>(left, 1, longest_ms));
}

void NZReceivedDataProcessor::ExpirePackages(int64_t now_ms) {
  package_parser_.Expire(now_ms);
}

void NZReceivedDataProcessor::Queue(NZReceivedProtoPackage package) {
  NZProtoPackageQueue &queue = port_.proto_packages();
  if (package.command == printer_requests::kQueryCommand &&
      package.parameter == printer_requests::kQueryFirmwareVersion) {
    const auto end = std::find(package.data.begin(), package.data.end(), uint8_t{0});
    queue.SetFirmwareVersion(std::string(package.data.begin(), end));
  }
  queue.Push(std::move(package));
}

void NZReceivedDataProcessor::RaiseDueEvents() {
  decided_.store(passed_);
  taken_in_.store(fed_);
  while (!waiting_events_.empty() && waiting_events_.front().end <= passed_) {
    // The event gets the chunk as read, status packets included.
    const std::vector<uint8_t> event = std::move(waiting_events_.front().bytes);
    waiting_events_.pop_front();
    PortEvents::Get().received.Raise(port_.handle(), const_cast<uint8_t *>(event.data()),
                                     static_cast<unsigned int>(event.size()));
  }
}

}  // namespace velmora::core
