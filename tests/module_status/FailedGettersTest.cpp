// The module's getters leave their out-parameters alone whenever the flat call fails, for a
// handle that reaches the flat layer as well as for handle 0.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "support/MemoryPort.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

TEST(FailedGetters, LeaveTheCallersValuesWhenTheFlatCallFails) {
  // Handles the flat layer refuses: a closed port's, and a value that never was a port (the
  // registry compares handles, it never follows them).
  Int closed = 0;
  {
    MemoryPort port(16);
    closed = reinterpret_cast<Int>(port.handle());
    ASSERT_NE(closed, 0);
  }
  int never_a_port = 0;
  for (const Int handle : {closed, reinterpret_cast<Int>(&never_a_port)}) {
    Int width = -1, height = -2, dots = -3, count = -4, page = -5;
    std::int64_t error = -6, info = -7, when = -8;
    double print = -9.5, tear = -10.5;
    EXPECT_FALSE(velmora::VP_Printer_GetPrinterResolutionInfo(handle, width, height, dots));
    EXPECT_FALSE(velmora::VP_Printer_GetPrinterStatusInfo(handle, error, info, when));
    EXPECT_FALSE(velmora::VP_Printer_GetPrinterReceivedInfo(handle, count, when));
    EXPECT_FALSE(velmora::VP_Printer_GetPrinterPrintedInfo(handle, page, when));
    EXPECT_FALSE(
        velmora::VP_Printer_GetPrinterLabelPositionAdjustmentInfo(handle, print, tear, when));
    EXPECT_EQ(width, -1);
    EXPECT_EQ(height, -2);
    EXPECT_EQ(dots, -3);
    EXPECT_EQ(count, -4);
    EXPECT_EQ(page, -5);
    EXPECT_EQ(error, -6);
    EXPECT_EQ(info, -7);
    EXPECT_EQ(when, -8);
    EXPECT_EQ(print, -9.5);
    EXPECT_EQ(tear, -10.5);
    EXPECT_EQ(velmora::VP_Printer_GetPrinterFirmwareVersion(handle), "");
    EXPECT_EQ(velmora::VP_Proto_QuerySerialNumber(handle, 100), std::nullopt);
  }
}

}  // namespace
}  // namespace velmora::test
