// A device answer cut short on the way: the retry, which the printer answers whole, gets its
// answer at once, not after the package time limit.
#include <gtest/gtest.h>

#include "support/StatusPrinter.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using DeviceResync = StatusPrinterTest;

TEST_F(DeviceResync, TheRetryAfterACutShortAnswerSucceeds) {
  void *h = Open(0);
  printer->device->CutNextAnswer(14);  // the header and two of its six data bytes
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 300), -1);
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 3000), 87);
}

}  // namespace
}  // namespace velmora::test
