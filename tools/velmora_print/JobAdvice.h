// What to tell the user when the image print job could not be made.
#pragma once

#include <string>

#include "velmora/convenience/print_common.hpp"

namespace velmora_print {

// What one image print job may hold.
inline constexpr long long kJobLimitBytes = velmora::VLPrintCommon::kImageJobCapacity;

// True when the raster of a picture of `width` x `height` pixels, one pixel per dot without
// compression, is by itself more than one job may hold.
bool RasterPastJobLimit(long long width, long long height);

// Why a picture of `width` x `height` pixels, printed one pixel per dot without compression on
// paper `paper_dots` wide (0: not known), made no job, and what picture would print.
std::string JobNotMadeAdvice(long long width, long long height, long long paper_dots);

}  // namespace velmora_print
