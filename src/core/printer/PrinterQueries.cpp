#include "core/printer/PrinterQueries.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "core/port/IOHandle.h"
#include "core/printer/PrinterRequests.h"
#include "core/printer/StatusAnswerPicker.h"
#include "platform/Clock.h"

namespace velmora::core {
namespace {

namespace req = printer_requests;

constexpr int64_t kResendMs = 300;
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

// The real-time status answers a query asked for and took. When it ends having taken some, the
// answers still to come for its other requests are owed: the next query lets them come before it
// asks. They are expected until its last request plus as long as the printer took to answer (at
// most kLongestAnswerMs) plus a grace as long again, and at least kLeastGraceMs: the time a
// loaded host or link may add. A query that got no answer at all (nor passed over bytes that
// may have been answers) owes none: the printer may not be answering.
class AnswerLedger {
 public:
  explicit AnswerLedger(IOHandle &port) : state_(port.queries()) {}
  ~AnswerLedger() {
    if ((taken_ == 0 && !heard_) || asked_ <= taken_) return;
    const int64_t answer_ms = std::min(platform::steadyMs() - first_ask_ms_, kLongestAnswerMs);
    state_.owed_answers = asked_ - taken_;
    state_.owed_until_ms = last_ask_ms_ + answer_ms + std::max(answer_ms, kLeastGraceMs);
  }
  AnswerLedger(const AnswerLedger &) = delete;
  AnswerLedger &operator=(const AnswerLedger &) = delete;

  void Asked(uint64_t answers) {
    last_ask_ms_ = platform::steadyMs();
    if (asked_ == 0) first_ask_ms_ = last_ask_ms_;
    asked_ += answers;
  }
  void Took(uint64_t answers) { taken_ += answers; }
  // The printer answered, though no answer was taken: the rest is owed all the same.
  void Heard() { heard_ = true; }

 private:
  static constexpr int64_t kLongestAnswerMs = 3000;
  static constexpr int64_t kLeastGraceMs = 500;

