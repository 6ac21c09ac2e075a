// The battery-level and serial-number queries reading arbitrary printer bytes, through the flat
// functions and the module's wrappers. The query takes the first answer of its own command and
// parameter that arrives after it asked (an older one is stale), among the packages the port
// keeps; the level is the decimal text from the answer's fifth byte on, as atoi reads it but
// held to the int range; the serial number is the answer's data, cut to the caller's buffer and
// written nowhere past it; the module's text stops at the first 0 byte of 256.
//
// Input: byte 0 picks the query (bit 0: serial number), the interface (bit 1: module) and bit 8
// of the serial-number buffer's length (bit 2); byte 1 that length's low byte; byte 2 how many
// stream bytes arrive before the query; then the stream. The rest arrives while the query sends
// its request. Each part comes in one read: status packets cut across reads are the receive
// path's concern (fuzz_receive_path).
#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "FuzzHarness.h"
#include "core/port/PortRegistry.h"
#include "core/printer/AutoReplyPacket.h"
#include "core/printer/DevicePackage.h"
#include "core/printer/NZProtoPackageQueue.h"
#include "velmora/module/Utf8.h"
#include "velmora/module/device_proto.hpp"
#include "velmora/vp_common.h"
#include "velmora/vp_proto.h"

namespace {

using velmora::core::IOHandle;
using velmora::core::NZReceivedProtoPackage;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

constexpr uint16_t kQuery = 0x3F;
constexpr uint32_t kBattery = 0x56;
constexpr uint32_t kSerialNumber = 0x4E;
// Bytes that close every possible status packet before them: no packet starts among them, and a
// possible packet is decided by its seven bytes after the 'S'. Both parts of the stream end with
// them, so which bytes the device packages are found in does not depend on how long the port
// holds a possible packet back.
const Bytes kCloser(7, 0x00);

// The printer: the rest of the stream arrives while the query sends its request; after that it
// is gone, so that a query without an answer ends at once.
class AnsweringPrinter final : public velmora::core::NZIOBase {
 public:
  explicit AnsweringPrinter(Bytes answer) : answer_(std::move(answer)) {}
  IOHandle *port = nullptr;
  std::vector<Bytes> writes;

  bool IsOpened() const override { return !answered_; }
  int Write(const uint8_t *data, uint32_t count, uint32_t) override {
    writes.emplace_back(data, data + count);
    if (!answered_) {
      port->receiver().Receive(answer_.data(), answer_.size());
      answered_ = true;
    }
    return static_cast<int>(count);
  }
  void Close() override {}

 private:
  const Bytes answer_;
  bool answered_ = false;
};

// The device packages a part of the stream completes, the status packets taken out first: the
// port's receive path, followed on purpose (the parsers have targets of their own; this one
// checks the queries that take the answers).
class PackageFinder final : public velmora::core::AutoReplyPacketParser::Sink {
 public:
  std::vector<NZReceivedProtoPackage> Feed(const Bytes &part) {
    found_.clear();
    status_.Feed(part.data(), part.size(), *this);
    return found_;
  }
  void OnData(const uint8_t *data, size_t count) override {
    packages_.Feed(data, count, 0, found_);
  }
  void OnPacket(const velmora::core::AutoReplyPacket &) override {}
  // As on a port: held bytes that complete a device package are its data, not a status packet.
  size_t Claimed(const uint8_t *held, size_t count) override {
    return packages_.CompletedBy(held, count);
  }

