#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/printer/PrinterRequests.h"

namespace velmora::core::printer_requests {
namespace {

TEST(PrinterRequests, NamePairLimitIs256BytesWithBothTerminators) {
  const std::string a(200, 'a');
  const std::string b254(54, 'b');  // 200 + 1 + 54 + 1 = 256
  const auto data = NamePairData(a, b254);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->size(), 256u);
  EXPECT_EQ((*data)[200], 0);
  EXPECT_EQ(data->back(), 0);
  EXPECT_FALSE(NamePairData(a, b254 + "b"));
  EXPECT_EQ(*NamePairData("", ""), (Bytes{0, 0}));
}

TEST(PrinterRequests, BasicParametersLayout) {
  const Bytes data = BasicParametersData(115200, 0x10, 3, 1, 0x1E, 0x0102, 600, 0xFFFF, -1);
  const Bytes expected = {0x00, 0x01, 0xC2, 0x00, 0x10, 0x03, 0x01, 0x1E,
                          0x02, 0x01, 0x58, 0x02, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(data, expected);
}

TEST(PrinterRequests, PrintSpeedSelectsOnlyTheSpeedFunction) {
  const Bytes data = PrintSpeedSettingData(-2);
  ASSERT_EQ(data.size(), 36u);
  EXPECT_EQ(Bytes(data.begin(), data.begin() + 8), (Bytes{0x01, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
  for (size_t i = 8; i < data.size(); ++i) EXPECT_EQ(data[i], 0) << i;
}

TEST(PrinterRequests, LabelAdjustmentInWholeDots) {
  const auto dots = LabelAdjustmentToDots(1.56, -2.5, 8);
  ASSERT_TRUE(dots);
  EXPECT_EQ(dots->print_dots, 12);  // 12.48 rounds to 12
  EXPECT_EQ(dots->tear_dots, -20);
  EXPECT_EQ(LabelPositionAdjustment(dots->print_dots, dots->tear_dots),
            (Bytes{0x1F, 0x28, 0x4C, 0x05, 0x00, 0x33, 0x0C, 0x00, 0xEC, 0xFF}));
  EXPECT_FALSE(LabelAdjustmentToDots(1.0, 1.0, 0));
  EXPECT_FALSE(LabelAdjustmentToDots(std::nan(""), 0, 8));
  EXPECT_FALSE(LabelAdjustmentToDots(0, std::numeric_limits<double>::infinity(), 8));
  EXPECT_FALSE(LabelAdjustmentToDots(5000.0, 0, 8));  // 40000 dots do not fit
}

}  // namespace
}  // namespace velmora::core::printer_requests