  PrinterQueryState &state_;
  uint64_t asked_ = 0;
  uint64_t taken_ = 0;
  bool heard_ = false;
  int64_t first_ask_ms_ = 0;
  int64_t last_ask_ms_ = 0;
};

bool StopAsked(IOHandle &port) {
  return port.queries().exit_query.load() != 0;
}

// The port's turn for queries that take real-time status answers, waited for until `deadline`
// (or, for a print-result query, until its exit flag is set).
class StatusTurn {
 public:
  StatusTurn(IOHandle &port, int64_t deadline, bool exit_flag_ends)
      : mutex_(port.queries().status_turn) {
    while (!mutex_.try_lock()) {
      if (platform::steadyMs() >= deadline || (exit_flag_ends && StopAsked(port))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    taken_ = true;
  }
  ~StatusTurn() {
    if (taken_) mutex_.unlock();
  }
  StatusTurn(const StatusTurn &) = delete;
  StatusTurn &operator=(const StatusTurn &) = delete;

  bool taken() const { return taken_; }

 private:
  std::mutex &mutex_;
  bool taken_ = false;
};

// Lets the answers still owed to the last query come, or their time pass, before this one asks,
// taking what arrives meanwhile: so every answer after this query's discard is its own. False
// when the port closed, the deadline passed or (print result) the exit flag was set first.
bool AwaitOwedAnswers(IOHandle &port, int64_t deadline, bool exit_flag_ends) {
  PrinterQueryState &state = port.queries();
  StatusAnswerPicker picker;
  std::vector<uint8_t> answers;
  while (state.owed_answers > 0 && platform::steadyMs() < state.owed_until_ms) {
    if (!port.IsOpened() || platform::steadyMs() >= deadline ||
        (exit_flag_ends && StopAsked(port))) {
      return false;
    }
    uint8_t byte = 0;
    const int64_t now = platform::steadyMs();
    while (answers.size() < state.owed_answers && port.rx().TakeByte(byte)) {
      picker.Feed(byte, now, answers);
    }
    state.owed_answers -= std::min<uint64_t>(answers.size(), state.owed_answers);
    answers.clear();
    port.rx().WaitForData(1);
  }
  return true;
}

// The zeros that end a print-result reply belong to it; take those already here.
void DropReplyTrailer(IOHandle &port) {
  uint8_t byte = 0;
  for (size_t i = 0; i < kPrintResultTrailerSize && port.rx().Available() > 0; ++i) {
    port.rx().TakeByte(byte);
  }
}

bool PrinterReportsError(IOHandle &port) {
  std::lock_guard<std::mutex> lock(port.autoreply().mutex);
  return port.autoreply().error_status != 0;
}

// Auto-reply ports: the printer's status comes on its own, so only the reply is awaited. The
// wait passes over every other byte, so it takes the status turn: a status query alongside
// would otherwise take the reply, and this wait the status query's answers.
bool AwaitPrintResultInStream(IOHandle &port, uint8_t id, int64_t deadline) {
  const auto may_wait = [&] {
    return port.IsOpened() && platform::steadyMs() < deadline && !StopAsked(port) &&
           !PrinterReportsError(port) && port.IsConnectionValid();
  };
  const StatusTurn turn(port, deadline, true);
  // A query that could not wait for its reply does not ask: the reply would reach readers.
  if (!turn.taken() || !may_wait() || !Send(port, req::PrintResultQuery(id), deadline)) {
    return false;
  }
  int matched = 0;  // bytes of 37 22 id seen so far
  while (may_wait()) {
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

// Takes the next received byte; false when the deadline passed, the port closed or the caller
// asked the query to stop.
bool NextByte(IOHandle &port, int64_t deadline, uint8_t &byte) {
  while (port.IsOpened() && platform::steadyMs() < deadline && !StopAsked(port)) {
    if (port.rx().TakeByte(byte)) return true;
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
  const StatusTurn turn(port, deadline, true);
  if (!turn.taken() || !AwaitOwedAnswers(port, deadline, true)) return false;
  port.rx().Discard();
  AnswerLedger ledger(port);
  if (!AskStatus(port, ledger, deadline)) return false;
  // The first answer is the status; bytes that cannot be one (a late reply to an earlier query)
  // are passed over.
  uint8_t status = 0;
  do {
    if (!NextByte(port, deadline, status)) return false;
  } while (!StatusAnswerPicker::IsAnswer(status));
  ledger.Took(1);
  if ((status & kOffline) != 0) return false;
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
    while (byte == kReplyLead) {
      // Not followed by the reply's kind, the next byte is looked at on its own (a lead again).
      if (!NextByte(port, deadline, byte)) return false;
      if (byte != kReplyKind) continue;
      uint8_t replied_id = 0;
      if (!NextByte(port, deadline, replied_id)) return false;
      DropReplyTrailer(port);
      if (replied_id == id) return true;
      byte = 0;  // a reply to an earlier query that gave up: passed over
    }
    if (!StatusAnswerPicker::IsAnswer(byte)) continue;
    ledger.Took(1);
    if ((byte & kOffline) != 0) return false;
  }
  return false;
}

// One round of a status query: discards, asks until four answers came and returns them packed;
// 0 when the deadline passed or the port closed. When bytes that could be answers were passed
// over as a cut package's, the answers taken may not start a set: `lost_place` is set and the
// round ends owing every answer not taken, so the next round starts after them.
int AskForStatus(IOHandle &port, int64_t deadline, bool &lost_place) {
  port.rx().Discard();
  AnswerLedger ledger(port);
  const auto query = req::RealTimeStatusQuery();
  StatusAnswerPicker picker;
  std::vector<uint8_t> answers;
  bool asked = false;
  int64_t last_ask = 0;
  while (port.IsOpened() && platform::steadyMs() < deadline) {
    uint8_t byte = 0;
    const int64_t now = platform::steadyMs();
    while (answers.size() < 4 && picker.dropped() == 0 && port.rx().TakeByte(byte)) {
      picker.Feed(byte, now, answers);
    }
    if (picker.dropped() != 0) {
      lost_place = true;
      ledger.Took(answers.size());
      ledger.Heard();
      return 0;
    }
    if (answers.size() >= 4) {
      ledger.Took(answers.size());
      return static_cast<int>(
          static_cast<uint32_t>(answers[0]) | static_cast<uint32_t>(answers[1]) << 8 |
          static_cast<uint32_t>(answers[2]) << 16 | static_cast<uint32_t>(answers[3]) << 24);
    }
    if (!asked || platform::steadyMs() - last_ask >= kResendMs) {
      if (!Send(port, query, deadline)) break;
      ledger.Asked(4);
      asked = true;
      last_ask = platform::steadyMs();
      continue;
    }
    port.rx().WaitForData(1);
  }
  ledger.Took(answers.size());
  return 0;
}

}  // namespace

int QueryRealTimeStatus(IOHandle &port, uint32_t timeout_ms) {
  if (timeout_ms == 0) return 0;
  const int64_t deadline = platform::steadyMs() + timeout_ms;
  const StatusTurn turn(port, deadline, false);
  if (!turn.taken()) return 0;
  bool lost_place = true;
  int status = 0;
  while (status == 0 && lost_place) {
    lost_place = false;
    if (!AwaitOwedAnswers(port, deadline, false)) return 0;
    status = AskForStatus(port, deadline, lost_place);
  }
  return status;
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
