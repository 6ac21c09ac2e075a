#pragma once

#include <cstdint>
#include <vector>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

// Compresses rows [first_row, first_row + row_count) of a bitmap into one ITU-T T.85 bi-level
// image entity (header and data) with JBIG-KIT's T.85 encoder. The image width in the header is
// the row stride in dots (stride * 8), so padding bits travel along and every decoded row has
// exactly the stride. Options: typical prediction on, three-line template, 128 lines per
// stripe, adaptive template moves up to 127 dots.
std::vector<uint8_t> EncodeJbig85(const MonoBitmap &bitmap, int first_row, int row_count);

}  // namespace velmora::imgprocess
