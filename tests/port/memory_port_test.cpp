// Memory ports collect what is written, all or nothing against their capacity.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/PortTest.h"
#include "velmora/velmora.h"

namespace {

using MemoryPortTest = velmora::test::PortTest;

std::vector<unsigned char> Collected(void *h) {
  const unsigned char *p = VP_Port_GetMemoryBufferDataPointer(h);
  return std::vector<unsigned char>(p, p + VP_Port_GetMemoryBufferDataLength(h));
}

TEST_F(MemoryPortTest, WritesAreAllOrNothingAgainstTheCapacity) {
  void *h = VP_Port_OpenMemoryBuffer(8);
  ASSERT_NE(h, nullptr);
  const unsigned char first[] = {1, 2, 3, 4, 5};
  const unsigned char too_long[] = {6, 7, 8, 9};
  const unsigned char fits[] = {10, 11, 12};

  EXPECT_EQ(VP_Port_Write(h, first, 5, 100), 5);
  EXPECT_EQ(VP_Port_Write(h, too_long, 4, 100), -1) << "5 + 4 exceeds 8";
  EXPECT_EQ(Collected(h), (std::vector<unsigned char>{1, 2, 3, 4, 5})) << "nothing of it kept";
  EXPECT_EQ(VP_Port_Write(h, fits, 3, 100), 3) << "a later write that fits is appended";
  EXPECT_EQ(Collected(h), (std::vector<unsigned char>{1, 2, 3, 4, 5, 10, 11, 12}));
  EXPECT_EQ(VP_Port_Write(h, fits, 0, 100), 0) << "an empty write at capacity is fine";
  EXPECT_EQ(VP_Port_Write(h, fits, 1, 100), -1);

  EXPECT_EQ(VP_Port_ClearMemoryBufferData(h), 1);
  EXPECT_EQ(VP_Port_GetMemoryBufferDataLength(h), 0u);
  EXPECT_EQ(VP_Port_Write(h, too_long, 4, 100), 4) << "capacity is available again after a clear";
  EXPECT_EQ(Collected(h), (std::vector<unsigned char>{6, 7, 8, 9}));
  EXPECT_EQ(VP_Port_Close(h), 1);
}

TEST_F(MemoryPortTest, ZeroCapacityAndNullBuffers) {
  void *h = VP_Port_OpenMemoryBuffer(0);
  ASSERT_NE(h, nullptr);
  const unsigned char byte = 1;
  EXPECT_EQ(VP_Port_Write(h, &byte, 1, 100), -1);
  EXPECT_EQ(VP_Port_Write(h, nullptr, 3, 100), -1) << "a null buffer with a count is refused";
  EXPECT_EQ(VP_Port_GetMemoryBufferDataLength(h), 0u);
  EXPECT_EQ(VP_Port_Close(h), 1);
}

TEST_F(MemoryPortTest, ReadingAMemoryPortTimesOutWithNothing) {
  void *h = VP_Port_OpenMemoryBuffer(8);
  ASSERT_NE(h, nullptr);
  unsigned char buffer[4] = {9, 9, 9, 9};
  EXPECT_EQ(VP_Port_Read(h, buffer, 4, 20), 0);
  EXPECT_EQ(VP_Port_Read(h, buffer, 0, 1000), 0) << "count 0 returns at once";
  EXPECT_EQ(buffer[0], 9);
  EXPECT_EQ(VP_Port_Available(h), 0);
  EXPECT_EQ(VP_Port_IsConnectionValid(h), 1) << "no automatic status reports asked for";
  EXPECT_EQ(VP_Port_Close(h), 1);
}

}  // namespace
