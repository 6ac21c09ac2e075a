#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>

#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Queries = StatusPrinterTest;

std::atomic<int> g_available_at_event{-1};
void NoteAvailable(void *handle, unsigned char *, unsigned int, void *) {
  g_available_at_event = VP_Port_Available(handle);
}

// A chunk ending in "YES" may be the start of a status packet: its 'S' waits for the hold bound
// at most, the chunk's event waits for it, and a discard drops it.
TEST_F(Queries, HeldBackBytesPrecedeTheirEventAndDieWithADiscard) {
  void *h = Open(0);
  ASSERT_EQ(VP_Port_AddOnPortReceivedEvent(NoteAvailable, nullptr), 1);
  printer->tcp.Send({'Y', 'E', 'S'});
  ASSERT_TRUE(WaitUntil([] { return g_available_at_event.load() >= 0; }));
  EXPECT_EQ(g_available_at_event.load(), 3) << "the event came before its bytes";
  VP_Port_RemoveOnPortReceivedEvent(NoteAvailable);

  ASSERT_EQ(VP_Port_SkipAvailable(h), 1);
  printer->tcp.Send({'A', 'B', 'C', 'D', 'E', 'F', 'G'});
  ASSERT_TRUE(WaitUntil([&] { return VP_Port_Available(h) >= 7; }));
  unsigned char got[8] = {};
  EXPECT_EQ(std::string(reinterpret_cast<char *>(got), VP_Port_Read(h, got, 8, 500)), "ABCDEFG");

  printer->tcp.Send({'Y', 'E', 'S'});
  ASSERT_TRUE(WaitUntil([&] { return VP_Port_Available(h) >= 2; }));
  printer->rt_status->SetAnswer(3, 0x32);
  printer->rt_status->SetAnswer(4, 0x1E);
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, 3000), 0x1E321216) << "the four answers, in order";
}

// A printer that never answers: the query asks again every 300 ms and ends at its timeout.
TEST_F(Queries, SilentPrinterEndsEachQueryAtItsTimeout) {
  // Slack over a query's timeout that a loaded machine may add; a query that ignored its
  // deadline would miss it by far more.
  constexpr long long kLateMs = 400;
  void *h = Open(0);
  printer->rt_status->SetAnswering(false);
  long long took = ElapsedMs([&] { EXPECT_EQ(VP_Pos_QueryRTStatus(h, 1000), 0); });
  EXPECT_GE(took, 995);  // whole-millisecond clocks
  EXPECT_LT(took, 1000 + ScaledMs(kLateMs));
  // Sent at 0, 300, 600 and 900 ms.
  ASSERT_TRUE(printer->tcp.printer().WaitUntil([](const auto &b) { return b.size() >= 4 * 12; },
                                               ScaledMs(2000)));
  EXPECT_EQ(printer->rt_status->RequestCount(1), 4u);
  EXPECT_EQ(printer->rt_status->RequestCount(4), 4u);
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, 0), 0);  // nothing sent for a zero timeout
  EXPECT_EQ(printer->rt_status->RequestCount(1), 4u);

  printer->rt_status->SetAnswering(true);
  printer->print_result->SetAnswering(false);
  took = ElapsedMs([&] { EXPECT_EQ(VP_Pos_QueryPrintResult(h, 1000), 0); });
  EXPECT_GE(took, 995);
  EXPECT_LT(took, 1000 + ScaledMs(kLateMs));
  // Status polls went on meanwhile: one before the query, then every 300 ms.
  EXPECT_GE(printer->rt_status->RequestCount(1), 4u + 4u);
}

// A print-result query waits while the printer is still printing, and ends when it is done or
// as soon as something tells it the printer will not answer.
TEST_F(Queries, PrintResultWaitsForThePrinterOrEndsEarly) {
  const auto asked = [this](size_t n) {
    return [this, n] { return printer->print_result->QueryIds().size() == n; };
  };
  const auto held = [this] { printer->print_result->SetPrintingHeld(true); };
  const auto printed = [this] { printer->print_result->SetPrintingHeld(false); };
  const auto offline = [this] { printer->rt_status->SetOffline(true); };
  const auto exit = [this] { EXPECT_EQ(VP_Pos_SetExitQueryCmd(printer->handle(), 1), 1); };
  const struct {
    const char *name;
    int mode;
    std::function<void()> before;
    std::function<bool()> waiting;  // the query is waiting now (none: it never asks)
    std::function<void()> end;
    int result;
  } cases[] = {
      {"printed, polling", 0, held, asked(1), printed, 1},
      {"printed, automatic status", 1, held, asked(1), printed, 1},
      {"off-line before", 0, offline, nullptr, [] {}, 0},
      {"off-line while waiting", 0, held, asked(1), offline, 0},
      // The exit flag also ends the wait for the first status byte.
      {"exit flag, polling", 0, [&] { printer->rt_status->SetAnswering(false); },
       [&] { return printer->rt_status->RequestCount(1) == 1; }, exit, 0},
      {"exit flag, automatic status", 1, held, asked(1), exit, 0},
      {"printer error", 1, held, asked(1), [&] { printer->autoreply->SetStatus(0x04, 0xC0); }, 0},
      {"connection closed", 1, held, asked(1), [&] { printer->tcp.CloseConnections(); }, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    void *h = Open(c.mode);
    if (c.mode == 1) {
      ASSERT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));
    }
    c.before();
    auto result =
        std::async(std::launch::async, [h] { return VP_Pos_QueryPrintResult(h, LongTimeoutMs()); });
    if (c.waiting) {
      ASSERT_TRUE(WaitUntil(c.waiting));
      EXPECT_EQ(result.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    }
    c.end();
    ASSERT_EQ(result.wait_for(std::chrono::milliseconds(ScaledMs(2000))), std::future_status::ready)
        << "ended by the printer, not by its timeout";
    EXPECT_EQ(result.get(), c.result);
    EXPECT_TRUE(c.waiting || printer->print_result->QueryIds().empty()) << "never asked";
    EXPECT_TRUE(c.result == 0 || VP_Port_Available(h) == 0) << "the reply's trailer is the query's";
  }
}

}  // namespace
}  // namespace velmora::test
