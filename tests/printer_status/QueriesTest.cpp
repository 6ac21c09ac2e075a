#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "support/PortTest.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Slack over a query's timeout that a loaded machine may add; a query that ignored its
// deadline would miss it by far more.
constexpr long long kLateMs = 400;

class Queries : public PortTest {
 protected:
  void TearDown() override {
    printer.reset();
    PortTest::TearDown();
  }
  std::unique_ptr<StatusPrinter> printer = std::make_unique<StatusPrinter>();
};

TEST_F(Queries, RealTimeStatusPacksTheFourAnswers) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  printer->rt_status->SetAnswer(3, 0x32);
  printer->rt_status->SetAnswer(4, 0x1E);
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, 3000), 0x1E321216);
  printer->rt_status->SetOffline(true);
  printer->rt_status->SetPaperOut(true);
  const int status = VP_Pos_QueryRTStatus(h, 3000);
  EXPECT_EQ(status & 0x08, 0x08);
  EXPECT_EQ(status >> 8 & 0x20, 0x20);
}

std::atomic<int> g_available_at_event{-1};
void NoteAvailable(void *handle, unsigned char *, unsigned int, void *) {
  g_available_at_event = VP_Port_Available(handle);
}

// A chunk ending in "YES" may be the start of a status packet: its 'S' waits one read step at
// most, the chunk's event waits for it, and a discard drops it.
TEST_F(Queries, HeldBackBytesPrecedeTheirEventAndDieWithADiscard) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
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
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, 3000), 0x12121216) << "four real answers";
}

TEST_F(Queries, RealTimeStatusResendsEvery300MsAndEndsAtItsTimeout) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  printer->rt_status->SetAnswering(false);
  int status = -1;
  const long long took = ElapsedMs([&] { status = VP_Pos_QueryRTStatus(h, 1000); });
  EXPECT_EQ(status, 0);
  EXPECT_GE(took, 995);  // whole-millisecond clocks
  EXPECT_LT(took, 1000 + ScaledMs(kLateMs));
  // Sent at 0, 300, 600 and 900 ms.
  ASSERT_TRUE(printer->tcp.printer().WaitUntil([](const Bytes &b) { return b.size() >= 4 * 12; },
                                               ScaledMs(2000)));
  EXPECT_EQ(printer->rt_status->RequestCount(1), 4u);
  EXPECT_EQ(printer->rt_status->RequestCount(4), 4u);

  EXPECT_EQ(VP_Pos_QueryRTStatus(h, 0), 0);  // nothing sent for a zero timeout
  EXPECT_EQ(VP_Pos_QueryRTStatus(nullptr, 100), 0);
  EXPECT_EQ(printer->rt_status->RequestCount(1), 4u);
}

TEST_F(Queries, PrintResultIdsRunZeroToNineAcrossFailedQueries) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  std::vector<int> results;
  for (int i = 0; i < 11; ++i) {
    const bool fail = i == 3 || i == 4 || i == 9;
    printer->print_result->SetAnswering(!fail);
    results.push_back(VP_Pos_QueryPrintResult(h, fail ? 400 : 3000));
  }
  EXPECT_EQ(results, (std::vector<int>{1, 1, 1, 0, 0, 1, 1, 1, 1, 0, 1}));
  EXPECT_EQ(printer->print_result->QueryIds(),
            (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}));
}

TEST_F(Queries, PrintResultWaitsUntilEverythingIsPrinted) {
  for (int mode : {0, 1}) {
    printer = std::make_unique<StatusPrinter>();
    ASSERT_TRUE(printer->Open(mode));
    void *h = printer->handle();
    if (mode == 1) {
      ASSERT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));
    }
    printer->print_result->SetPrintingHeld(true);
    auto result = std::async(std::launch::async, [h] { return VP_Pos_QueryPrintResult(h, 8000); });
    ASSERT_TRUE(WaitUntil([&] { return printer->print_result->QueryIds().size() == 1; }));
    EXPECT_EQ(result.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    printer->print_result->SetPrintingHeld(false);
    EXPECT_EQ(result.get(), 1) << "mode " << mode;
    // The reply's trailing bytes are not left for the reader.
    EXPECT_EQ(VP_Port_Available(h), 0);
    printer->Close();
  }
}

