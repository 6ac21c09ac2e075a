#include "nzcommon/pagelayout/PageLayout.h"

#include <algorithm>
#include <cstdint>

namespace velmora::nzcommon {
namespace {

int ClampToInt(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

PL_Utils_Size PageExtentsInDirection(PL_Utils_Size page, int direction) {
  // ESC T 1 and 3 (and their ASCII forms 49 and 51) turn the page a quarter.
  if ((direction & 1) != 0) return PL_Utils_Size{page.height, page.width};
  return page;
}

int PlaceAlongAxis(int value, int extent, int size) {
  const int64_t room = int64_t{extent} - size;
  switch (value) {
    case kPlaceAtStart:
      return 0;
    case kPlaceAtCentre:
      return ClampToInt(std::max<int64_t>(0, room / 2));
    case kPlaceAtEnd:
      return ClampToInt(std::max<int64_t>(0, room));
    default:
      return value;
  }
}

}  // namespace velmora::nzcommon

using velmora::nzcommon::PageExtentsInDirection;
using velmora::nzcommon::PlaceAlongAxis;

extern "C" PL_Utils_Position Utils_Page_ComputeRectPosition(PL_Utils_Size page, int direction,
                                                            int x, int y, PL_Utils_Size item) {
  const PL_Utils_Size extents = PageExtentsInDirection(page, direction);
  return PL_Utils_Position{PlaceAlongAxis(x, extents.width, item.width),
                           PlaceAlongAxis(y, extents.height, item.height)};
}

extern "C" PL_Utils_Position Utils_Page_ComputePrintPosition(PL_Utils_Size page, int direction,
                                                             int x, int y, PL_Utils_Size item) {
  PL_Utils_Position corner = Utils_Page_ComputeRectPosition(page, direction, x, y, item);
  corner.y =
      static_cast<int>(std::clamp<int64_t>(int64_t{corner.y} + item.height, INT32_MIN, INT32_MAX));
  return corner;
}
