// Device answers behind a false or cut-short header: the query that the printer answers whole
// gets its answer at once, not after the package time limit.
#include <gtest/gtest.h>

#include <vector>

#include "DeviceBehaviour.h"
#include "support/StatusPrinter.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;
using DeviceResync = StatusPrinterTest;

Bytes BatteryAnswer() {
  return vprinter::EncodeDevicePackage({0x01, 0x3F, 0x56, {'B', 'A', 'T', ':', '8', '7'}});
}

// Twelve stray bytes that pass the header check and announce `length` data bytes, whose data
// check the answers that follow do not pass.
Bytes StrayHeader(size_t length) {
  const Bytes two = [] {
    Bytes a = BatteryAnswer();
    const Bytes b = BatteryAnswer();
    a.insert(a.end(), b.begin(), b.end());
    return a;
  }();
  uint8_t check = 0x5A;
  for (size_t i = 0; i < length && i < two.size(); ++i) check ^= two[i];
  Bytes header = {0x03, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, static_cast<uint8_t>(length),
                  0x00, check};
  uint8_t x = 0;
  for (uint8_t b : header) x ^= b;
  header.push_back(x);
  return header;
}

TEST_F(DeviceResync, TheRetryAfterACutShortAnswerSucceeds) {
  void *h = Open(0);
  printer->device->CutNextAnswer(14);  // the header and two of its six data bytes
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 300), -1);
  EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 3000), 87);
}

TEST_F(DeviceResync, StrayBytesThatLookLikeAHeaderCostOneQueryAtMost) {
  const struct {
    size_t length;         // data bytes the stray header announces
    int first_timeout_ms;  // of the query right after it
    int first, retry;      // their results
  } cases[] = {
      {1, 3000, 87, 87},   // the answer completes it at once
      {18, 3000, 87, 87},  // exactly
      {30, 300, -1, 87},   // it swallows the answer; the retry's answer completes it
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.length);
    void *h = Open(0);
    printer->tcp.Send(StrayHeader(c.length));
    EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, c.first_timeout_ms), c.first);
    EXPECT_EQ(VP_Proto_QueryBatteryLevel(h, 3000), c.retry);
  }
}

}  // namespace
}  // namespace velmora::test
