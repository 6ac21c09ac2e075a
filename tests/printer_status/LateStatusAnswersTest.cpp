// A printer slower than the status query's resend interval answers the resent requests after
// the query returned: the next query passes over those answers and returns its own.
#include <gtest/gtest.h>

#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using LateStatusAnswers = StatusPrinterTest;

TEST_F(LateStatusAnswers, TheNextQueryPassesOverTheAnswersOwedToTheLastOne) {
  void *h = Open(0);
  printer->rt_status->SetAnswerDelayMs(450);  // asked at 0 and 300 ms, answers at 450 and 750
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, LongTimeoutMs()), 0x12121216);
  // What the printer says from now on: the next queries must report this, not old answers.
  printer->rt_status->SetAnswer(3, 0x32);
  printer->rt_status->SetAnswer(4, 0x1E);
  // It asks once the owed answers came (750 ms), not at the end of their time (1250 ms).
  EXPECT_LT(ElapsedMs([&] { EXPECT_EQ(VP_Pos_QueryRTStatus(h, LongTimeoutMs()), 0x1E321216); }),
            ScaledMs(1000));
  printer->rt_status->SetAnswer(3, 0x12);
  printer->rt_status->SetAnswer(4, 0x12);
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, LongTimeoutMs()), 0x12121216);
  // A print-result poll takes status answers too: it passes over the owed ones the same way.
  printer->rt_status->SetOffline(true);
  int result = -1;
  EXPECT_LT(ElapsedMs([&] { result = VP_Pos_QueryPrintResult(h, LongTimeoutMs()); }),
            LongTimeoutMs())
      << "ended by the answer, not by its timeout";
  EXPECT_EQ(result, 0) << "the printer is off-line now";
}

// A printer that did not answer at all may never answer those requests: the query owes
// nothing, and the next one takes the first answers that come, within its two first requests.
TEST_F(LateStatusAnswers, AnUnansweredQueryOwesNothing) {
  void *h = Open(0);
  printer->rt_status->SetAnswering(false);
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, 700), 0);  // three requests unanswered
  printer->rt_status->SetAnswering(true);
  EXPECT_EQ(VP_Pos_QueryRTStatus(h, ScaledMs(500)), 0x12121216);
}

}  // namespace
}  // namespace velmora::test
