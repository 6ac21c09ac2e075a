// A device answer cut short on the way: the retry, which the printer answers whole, gets its
// answer at once, not after the package time limit.
#include <gtest/gtest.h>

#include "core/printer/DevicePackage.h"
#include "support/StatusPrinter.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using DeviceResync = StatusPrinterTest;

TEST_F(DeviceResync, TheRetryAfterACutShortAnswerSucceeds) {
  void *h = Open(0);
  printer->device->CutNextAnswer(14);  // the header and two of its six data bytes
  // Timed from before the cut answer arrives, so that a parser which only gives up on it at the
  // package time limit is caught.
  const long long ms = ElapsedMs([&] {
    EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 300), -1);
    EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, LongTimeoutMs()), 87);
  });
  EXPECT_LT(ms, core::DevicePackageParser::kDataTimeLimitMs);
}

}  // namespace
}  // namespace velmora::test
