#include "core/printer/PrinterQueries.h"

#include <algorithm>
#include <vector>

#include "core/port/IOHandle.h"
#include "core/printer/PrinterRequests.h"
#include "platform/Clock.h"

namespace velmora::core {
namespace {

namespace req = printer_requests;

constexpr int64_t kResendMs = 300;
constexpr uint32_t kStatusReadMs = 1000;
constexpr size_t kPrintResultReplySize = 7;
constexpr size_t kPrintResultTrailerSize = 4;
constexpr uint8_t kReplyLead = 0x37;
constexpr uint8_t kReplyKind = 0x22;
constexpr uint8_t kOffline = 0x08;

// Time left before `deadline`, as a timeout for a write or a read (0 when it has passed).
uint32_t LeftMs(int64_t deadline) {
  return static_cast<uint32_t>(std::max<int64_t>(0, deadline - platform::steadyMs()));
}

bool Send(IOHandle &port, const std::vector<uint8_t> &bytes, int64_t deadline) {
  const uint32_t left = LeftMs(deadline);
  if (left == 0) return false;
  return port.Write(bytes.data(), static_cast<uint32_t>(bytes.size()), left) ==
         static_cast<int>(bytes.size());
}

// The real-time status answers a query asked for and took. When it ends, the answers still to
// come are owed: the next query passes over them instead of taking them for its own. They are
// expected for as long again as the printer took to answer (at most kLongestAnswerMs) after the
// last request, and kOwedGraceMs more. A query that got no answer at all owes none: the printer
// may not be answering.
class AnswerLedger {
 public:
  explicit AnswerLedger(IOHandle &port) : port_(port) {}
  ~AnswerLedger() {
    if (taken_ == 0 || asked_ <= taken_) return;
    const int64_t now = platform::steadyMs();
    const int64_t answer_ms = std::min(now - first_ask_ms_, kLongestAnswerMs);
    port_.rx().Owe(asked_ - taken_, last_ask_ms_ + answer_ms + kOwedGraceMs);
  }
  AnswerLedger(const AnswerLedger &) = delete;
  AnswerLedger &operator=(const AnswerLedger &) = delete;

  void Asked(uint64_t answers) {
    last_ask_ms_ = platform::steadyMs();
    if (asked_ == 0) first_ask_ms_ = last_ask_ms_;
    asked_ += answers;
  }
  void Took(uint64_t answers) { taken_ += answers; }

 private:
  static constexpr int64_t kLongestAnswerMs = 3000;
  static constexpr int64_t kOwedGraceMs = 1000;