TEST_F(Queries, PrintResultEndsWhenThePrinterGoesOffline) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  printer->rt_status->SetOffline(true);
  long long took = ElapsedMs([&] { EXPECT_EQ(VP_Pos_QueryPrintResult(h, LongTimeoutMs()), 0); });
  EXPECT_LT(took, ScaledMs(2000));
  EXPECT_EQ(printer->print_result->QueryIds().size(), 0u);  // never asked

  // Off-line while waiting: the next status poll ends it.
  printer->rt_status->SetOffline(false);
  printer->print_result->SetPrintingHeld(true);
  auto result =
      std::async(std::launch::async, [h] { return VP_Pos_QueryPrintResult(h, LongTimeoutMs()); });
  ASSERT_TRUE(WaitUntil([&] { return printer->print_result->QueryIds().size() == 1; }));
  printer->rt_status->SetOffline(true);
  took = ElapsedMs([&] { EXPECT_EQ(result.get(), 0); });
  EXPECT_LT(took, ScaledMs(2000));
}

TEST_F(Queries, PrintResultEndsOnExitFlagErrorStatusAndClose) {
  ASSERT_TRUE(printer->Open(1));
  void *h = printer->handle();
  ASSERT_TRUE(WaitUntil([&] { return VP_Port_IsConnectionValid(h) == 1; }));
  printer->print_result->SetPrintingHeld(true);
  const auto start_query = [&](size_t nth) {
    auto f = std::async(std::launch::async, [h] { return VP_Pos_QueryPrintResult(h, 8000); });
    EXPECT_TRUE(WaitUntil([&] { return printer->print_result->QueryIds().size() == nth; }));
    return f;
  };

  auto exit_query = start_query(1);
  ASSERT_EQ(VP_Pos_SetExitQueryCmd(h, 1), 1);
  EXPECT_EQ(exit_query.get(), 0);
  ASSERT_EQ(VP_Pos_SetExitQueryCmd(h, 0), 1);

  auto error_query = start_query(2);
  printer->autoreply->SetStatus(0x04, 0xC0);  // no paper
  EXPECT_EQ(error_query.get(), 0);
  printer->autoreply->SetStatus(0, 0xC0);
  int64_t error = -1;
  ASSERT_TRUE(WaitUntil([&] {
    VP_Printer_GetPrinterStatusInfo(h, &error, nullptr, nullptr);
    return error == 0;
  }));

  auto closed_query = start_query(3);
  printer->tcp.CloseConnections();
  EXPECT_EQ(closed_query.get(), 0);
  EXPECT_EQ(VP_Pos_QueryPrintResult(h, 1000), 0);
  EXPECT_EQ(VP_Pos_SetExitQueryCmd(nullptr, 1), 0);
}

TEST_F(Queries, ExitFlagEndsAPollingQueryStillWaitingForStatus) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  printer->rt_status->SetAnswering(false);
  auto result =
      std::async(std::launch::async, [h] { return VP_Pos_QueryPrintResult(h, LongTimeoutMs()); });
  ASSERT_TRUE(WaitUntil([&] { return printer->rt_status->RequestCount(1) == 1; }));
  const long long took = ElapsedMs([&] {
    ASSERT_EQ(VP_Pos_SetExitQueryCmd(h, 1), 1);
    EXPECT_EQ(result.get(), 0);
  });
  EXPECT_LT(took, ScaledMs(2000));
  // The flag stays until it is cleared.
  EXPECT_EQ(VP_Pos_QueryPrintResult(h, 3000), 0);
}

TEST_F(Queries, SilentPrinterEndsPrintResultAtTheTimeout) {
  ASSERT_TRUE(printer->Open(0));
  void *h = printer->handle();
  printer->print_result->SetAnswering(false);
  const long long took = ElapsedMs([&] { EXPECT_EQ(VP_Pos_QueryPrintResult(h, 1000), 0); });
  EXPECT_GE(took, 995);  // whole-millisecond clocks
  EXPECT_LT(took, 1000 + ScaledMs(kLateMs));
  // Status polls went on meanwhile: one before the query, then every 300 ms.
  EXPECT_GE(printer->rt_status->RequestCount(1), 4u);
}

}  // namespace
}  // namespace velmora::test
