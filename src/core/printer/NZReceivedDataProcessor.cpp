#include "core/printer/NZReceivedDataProcessor.h"

#include <algorithm>
#include <string>

#include "core/port/IOHandle.h"
#include "core/port/PortEvents.h"
#include "core/printer/PrinterRequests.h"
#include "platform/Clock.h"

namespace velmora::core {

class NZReceivedDataProcessor::Sink final : public AutoReplyPacketParser::Sink {
 public:
  Sink(NZReceivedDataProcessor &owner, std::vector<uint8_t> &data) : owner_(owner), data_(data) {}

  void OnData(const uint8_t *bytes, size_t count) override {
    data_.insert(data_.end(), bytes, bytes + count);
    std::vector<NZReceivedProtoPackage> packages;
    owner_.package_parser_.Feed(bytes, count, packages);
    for (auto &package : packages) Queue(std::move(package));
  }

  void OnPacket(const AutoReplyPacket &packet) override {
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
    void *handle = static_cast<void *>(&port);
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
  void Queue(NZReceivedProtoPackage package) {
    NZProtoPackageQueue &queue = owner_.port_.proto_packages();
    if (package.command == printer_requests::kQueryCommand &&
        package.parameter == printer_requests::kQueryFirmwareVersion) {
      const auto end = std::find(package.data.begin(), package.data.end(), uint8_t{0});
      queue.SetFirmwareVersion(std::string(package.data.begin(), end));
    }
    queue.Push(std::move(package));
  }

  NZReceivedDataProcessor &owner_;
  std::vector<uint8_t> &data_;
};

void NZReceivedDataProcessor::Process(const uint8_t *chunk, size_t count,
                                      std::vector<uint8_t> &data) {
  Sink sink(*this, data);
  status_parser_.Feed(chunk, count, sink);
}

void NZReceivedDataProcessor::Flush(std::vector<uint8_t> &data) {
  Sink sink(*this, data);
  status_parser_.Flush(sink);
}

}  // namespace velmora::core
