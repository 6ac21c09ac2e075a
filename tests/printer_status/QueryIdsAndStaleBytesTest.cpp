// Each query asks afresh: print-result identifiers run 0..9 and round again on a handle, failed
// queries included, and bytes received before a query are never taken for its answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;
using QueryTurns = StatusPrinterTest;

TEST_F(QueryTurns, PrintResultIdentifiersRunZeroToNineFailedQueriesIncluded) {
  // How each query of a run ends: answered; unanswered, at its timeout; or, polling only,
  // refused before it asks because the printer is off-line.
  enum Outcome { kAnswered, kSilent, kOffline };
  const std::vector<Outcome> polling = {kAnswered, kSilent,   kAnswered, kOffline,
                                        kAnswered, kAnswered, kSilent,   kAnswered,
                                        kOffline,  kAnswered, kAnswered, kSilent};
  const std::vector<Outcome> streamed = {kAnswered, kAnswered, kSilent,   kAnswered,
                                         kAnswered, kAnswered, kAnswered, kSilent,
                                         kAnswered, kAnswered, kSilent,   kAnswered};
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode == 0 ? "polling" : "automatic status");
    void *h = Open(mode);
    if (mode == 1) {
      ASSERT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));
    }
    Bytes asked;  // the identifiers the printer should have seen, in order
    int turn = 0;
    for (const Outcome outcome : mode == 0 ? polling : streamed) {
      // Queries follow each other at once: a polling query's last status answer may still be on
      // its way when the next one starts, and must not count for it.
      printer->print_result->SetAnswering(outcome != kSilent);
      printer->rt_status->SetOffline(outcome == kOffline);
      const int timeout = outcome == kAnswered ? LongTimeoutMs() : 200;
      EXPECT_EQ(VP_Pos_QueryPrintResult(h, timeout), outcome == kAnswered ? 1 : 0) << turn;
      if (outcome != kOffline) asked.push_back(static_cast<uint8_t>(turn % 10));
      ++turn;
    }
    EXPECT_EQ(printer->print_result->QueryIds(), asked);
  }
}

TEST_F(QueryTurns, BytesReceivedBeforeAQueryAreNotItsAnswer) {
  constexpr int kOnline = 0x12121216;  // the virtual printer's four answers, packed
  const struct {
    const char *name;
    int mode;
    bool print_result;
    Bytes stale;
    bool answering;  // the printer answers print-result queries
    int result;
  } cases[] = {
      {"status, polling", 0, false, {'A', 'B', 'C', 'D'}, true, kOnline},
      {"status, automatic status", 1, false, {'A', 'B', 'C', 'D', 'E'}, true, kOnline},
      // An on-line status byte and the reply the query will ask for (identifier 0): neither
      // counts, and the silent printer lets the query time out.
      {"print result, stale reply", 0, true, {0x16, 0x37, 0x22, 0x00}, false, 0},
      // An off-line status byte left over does not make an on-line printer off-line.
      {"print result, stale off-line byte", 0, true, {0x1E}, true, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    void *h = Open(c.mode);
    if (c.mode == 1) {
      // The answer to the open's firmware-version request is data too: gone before we start.
      ASSERT_TRUE(WaitUntil([&] {
        char version[32] = {};
        return VP_Port_IsConnectionValid(h) == 1 &&
               VP_Printer_GetPrinterFirmwareVersion(h, version, sizeof version, nullptr) == 1 &&
               version[0] != 0;
      }));
      ASSERT_EQ(VP_Port_SkipAvailable(h), 1);
    }
    printer->print_result->SetAnswering(c.answering);
    printer->tcp.Send(c.stale);
    ASSERT_TRUE(
        WaitUntil([&] { return VP_Port_Available(h) == static_cast<int>(c.stale.size()); }));
    if (c.print_result) {
      EXPECT_EQ(VP_Pos_QueryPrintResult(h, c.answering ? LongTimeoutMs() : 500), c.result);
    } else {
      EXPECT_EQ(VP_Pos_QueryRTStatus(h, LongTimeoutMs()), c.result);
    }
  }
}

// The reply to an earlier query that gave up comes while the next one waits: in both port modes
// it is passed over, and the next query is answered by its own reply.
TEST_F(QueryTurns, ALateReplyToAnEarlierQueryIsPassedOver) {
  for (const int mode : {0, 1}) {
    SCOPED_TRACE(mode == 0 ? "polling" : "automatic status");
    void *h = Open(mode);
    if (mode == 1) {
      ASSERT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));
    }
    const size_t asked_before = printer->print_result->QueryIds().size();
    printer->print_result->SetPrintingHeld(true);
    EXPECT_EQ(VP_Pos_QueryPrintResult(h, 200), 0);
    auto next =
        std::async(std::launch::async, [h] { return VP_Pos_QueryPrintResult(h, LongTimeoutMs()); });
    ASSERT_TRUE(
        WaitUntil([&] { return printer->print_result->QueryIds().size() == asked_before + 2; }));
    printer->print_result->SetPrintingHeld(false);
    EXPECT_EQ(next.get(), 1);
  }
}

}  // namespace
}  // namespace velmora::test
