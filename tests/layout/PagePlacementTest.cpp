// Page placement: where an item goes for each direction and for start, centre and end.
#include <gtest/gtest.h>

#include "nzcommon/pagelayout/PageLayout.h"

namespace velmora::test {
namespace {

constexpr PL_Utils_Size kArea{400, 300};
constexpr PL_Utils_Size kItem{100, 50};

TEST(PagePlacement, StartCentreAndEndInEachDirection) {
  struct Expected {
    int start, centre, end;
  };
  // Along x the area is 400 wide in even directions and 300 in odd ones; along y the other.
  const Expected even_x{0, 150, 300}, even_y{0, 125, 250};
  const Expected odd_x{0, 100, 200}, odd_y{0, 175, 350};
  for (int direction = 0; direction < 4; ++direction) {
    SCOPED_TRACE(direction);
    const Expected &ex = direction % 2 == 0 ? even_x : odd_x;
    const Expected &ey = direction % 2 == 0 ? even_y : odd_y;
    const int values[3] = {-1, -2, -3};
    const int want_x[3] = {ex.start, ex.centre, ex.end};
    const int want_y[3] = {ey.start, ey.centre, ey.end};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        const PL_Utils_Position p =
            Utils_Page_ComputeRectPosition(kArea, direction, values[i], values[j], kItem);
        EXPECT_EQ(p.x, want_x[i]) << values[i];
        EXPECT_EQ(p.y, want_y[j]) << values[j];
      }
    }
  }
}

TEST(PagePlacement, OtherValuesAreKept) {
  for (const int v : {0, 7, 65535, -4, -100}) {
    const PL_Utils_Position p = Utils_Page_ComputeRectPosition(kArea, 1, v, v, kItem);
    EXPECT_EQ(p.x, v);
    EXPECT_EQ(p.y, v);
  }
}

TEST(PagePlacement, ItemsLargerThanTheAreaStartAtItsStart) {
  const PL_Utils_Position p = Utils_Page_ComputeRectPosition(kArea, 0, -2, -3, {500, 301});
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  const PL_Utils_Position huge =
      Utils_Page_ComputeRectPosition(kArea, 0, -3, -2, {INT32_MAX, INT32_MAX});
  EXPECT_EQ(huge.x, 0);
  EXPECT_EQ(huge.y, 0);
}

TEST(PagePlacement, CentreRoundsDown) {
  EXPECT_EQ(Utils_Page_ComputeRectPosition({401, 300}, 0, -2, 0, kItem).x, 150);
}

TEST(PagePlacement, AsciiDirectionBytesTurnLikeTheirNumbers) {
  EXPECT_EQ(Utils_Page_ComputeRectPosition(kArea, '1', -3, 0, kItem).x, 200);
  EXPECT_EQ(Utils_Page_ComputeRectPosition(kArea, '2', -3, 0, kItem).x, 300);
}

TEST(PagePlacement, PrintPositionIsTheLowerEdge) {
  const PL_Utils_Position p = Utils_Page_ComputePrintPosition(kArea, 0, -2, -3, kItem);
  EXPECT_EQ(p.x, 150);
  EXPECT_EQ(p.y, 300);
  const PL_Utils_Position q = Utils_Page_ComputePrintPosition(kArea, 3, 10, 20, kItem);
  EXPECT_EQ(q.x, 10);
  EXPECT_EQ(q.y, 70);
}

}  // namespace
}  // namespace velmora::test
