// A status query returns the answers to its own requests: never the answer to another request
// of the library, never answers owed to an earlier query, and an earlier query's debt does not
// outlive the time in which those answers can come.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "core/printer/DevicePackage.h"
#include "platform/Clock.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

constexpr int kOnline = 0x12121216;  // the virtual printer's four answers, packed

using OwnAnswers = StatusPrinterTest;

bool FirmwareVersionKnown(void *h) {
  char version[32] = {};
  return VP_Printer_GetPrinterFirmwareVersion(h, version, sizeof version, nullptr) == 1 &&
         version[0] != 0;
}

// The open asks for the firmware version; its answer comes after the query's discard, before
// the status answers.
TEST_F(OwnAnswers, TheFirmwareAnswerAfterAnAutomaticStatusOpenIsNoStatus) {
  printer = std::make_unique<StatusPrinter>();
  printer->device->SetAnswersHeld(true);
  printer->rt_status->SetAnswering(false);
  ASSERT_TRUE(printer->Open(1));
  void *h = printer->handle();
  auto status =
      std::async(std::launch::async, [h] { return VP_Pos_QueryRTStatus(h, LongTimeoutMs()); });
  ASSERT_TRUE(WaitUntil([&] { return printer->rt_status->RequestCount(1) >= 1; }));
  printer->device->SetAnswersHeld(false);
  ASSERT_TRUE(WaitUntil([&] { return FirmwareVersionKnown(h); }));
  printer->rt_status->SetAnswering(true);  // it answers the next request
  EXPECT_EQ(status.get(), kOnline);
}

// Bytes the printer sends after the query's first request, which it leaves unanswered, and
// before the answers to the requests the query resends.
int StatusAfter(StatusPrinter &printer, const std::vector<uint8_t> &bytes) {
  printer.rt_status->SetAnswering(false);
  const size_t before = printer.rt_status->RequestCount(1);
  void *h = printer.handle();
  auto status =
      std::async(std::launch::async, [h] { return VP_Pos_QueryRTStatus(h, LongTimeoutMs()); });
  EXPECT_TRUE(WaitUntil([&] { return printer.rt_status->RequestCount(1) > before; }));
  printer.tcp.Send(bytes);
  printer.rt_status->SetAnswering(true);
  return status.get();
}

// A package's lead byte whose header never comes, and a package cut in its data whose rest
// the answers fill: the answers behind either are taken whole, in order.
TEST_F(OwnAnswers, AnswersBehindAStrayLeadByteOrACutPackageKeepTheirOrder) {
  Open(0);
  EXPECT_EQ(StatusAfter(*printer, {0x03}), kOnline);
  const std::vector<uint8_t> cut = *core::DevicePackage::Build(0x01, 0x3F, 0x46, {'V', '2'});
  EXPECT_EQ(StatusAfter(*printer, {cut.begin(), cut.end() - 1}), kOnline);
}

// Each query asks once: the printer answers within the resend interval.
void ExpectQueriesAskOnce(StatusPrinter &printer, int queries) {
  for (int i = 0; i < queries; ++i) {
    const size_t before = printer.rt_status->RequestCount(1);
    EXPECT_EQ(VP_Pos_QueryRTStatus(printer.handle(), LongTimeoutMs()), kOnline) << i;
    EXPECT_EQ(printer.rt_status->RequestCount(1), before + 1) << i;
  }
}

// Two threads query one port at once; afterwards, no debt is left behind that makes later
// queries pass over their own answers and ask again.
TEST_F(OwnAnswers, QueriesFromTwoThreadsGetTheirOwnAnswersAndLeaveNoDebt) {
  void *h = Open(0);
  printer->rt_status->SetAnswerDelayMs(100);
  std::vector<int> results[2];
  std::thread other([&] {
    for (int i = 0; i < 6; ++i) results[1].push_back(VP_Pos_QueryRTStatus(h, LongTimeoutMs()));
  });
  for (int i = 0; i < 6; ++i) results[0].push_back(VP_Pos_QueryRTStatus(h, LongTimeoutMs()));
  other.join();
  for (const auto &r : results) EXPECT_EQ(r, std::vector<int>(6, kOnline));
  ExpectQueriesAskOnce(*printer, 3);
}

// A printer slower than the resend interval that ignores requests while it answers: the resent
// requests are never answered, and each query still gets its own answers, asking twice.
TEST_F(OwnAnswers, AnswersThatNeverComeAreOwedOnlyForAWhile) {
  void *h = Open(0);
  printer->rt_status->SetAnswerDelayMs(350);
  printer->rt_status->SetIgnoringWhileAnswering(true);
  for (int i = 0; i < 3; ++i) {
    const size_t before = printer->rt_status->RequestCount(1);
    EXPECT_EQ(VP_Pos_QueryRTStatus(h, LongTimeoutMs()), kOnline) << i;
    EXPECT_EQ(printer->rt_status->RequestCount(1), before + 2) << i;
  }
  printer->rt_status->SetAnswerDelayMs(0);
  ExpectQueriesAskOnce(*printer, 1);
}

