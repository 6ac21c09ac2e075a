#pragma once

#include <gtest/gtest.h>

namespace velmora::test {

// Base fixture for tests that open ports: at the end it waits for the library's background
// threads (read, close and event threads) so that nothing outlives the test.
class PortTest : public ::testing::Test {
 protected:
  void TearDown() override;
};

}  // namespace velmora::test
