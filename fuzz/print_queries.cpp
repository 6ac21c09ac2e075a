// The real-time status and print-result queries reading arbitrary printer answers. The status
// query returns the first four bytes that reach the reader and can be answers, packed, passing
// over device packages, and asks again when a cut package may have taken answers; the print-result
// query reports success only for its own reply (after a good status byte on ports without automatic
// status), never misses a complete one, and takes nothing past the reply's trailer.
//
// Input: byte 0 picks the query (bit 0: print result), the port's mode (bit 1: automatic status)
// and the process-identifier counter (bits 2-7); byte 1 how many stream bytes arrive before the
// query; then the chunking seed and the stream. The rest arrives, in chunks, while the query
// sends its first request.
#include <algorithm>
#include <memory>

#include "FuzzHarness.h"
#include "core/printer/PrinterQueries.h"
#include "core/printer/StatusAnswerPicker.h"
#include "velmora/vp_common.h"

namespace {

using velmora::core::IOHandle;
using velmora::core::StatusAnswerPicker;
using velmora::fuzz::Bytes;
using velmora::fuzz::Require;

const Bytes kStatusQuery = {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03, 0x10, 0x04, 0x04};
const Bytes kStatusRequest = {0x10, 0x04, 0x01};
constexpr uint8_t kPackageLead = 0x03;

// The printer: its answer arrives while the query sends its first request. Once everything has
// arrived it goes away when nothing is left to read or the reader stops taking bytes, so that no
// query waits for its timeout.
class AnsweringPrinter final : public velmora::core::NZIOBase {
 public:
  AnsweringPrinter(const uint8_t *answer, size_t size, uint32_t seed)
      : answer_(answer), size_(size), seed_(seed) {}

  IOHandle *port = nullptr;
  std::vector<Bytes> writes;
  Bytes visible;  // what the reader could take right after the answer arrived

  bool IsOpened() const override {
    if (!answered_) return true;
    const size_t now = port->rx().Available();
    stalls_ = now == last_available_ ? stalls_ + 1 : 0;
    last_available_ = now;
    return now > 0 && stalls_ < 3;
  }
  int Write(const uint8_t *data, uint32_t count, uint32_t) override {
    writes.emplace_back(data, data + count);
    if (!answered_) {
      velmora::fuzz::Receive(*port, answer_, size_, seed_);
      // and then the printer is quiet
      port->receiver().Idle(velmora::platform::steadyMs() +
                            velmora::core::NZReceivedDataProcessor::kHoldMs);
      visible = velmora::fuzz::TakeAll(port->rx());
      port->rx().Put(visible.data(), visible.size(), port->rx().discards());
      answered_ = true;
    }
    return static_cast<int>(count);
  }
  void Close() override {}

