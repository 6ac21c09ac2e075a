// Handle values: a closed handle never reaches a port opened later.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "VirtualTcpPrinter.h"
#include "platform/DetachedThreads.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using HandleValues = PortTest;

TEST_F(HandleValues, NoValueComesBackAfterAClose) {
  // The same sizes every time, so that an allocator would hand out the same memory again.
  std::set<void *> seen;
  for (int i = 0; i < 300; ++i) {
    void *h = VP_Port_OpenMemoryBuffer(16);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(seen.insert(h).second) << "open " << i << " got a value handed out before";
    ASSERT_EQ(VP_Port_Close(h), 1);
  }
  const unsigned char byte = 0x1B;
  for (void *old : seen) ASSERT_EQ(VP_Port_Write(old, &byte, 1, 100), -1);
}

TEST_F(HandleValues, AClosedHandleNeverWritesToTheNextPrinter) {
  vprinter::VirtualTcpPrinter p, q;
  ASSERT_TRUE(p.Start());
  ASSERT_TRUE(q.Start());
  void *to_p = VP_Port_OpenTcp(nullptr, "127.0.0.1", p.port(), 2000, 0);
  ASSERT_NE(to_p, nullptr);
  ASSERT_EQ(VP_Port_Close(to_p), 1);
  // The port object is gone once its background threads are.
  ASSERT_TRUE(platform::waitForDetachedThreads(ScaledMs(5000)));
  void *to_q = VP_Port_OpenTcp(nullptr, "127.0.0.1", q.port(), 2000, 0);
  ASSERT_NE(to_q, nullptr);

  const unsigned char job[] = {'f', 'o', 'r', ' ', 'P'};
  EXPECT_EQ(VP_Port_Write(to_p, job, sizeof job, 1000), -1);
  EXPECT_EQ(VP_Port_IsOpened(to_p), 0);
  EXPECT_EQ(VP_Port_Close(to_p), 0);
  // Q gets what is meant for it, and only that.
  const unsigned char mark[] = {'Q'};
  ASSERT_EQ(VP_Port_Write(to_q, mark, 1, 1000), 1);
  ASSERT_TRUE(q.printer().WaitForReceivedSize(1, ScaledMs(5000)));
  EXPECT_EQ(q.printer().Received(), std::vector<uint8_t>{'Q'});
  EXPECT_EQ(VP_Port_Close(to_q), 1);
}

}  // namespace
}  // namespace velmora::test
