// A status query returns the answers to its own requests: never the answer to another request
// of the library, never answers owed to an earlier query, and an earlier query's debt does not
// outlive the time in which those answers can come.
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

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

// A print-result poll ends at its reply while the status answer it asked for with the print query
// is still on its way, late because the link's delay jumped: that answer is still owed, and the
// next query does not take it (on-line) for its own (off-line).
TEST_F(OwnAnswers, AnAnswerOwedByAQuickQueryMayComeLaterThanItsQueryTook) {
  void *h = Open(0);
  printer->rt_status->SetNextAnswerDelaysMs({0, 200});
  EXPECT_EQ(VP_Pos_QueryPrintResult(h, LongTimeoutMs()), 1);
  printer->rt_status->SetOffline(true);
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, LongTimeoutMs()), kOnline | 0x08);
}

}  // namespace
}  // namespace velmora::test
