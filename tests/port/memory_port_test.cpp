// Memory ports collect what is written, all or nothing against their capacity.
#include <gtest/gtest.h>

#include <vector>

#include "support/MemoryPort.h"
#include "support/PortTest.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using MemoryPortTest = PortTest;

TEST_F(MemoryPortTest, WritesAreAllOrNothingAgainstTheCapacity) {
  MemoryPort port(8);
  void *h = port.handle();
  const unsigned char first[] = {1, 2, 3, 4, 5}, too_long[] = {6, 7, 8, 9}, fits[] = {10, 11, 12};
  EXPECT_EQ(VP_Port_Write(h, first, 5, 100), 5);
  EXPECT_EQ(VP_Port_Write(h, too_long, 4, 100), -1) << "5 + 4 exceeds 8";
  EXPECT_EQ(VP_Port_Write(h, fits, 3, 100), 3) << "a later write that fits is appended";
  EXPECT_EQ(VP_Port_Write(h, fits, 0, 100), 0) << "an empty write at capacity is fine";
  EXPECT_EQ(VP_Port_Write(h, fits, 1, 100), -1);
  EXPECT_EQ(VP_Port_Write(h, nullptr, 3, 100), -1) << "a null buffer with a count is refused";
  EXPECT_EQ(port.Bytes(), (std::vector<uint8_t>{1, 2, 3, 4, 5, 10, 11, 12}));
  EXPECT_EQ(VP_Port_ClearMemoryBufferData(h), 1);
  EXPECT_EQ(VP_Port_Write(h, too_long, 4, 100), 4) << "capacity is available again after a clear";
  EXPECT_EQ(port.Bytes(), (std::vector<uint8_t>{6, 7, 8, 9}));

  MemoryPort empty(0);
  EXPECT_EQ(VP_Port_Write(empty.handle(), fits, 1, 100), -1);
  EXPECT_EQ(empty.TakeHex(), "");
}

TEST_F(MemoryPortTest, ReadingAMemoryPortTimesOutWithNothing) {
  MemoryPort port(8);
  unsigned char buffer[4] = {9, 9, 9, 9};
  EXPECT_EQ(VP_Port_Read(port.handle(), buffer, 4, 20), 0);
  EXPECT_EQ(VP_Port_Read(port.handle(), buffer, 0, 1000), 0) << "count 0 returns at once";
  EXPECT_EQ(buffer[0], 9);
  EXPECT_EQ(VP_Port_Available(port.handle()), 0);
  EXPECT_EQ(VP_Port_IsConnectionValid(port.handle()), 1) << "no automatic status reports asked for";
}

}  // namespace
}  // namespace velmora::test