  IOHandle &port_;
  uint64_t asked_ = 0;
  uint64_t taken_ = 0;
  int64_t first_ask_ms_ = 0;
  int64_t last_ask_ms_ = 0;
};

// Answers owed to an earlier query come before this one's: true while some are still to come.
bool EarlierAnswersDue(IOHandle &port) {
  return port.rx().TakeOwed(platform::steadyMs()) > 0;
}

// The zeros that end a print-result reply belong to it; take those already here.
void DropReplyTrailer(IOHandle &port) {
  uint8_t byte = 0;
  for (size_t i = 0; i < kPrintResultTrailerSize && port.rx().Available() > 0; ++i) {
    port.rx().TakeByte(byte);
  }
}

bool StopAsked(IOHandle &port) {
  return port.queries().exit_query.load() != 0;
}

bool PrinterReportsError(IOHandle &port) {
  std::lock_guard<std::mutex> lock(port.autoreply().mutex);
  return port.autoreply().error_status != 0;
}

// Auto-reply ports: the printer's status comes on its own, so only the reply is awaited.
bool AwaitPrintResultInStream(IOHandle &port, uint8_t id, int64_t deadline) {
  if (!Send(port, req::PrintResultQuery(id), deadline)) return false;
  int matched = 0;  // bytes of 37 22 id seen so far
  while (port.IsOpened() && platform::steadyMs() < deadline && !StopAsked(port) &&
         !PrinterReportsError(port) && port.IsConnectionValid()) {
    if (matched == 0 && port.rx().Available() < kPrintResultReplySize) {
      port.rx().WaitForData(1);
      continue;
    }
    uint8_t byte = 0;
    if (!port.rx().TakeByte(byte)) {
      port.rx().WaitForData(1);
      continue;
    }
    if (matched == 1 && byte == kReplyKind) {
      matched = 2;
    } else if (matched == 2 && byte == id) {
      DropReplyTrailer(port);
      return true;
    } else {
      // Anything else, a reply for another query included, is passed over.
      matched = byte == kReplyLead ? 1 : 0;
    }
  }
  return false;
}

// Takes the next received byte that no earlier query is owed; false when the deadline passed,
// the port closed or the caller asked the query to stop.
bool NextByte(IOHandle &port, int64_t deadline, uint8_t &byte) {
  while (port.IsOpened() && platform::steadyMs() < deadline && !StopAsked(port)) {
    if (!EarlierAnswersDue(port) && port.rx().TakeByte(byte)) return true;
    port.rx().WaitForData(1);
  }
  return false;
}

// Sends a real-time status request for one answer.
bool AskStatus(IOHandle &port, AnswerLedger &ledger, int64_t deadline) {
  if (!Send(port, req::RealTimeStatusRequest(1), deadline)) return false;
  ledger.Asked(1);
  return true;
}

// Other ports: real-time status bytes tell whether the printer is still there.
bool AwaitPrintResultByPolling(IOHandle &port, uint8_t id, int64_t deadline) {
  port.rx().Discard();
  AnswerLedger ledger(port);
  if (!AskStatus(port, ledger, deadline)) return false;
  uint8_t status = 0;
  if (!NextByte(port, deadline, status)) return false;
  ledger.Took(1);
  if (status == 0 || (status & kOffline) != 0) return false;
  if (!Send(port, req::PrintResultQuery(id), deadline)) return false;
  int64_t last_ask = platform::steadyMs();
  if (!AskStatus(port, ledger, deadline)) return false;
  while (port.IsOpened() && platform::steadyMs() < deadline && !StopAsked(port)) {
    if (platform::steadyMs() - last_ask >= kResendMs) {
      if (!AskStatus(port, ledger, deadline)) return false;
      last_ask = platform::steadyMs();
    }
    uint8_t byte = 0;
    if (!port.rx().TakeByte(byte)) {
      port.rx().WaitForData(1);
      continue;
    }
    if (byte == kReplyLead) {
      uint8_t kind = 0;
      uint8_t replied_id = 0;
      if (!NextByte(port, deadline, kind) || !NextByte(port, deadline, replied_id)) return false;
      const bool ours = kind == kReplyKind && replied_id == id;
      if (ours) DropReplyTrailer(port);
      return ours;
    }
    ledger.Took(1);  // a status answer
    if ((byte & kOffline) != 0) return false;
  }
  return false;
}

}  // namespace

int QueryRealTimeStatus(IOHandle &port, uint32_t timeout_ms) {
  if (timeout_ms == 0) return 0;
  const int64_t deadline = platform::steadyMs() + timeout_ms;
  port.rx().Discard();
  AnswerLedger ledger(port);
  const auto query = req::RealTimeStatusQuery();
  bool asked = false;
  int64_t last_ask = 0;
  while (port.IsOpened() && platform::steadyMs() < deadline) {
    if (!EarlierAnswersDue(port) && port.rx().Available() >= 4) {
      uint8_t answer[4] = {0, 0, 0, 0};
      const int got = port.Read(answer, 4, std::min(kStatusReadMs, LeftMs(deadline)), -1);
      ledger.Took(static_cast<uint64_t>(std::max(got, 0)));
      if (got != 4) return 0;
      return static_cast<int>(
          static_cast<uint32_t>(answer[0]) | static_cast<uint32_t>(answer[1]) << 8 |
          static_cast<uint32_t>(answer[2]) << 16 | static_cast<uint32_t>(answer[3]) << 24);
    }
    if (!asked || platform::steadyMs() - last_ask >= kResendMs) {
      if (!Send(port, query, deadline)) return 0;
      ledger.Asked(4);
      asked = true;
      last_ask = platform::steadyMs();
      continue;
    }
    port.rx().WaitForData(1);
  }
  return 0;
}

bool QueryPrintResult(IOHandle &port, uint32_t timeout_ms) {
  // Every query takes the next identifier, also one that fails later.
  const auto id = static_cast<uint8_t>(port.queries().next_process_id.fetch_add(1) % 10);
  const int64_t deadline = platform::steadyMs() + timeout_ms;
  return port.autoreply_mode() ? AwaitPrintResultInStream(port, id, deadline)
                               : AwaitPrintResultByPolling(port, id, deadline);
}

std::optional<NZReceivedProtoPackage> QueryDevice(IOHandle &port, uint32_t parameter,
                                                  uint32_t timeout_ms) {
  const int64_t deadline = platform::steadyMs() + timeout_ms;
  NZProtoPackageQueue &queue = port.proto_packages();
  queue.SetWorkEnabled(true);
  // An answer left over from an earlier query must not count for this one.
  queue.Discard(req::kQueryCommand, parameter);
  const auto package =
      DevicePackage::Build(DevicePackage::kHostAddress, req::kQueryCommand, parameter, {});
  if (!package || !Send(port, *package, deadline)) return std::nullopt;
  return queue.WaitFor(req::kQueryCommand, parameter, deadline,
                       [&port] { return port.IsOpened(); });
}

}  // namespace velmora::core