// A query that waits (for another thread's query to end, or for answers owed to the last one)
// still ends at its own timeout, when the port closes, or (print result) at its exit flag.
TEST_F(OwnAnswers, AWaitingQueryEndsAtItsTimeoutItsCloseOrItsExitFlag) {
  std::future<int> other;  // another thread's query, which gets no answer while it runs
  const auto answer_later = [&](void *h) {
    printer->rt_status->SetAnswering(false);
    other =
        std::async(std::launch::async, [h] { return VP_Pos_QueryRTStatus(h, LongTimeoutMs()); });
  };
  const auto owe = [&](void *h) {  // answers owed until about 4 s after this query began
    printer->rt_status->SetAnswerDelayMs(1500);
    printer->rt_status->SetIgnoringWhileAnswering(true);
    EXPECT_EQ(VP_Pos_QueryRTStatus(h, LongTimeoutMs()), kOnline);
  };
  const struct {
    const char *name;
    std::function<void(void *)> before;
    std::function<int(void *)> query;
    std::function<void(void *)> end;  // the event that ends the wait
    bool end_is_timeout = false;
  } cases[] = {
      {"its turn: timeout", answer_later, [](void *h) { return VP_Pos_QueryRTStatus(h, 200); },
       [](void *) {}, true},
      {"its turn: exit flag", answer_later,
       [](void *h) { return VP_Pos_QueryPrintResult(h, LongTimeoutMs()); },
       [](void *h) { EXPECT_EQ(VP_Pos_SetExitQueryCmd(h, 1), 1); }},
      {"owed answers: closed", owe,
       [](void *h) { return VP_Pos_QueryRTStatus(h, LongTimeoutMs()); },
       [&](void *) { printer->tcp.CloseConnections(); }},
      {"owed answers: exit flag", owe,
       [](void *h) { return VP_Pos_QueryPrintResult(h, LongTimeoutMs()); },
       [](void *h) { EXPECT_EQ(VP_Pos_SetExitQueryCmd(h, 1), 1); }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    void *h = Open(0);
    c.before(h);
    int64_t ran_ms = -1;
    auto waiting = std::async(std::launch::async, [&] {
      const int64_t began = platform::steadyMs();
      const int result = c.query(h);
      ran_ms = platform::steadyMs() - began;
      return result;
    });
    // A query that ends only by its timeout is judged by how long it ran: on a busy machine
    // 100 ms of this thread may be more than the query's 200.
    const auto early = waiting.wait_for(std::chrono::milliseconds(100));
    if (c.end_is_timeout) {
      waiting.wait();
      EXPECT_GE(ran_ms, 200);
    } else {
      EXPECT_EQ(early, std::future_status::timeout);
    }
    c.end(h);
    ASSERT_EQ(waiting.wait_for(std::chrono::milliseconds(ScaledMs(300))),
              std::future_status::ready);
    EXPECT_EQ(waiting.get(), 0);
    if (other.valid()) {
      printer->rt_status->SetAnswering(true);
      EXPECT_EQ(other.get(), kOnline);
    }
  }
}

// A print-result poll ends at its reply while the status answer it asked for with the print query
// is still on its way, late because the link's delay jumped: that answer is still owed, and the
// next query does not take it (on-line) for its own (off-line).
TEST_F(OwnAnswers, AnAnswerOwedByAQuickQueryMayComeLaterThanItsQueryTook) {
  void *h = Open(0);
  printer->rt_status->SetNextAnswerDelaysMs({0, 200});
  EXPECT_EQ(VP_Pos_QueryPrintResult(h, LongTimeoutMs()), 1);
  printer->rt_status->SetOffline(true);
  EXPECT_GE(ElapsedMs([&] { EXPECT_EQ(VP_Pos_QueryRTStatus(h, LongTimeoutMs()), kOnline | 0x08); }),
            150)
      << "it let the owed answer come first";
}

// On an automatic-status port a status query that runs while a print-result query waits for its
// reply takes neither the reply nor a turn that is not its own: the print result still comes,
// and the status query then gets its own answers.
TEST_F(OwnAnswers, AStatusQueryNeverTakesTheReplyAPrintResultQueryAwaits) {
  void *h = Open(1);
  ASSERT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));
  printer->print_result->SetPrintingHeld(true);
  printer->rt_status->SetAnswering(false);
  auto printed =
      std::async(std::launch::async, [h] { return VP_Pos_QueryPrintResult(h, LongTimeoutMs()); });
  ASSERT_TRUE(WaitUntil([&] { return !printer->print_result->QueryIds().empty(); }));
  auto status =
      std::async(std::launch::async, [h] { return VP_Pos_QueryRTStatus(h, LongTimeoutMs()); });
  // Where the status query runs alongside, let it ask before the reply comes.
  WaitUntil([&] { return printer->rt_status->RequestCount(1) >= 1; }, 300);
  printer->print_result->SetPrintingHeld(false);
  EXPECT_EQ(printed.get(), 1);
  printer->rt_status->SetAnswering(true);
  EXPECT_EQ(status.get(), kOnline);
}

// A print-result query on an automatic-status port that cannot wait (no status packet yet, or an
// error reported) returns 0 without asking: a reply nobody waits for would reach readers as data.
TEST_F(OwnAnswers, APrintResultQueryThatCannotWaitDoesNotAsk) {
  printer = std::make_unique<StatusPrinter>();
  printer->autoreply->SetSilent(true);
  ASSERT_TRUE(printer->Open(1));
  void *h = printer->handle();
  EXPECT_EQ(VP_Pos_QueryPrintResult(h, LongTimeoutMs()), 0);
  EXPECT_EQ(VP_Pos_PrintText(h, "x"), 1);  // once it is in, so is all that came before
  ASSERT_TRUE(WaitUntil([&] {
    const auto received = printer->tcp.printer().Received();
    return !received.empty() && received.back() == 'x';
  }));
  EXPECT_TRUE(printer->print_result->QueryIds().empty());
}

}  // namespace
}  // namespace velmora::test