 private:
  velmora::core::AutoReplyPacketParser status_;
  velmora::core::DevicePackageParser packages_;
  std::vector<NZReceivedProtoPackage> found_;
};

bool Answers(const NZReceivedProtoPackage &p, uint32_t parameter) {
  return p.command == kQuery && p.parameter == parameter;
}

// The answer the query must take: the port keeps the newest packages, drops the stale answers
// when the query begins, and the query takes the first of its own after that.
std::optional<Bytes> ExpectedAnswer(const Bytes &early, const Bytes &late, uint32_t parameter) {
  PackageFinder finder;
  std::deque<NZReceivedProtoPackage> kept;
  const auto keep = [&kept](std::vector<NZReceivedProtoPackage> packages) {
    for (auto &p : packages) {
      kept.push_back(std::move(p));
      if (kept.size() > velmora::core::NZProtoPackageQueue::kMaxQueued) kept.pop_front();
    }
  };
  keep(finder.Feed(early));
  std::erase_if(kept, [&](const auto &p) { return Answers(p, parameter); });
  keep(finder.Feed(late));
  for (const auto &p : kept) {
    if (Answers(p, parameter)) return p.data;
  }
  return std::nullopt;
}

// What atoi makes of the answer's text from byte 4 of a zeroed 300-byte buffer (whose last byte
// stays 0), held to the int range.
int ExpectedLevel(const Bytes &data) {
  Bytes text(300, 0);
  std::copy_n(data.begin(), std::min<size_t>(data.size(), 299), text.begin());
  size_t i = 4;
  while (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')) ++i;
  const bool negative = text[i] == '-';
  if (text[i] == '-' || text[i] == '+') ++i;
  long long magnitude = 0;
  for (; text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - '0'), 1LL << 40);
  }
  const long long level = negative ? -magnitude : magnitude;
  return static_cast<int>(std::clamp<long long>(level, INT_MIN, INT_MAX));
}

void CheckRequest(const AnsweringPrinter &printer, uint32_t parameter) {
  const auto request =
      velmora::core::DevicePackage::Build(0xFF, kQuery, parameter, nullptr, 0).value();
  Require(printer.writes == std::vector<Bytes>{request});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 3) return 0;
  const uint8_t *stream = data + 3;
  const size_t stream_size = size - 3;
  const bool serial = (data[0] & 1) != 0;
  const bool module = (data[0] & 2) != 0;
  const size_t length = data[1] | (data[0] & 4) << 6;
  const size_t split = std::min<size_t>(data[2], stream_size);
  Bytes early(stream, stream + split);
  Bytes late(stream + split, stream + stream_size);
  early.insert(early.end(), kCloser.begin(), kCloser.end());
  late.insert(late.end(), kCloser.begin(), kCloser.end());
  const uint32_t parameter = serial ? kSerialNumber : kBattery;
  const auto answer = ExpectedAnswer(early, late, parameter);

  auto transport = std::make_unique<AnsweringPrinter>(late);
  AnsweringPrinter &printer = *transport;
  auto *port = new IOHandle(VP_PORT_TYPE_TCP, "fuzz", std::move(transport), false);
  printer.port = port;
  void *const flat = velmora::core::Ports().Add(port);
  Require(flat != nullptr);
  port->SetHandle(flat);
  port->receiver().Receive(early.data(), early.size());
  const velmora::Int handle = reinterpret_cast<velmora::Int>(flat);

  if (!serial) {
    const int level = module ? static_cast<int>(velmora::VP_Proto_QueryBatteryLevel(handle, 60000))
                             : VP_Proto_QueryBatteryLevel(flat, 60000);
    Require(level == (answer ? ExpectedLevel(*answer) : -1));
  } else if (module) {
    const auto text = velmora::VP_Proto_QuerySerialNumber(handle, 60000);
    Require(text.has_value() == answer.has_value());
    if (answer) {
      const size_t end = std::min<size_t>(answer->size(), 256);
      const auto nul = std::find(answer->begin(), answer->begin() + end, 0);
      Require(*text == velmora::detail::DecodeUtf8(reinterpret_cast<const char *>(answer->data()),
                                                   static_cast<size_t>(nul - answer->begin())));
    }
  } else {
    // Exactly the caller's length, so that a byte written past it is caught; bytes after the
    // copied ones stay as they were.
    std::vector<char> buffer(length, '\xEE');
    const int copied =
        VP_Proto_QuerySerialNumber(flat, buffer.data(), static_cast<unsigned>(length), 60000);
    const size_t n = answer ? std::min(answer->size(), length) : 0;
    Require(copied == (answer ? static_cast<int>(n) : -1));
    if (n > 0) Require(std::memcmp(buffer.data(), answer->data(), n) == 0);
    Require(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(n), buffer.end(),
                        [](char c) { return c == '\xEE'; }));
  }
  CheckRequest(printer, parameter);
  velmora::core::Ports().Retire(flat);
  return 0;
}
