#include "support/PortTest.h"

#include "platform/DetachedThreads.h"

namespace velmora::test {

void PortTest::TearDown() {
  EXPECT_TRUE(platform::waitForDetachedThreads(10000)) << "background threads still running";
}

}  // namespace velmora::test
