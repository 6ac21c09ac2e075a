#pragma once

#include <gtest/gtest.h>

#include "platform/DetachedThreads.h"
#include "support/Wait.h"

namespace velmora::test {

// Base fixture for tests that open ports: at the end it waits for the library's background
// threads (read, close and event threads) so that nothing outlives the test.
class PortTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(platform::waitForDetachedThreads(ScaledMs(10000)))
        << "background threads still running";
  }
};

}  // namespace velmora::test
