// Page placement at its edges: kept values, items larger than the area, rounding and direction
// bytes. Start, centre and end in each direction are in commands/PageCommandsTest.
#include <gtest/gtest.h>

#include <tuple>

#include "nzcommon/pagelayout/PageLayout.h"

namespace velmora::test {
namespace {

constexpr PL_Utils_Size kArea{400, 300};
constexpr PL_Utils_Size kItem{100, 50};

TEST(PagePlacement, OtherValuesAreKept) {
  for (const int v : {0, 7, 65535, -4, -100}) {
    const PL_Utils_Position p = Utils_Page_ComputeRectPosition(kArea, 1, v, v, kItem);
    EXPECT_EQ(p.x, v);
    EXPECT_EQ(p.y, v);
  }
}

TEST(PagePlacement, LargeItemsCentresAndDirectionBytes) {
  // Items larger than the area start at its start.
  for (const PL_Utils_Size item : {PL_Utils_Size{500, 301}, PL_Utils_Size{INT32_MAX, INT32_MAX}}) {
    const PL_Utils_Position a = Utils_Page_ComputeRectPosition(kArea, 0, -2, -3, item),
                            b = Utils_Page_ComputeRectPosition(kArea, 0, -3, -2, item);
    EXPECT_EQ(std::tie(a.x, a.y, b.x, b.y), std::make_tuple(0, 0, 0, 0));
  }
  // The centre rounds down.
  EXPECT_EQ(Utils_Page_ComputeRectPosition({401, 300}, 0, -2, 0, kItem).x, 150);
  // ASCII direction bytes turn like their numbers.
  EXPECT_EQ(Utils_Page_ComputeRectPosition(kArea, '1', -3, 0, kItem).x, 200);
  EXPECT_EQ(Utils_Page_ComputeRectPosition(kArea, '2', -3, 0, kItem).x, 300);
}

}  // namespace
}  // namespace velmora::test