 private:
  const uint8_t *answer_;
  size_t size_;
  uint32_t seed_;
  bool answered_ = false;
  mutable size_t last_available_ = SIZE_MAX;
  mutable int stalls_ = 0;
};

constexpr size_t kNone = SIZE_MAX;

// Where the first 37 22 id at or after `from` starts in `bytes`, or kNone.
size_t FindReply(const Bytes &bytes, uint8_t id, size_t from) {
  const uint8_t reply[3] = {0x37, 0x22, id};
  const auto it = std::search(bytes.begin() + from, bytes.end(), reply, reply + 3);
  return it == bytes.end() ? kNone : static_cast<size_t>(it - bytes.begin());
}

// Where the reply that ends a polling query printed starts in `bytes` (all there at once), or
// kNone: the first answer-shaped byte is the status, which must be on-line; after it an off-line
// answer ends the query, and a reply to another query is passed over with its trailer.
size_t PolledReply(const Bytes &bytes, uint8_t id) {
  size_t i = 0;
  while (i < bytes.size() && !StatusAnswerPicker::IsAnswer(bytes[i])) ++i;
  if (i == bytes.size() || (bytes[i] & 0x08) != 0) return kNone;
  while (++i < bytes.size()) {
    if (bytes[i] == 0x37 && i + 1 < bytes.size() && bytes[i + 1] == 0x22) {
      if (i + 2 >= bytes.size()) return kNone;
      if (bytes[i + 2] == id) return i;
      i += 2 + std::min<size_t>(4, bytes.size() - i - 3);
      continue;
    }
    if (bytes[i] == 0x37 && i + 1 == bytes.size()) return kNone;
    if (StatusAnswerPicker::IsAnswer(bytes[i]) && (bytes[i] & 0x08) != 0) return kNone;
  }
  return kNone;
}

// The query took the visible bytes before `end` (clamped) and left the rest to the reader.
void CheckLeftFrom(const Bytes &visible, size_t end, IOHandle &port) {
  end = std::min(end, visible.size());
  Require(velmora::fuzz::TakeAll(port.rx()) == Bytes(visible.begin() + end, visible.end()));
}

void CheckStatus(IOHandle &port, AnsweringPrinter &printer) {
  const auto packed = static_cast<uint32_t>(velmora::core::QueryRealTimeStatus(port, 60000));
  for (const Bytes &w : printer.writes) Require(w == kStatusQuery);
  const Bytes &v = printer.visible;
  Bytes answers;  // the bytes that can be answers, and where each is
  std::vector<size_t> at;
  for (size_t i = 0; i < v.size(); ++i) {
    if (!StatusAnswerPicker::IsAnswer(v[i])) continue;
    answers.push_back(v[i]);
    at.push_back(i);
  }
  const Bytes four = {static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                      static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 24)};
  if (std::find(v.begin(), v.end(), kPackageLead) != v.end()) {
    // Device packages are passed over (and, cut, their bytes): four answers in order, or none.
    size_t found = 0;  // how many of the four, in order, are among the answers
    for (uint8_t a : answers) found += found < 4 && a == four[found] ? 1 : 0;
    Require(packed == 0 || found == 4);
    // And never four that may not start a set: once bytes that could be answers were passed
    // over as a cut package's before four were taken, the query asks again (and here gets
    // nothing more); otherwise it returns the first four taken.
    StatusAnswerPicker picker;
    Bytes taken;
    for (size_t i = 0; i < v.size() && taken.size() < 4 && picker.dropped() == 0; ++i) {
      picker.Feed(v[i], 0, taken);
    }
    const bool whole = taken.size() >= 4 && picker.dropped() == 0;
    Require(whole ? four == Bytes(taken.begin(), taken.begin() + 4) : packed == 0);
    return;
  }
  if (answers.size() < 4) return Require(packed == 0);
  Require(four == Bytes(answers.begin(), answers.begin() + 4));
  CheckLeftFrom(v, at[3] + 1, port);
}

bool Healthy(IOHandle &port) {
  std::lock_guard<std::mutex> lock(port.autoreply().mutex);
  return port.autoreply().any_packet && port.autoreply().error_status == 0;
}

void CheckPrintResult(IOHandle &port, AnsweringPrinter &printer, uint32_t counter) {
  // A query on an automatic-status port that could not wait for its reply does not ask.
  const bool could_wait = !port.autoreply_mode() || (Healthy(port) && port.IsConnectionValid());
  const bool printed = velmora::core::QueryPrintResult(port, 60000);
  const auto id = static_cast<uint8_t>(counter % 10);
  const Bytes query = {0x1D, 0x28, 0x48, 0x06, 0x00, 0x30, 0x30, id, 0x00, 0x00, 0x00};
  Require(port.queries().next_process_id.load() == counter + 1);
  const Bytes &v = printer.visible;
  size_t at = kNone;
  if (!could_wait) {
    Require(!printed && printer.writes.empty());
    return;
  }
  if (port.autoreply_mode()) {
    // The reply is looked for in the stream; automatic status must show a printer without error.
    Require(printer.writes == std::vector<Bytes>{query});
    const bool healthy = Healthy(port);
    at = FindReply(v, id, 0);
    Require(!printed || (healthy && at != kNone));
    Require(printed || !healthy || at == kNone || at + 7 > v.size());  // a complete one counts
  } else {
    // Polling: status request, the query, then status requests only.
    for (size_t i = 0; i < printer.writes.size(); ++i) {
      Require(printer.writes[i] == (i == 1 ? query : kStatusRequest));
    }
    at = PolledReply(v, id);
    Require(printed == (at != kNone));
  }
  if (printed) CheckLeftFrom(v, at + 7, port);  // the reply and its trailer
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (size < 2 || !velmora::fuzz::FuzzInput::From(data + 2, size - 2, in)) return 0;
  const bool print_result = (data[0] & 1) != 0;
  const bool autoreply = (data[0] & 2) != 0;
  const uint32_t counter = data[0] >> 2;
  const size_t early = std::min<size_t>(data[1], in.size);

  auto transport =
      std::make_unique<AnsweringPrinter>(in.stream + early, in.size - early, in.seed >> 1);
  AnsweringPrinter &printer = *transport;
  IOHandle port(VP_PORT_TYPE_TCP, "fuzz", std::move(transport), autoreply);
  printer.port = &port;
  port.queries().next_process_id = counter;
  velmora::fuzz::Receive(port, in.stream, early, in.seed);
  print_result ? CheckPrintResult(port, printer, counter) : CheckStatus(port, printer);
  return 0;
}
