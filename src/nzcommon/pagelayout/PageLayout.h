#pragma once

#include "velmora/vp_common.h"

extern "C" {

typedef struct PL_Utils_Size {
  int width;
  int height;
} PL_Utils_Size;

typedef struct PL_Utils_Position {
  int x;
  int y;
} PL_Utils_Position;

// Top-left corner of an item of `item` size in a page area of `page` size drawn in `direction`.
// An x or y of -1, -2 or -3 puts the item at the start, in the centre or at the end of the area
// along that axis; any other value is kept. With an odd direction the area's height runs
// along x. A placed corner never lies before the area's start.
VP_API PL_Utils_Position Utils_Page_ComputeRectPosition(PL_Utils_Size page, int direction, int x,
                                                        int y, PL_Utils_Size item);

// The print position (ESC $, GS $) of an item that the printer draws upward from the print
// position (text, barcodes, QR codes, raster images): the placed corner moved down by the
// item's height.
VP_API PL_Utils_Position Utils_Page_ComputePrintPosition(PL_Utils_Size page, int direction, int x,
                                                         int y, PL_Utils_Size item);
}

namespace velmora::nzcommon {

inline constexpr int kPlaceAtStart = -1;
inline constexpr int kPlaceAtCentre = -2;
inline constexpr int kPlaceAtEnd = -3;

// The area's extent along x (width) and y (height) in the drawing direction.
PL_Utils_Size PageExtentsInDirection(PL_Utils_Size page, int direction);

// Where an item of `size` starts along an axis of `extent` for a requested `value`.
int PlaceAlongAxis(int value, int extent, int size);

}  // namespace velmora::nzcommon
