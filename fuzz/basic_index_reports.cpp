// The basic channel's indexed write against a printer whose notifications are arbitrary bytes.
// Every data packet carries its index and exactly the caller's bytes for it, each index report
// leaves the writer at the reported index, and a write returns its count only when every packet
// went out and the printer confirmed the last one; otherwise it fails whole.
//
// Input: byte 0 the packet size, bytes 1-2 the job length, then the printer's notifications,
// each a length byte and that many bytes.
#include <algorithm>
#include <cstring>
#include <set>
#include <utility>

#include "FuzzHarness.h"
#include "ble/BasicWriteEngine.h"
#include "velmora/log.hpp"

namespace {

using velmora::ble::BasicWriteEngine;
using velmora::fuzz::Require;

constexpr uint8_t kStart[5] = {0x10, 0x07, 0x01, 0x00, 0x01};
constexpr uint8_t kIndexRequest[5] = {0x10, 0x07, 0x01, 0x00, 0x00};

// True when the bytes hold the report 10 07 FF nn somewhere.
bool HoldsReport(const uint8_t *bytes, size_t count, int nn) {
  const uint8_t report[4] = {0x10, 0x07, 0xFF, static_cast<uint8_t>(nn)};
  return std::search(bytes, bytes + count, report, report + 4) != bytes + count;
}

// The printer: answers the start command with the next notification of the script and each
// index request with notifications until one carries a report. When the script runs out, the
// link drops.
class ScriptedPrinter final : public velmora::ble::GattPacketLink {
 public:
  ScriptedPrinter(BasicWriteEngine &engine, const std::vector<uint8_t> &job, int packet_size,
                  const uint8_t *script, size_t script_size)
      : engine_(engine),
        job_(job),
        payload_(static_cast<size_t>(packet_size) - 1),
        script_(script),
        left_(script_size) {}

  std::set<int> sent;  // packet indices

  bool IsLinkUp() const override { return up_; }

  int WritePackWithResponse(const uint8_t *data, int count, int) override {
    Require(count == 5 && std::memcmp(data, started_ ? kIndexRequest : kStart, 5) == 0);
    Notify(std::exchange(started_, true));
    return count;
  }

  int WritePackWithoutResponse(const uint8_t *packet, int count, int) override {
    const int at = engine_.protoIndex();
    Require(started_ && at >= 0 && at < engine_.protoCount());
    const size_t offset = static_cast<size_t>(at) * payload_;
    const size_t m = std::min(payload_, job_.size() - offset);
    Require(static_cast<size_t>(count) == m + 1 && packet[0] == (at & 0xFF) &&
            std::memcmp(packet + 1, job_.data() + offset, m) == 0);
    sent.insert(at);
    return count;
  }

 private:
  void Notify(bool until_report) {
    do {
      if (left_ == 0) {
        up_ = false;
        return;
      }
      const size_t n = std::min<size_t>(script_[0], left_ - 1);
      const uint8_t *bytes = script_ + 1;
      script_ += 1 + n;
      left_ -= 1 + n;
      const int nn = BasicWriteEngine::GetNotifyIndex(bytes, static_cast<long>(n));
      Require(nn < 0 || HoldsReport(bytes, n, nn));
      engine_.OnNotification(bytes, n);
      if (nn >= 0) {
        Require((engine_.protoIndex() & 0xFF) == nn);
        return;
      }
    } while (until_report);
  }

  BasicWriteEngine &engine_;
  const std::vector<uint8_t> &job_;
  const size_t payload_;
  const uint8_t *script_;
  size_t left_;
  bool up_ = true;
  bool started_ = false;
};

}  // namespace

// The writer logs every packet; the system log is no place for that here.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  velmora::platform::setLogSink([](const std::string &) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 3) return 0;
  const int packet_size = 2 + data[0] % 31;
  const size_t length =
      1 + (static_cast<size_t>(data[1]) | static_cast<size_t>(data[2]) << 8) % 2048;
  const auto job = velmora::fuzz::CallerBytes(length);

  BasicWriteEngine engine;
  engine.SetWriteMode(2, packet_size, 1000, 0);
  ScriptedPrinter printer(engine, job, packet_size, data + 3, size - 3);
  const int n = engine.WriteWithProto(printer, job.data(), static_cast<int>(length));
  Require(n == static_cast<int>(length) || n == -1);
  if (n == -1) return 0;
  // Success: every packet went out and the printer's last report confirmed them all.
  Require(printer.sent.size() == static_cast<size_t>(engine.protoCount()));
  Require(engine.notifyIndex() == engine.protoCount());
  return 0;
}
