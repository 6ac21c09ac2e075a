#include "support/PortTest.h"

#include "platform/DetachedThreads.h"
#include "support/Wait.h"

namespace velmora::test {

void PortTest::TearDown() {
  EXPECT_TRUE(platform::waitForDetachedThreads(ScaledMs(10000)))
      << "background threads still running";
}

}  // namespace velmora::test
