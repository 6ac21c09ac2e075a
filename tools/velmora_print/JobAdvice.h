// Whether a picture makes an image print job that fits, and what to tell the user when not.
#pragma once

#include <string>

#include "velmora/convenience/print_common.hpp"

namespace velmora_print {

// What one image print job may hold.
inline constexpr long long kJobLimitBytes = velmora::VLPrintCommon::kImageJobCapacity;

// The job's commands around the picture, as velmora-print asks for them.
struct JobSettings {
  velmora::Int density = -1;  // sent when within 0..15
  double feed_mm = 0;
  velmora::Int cut = 0;        // 1 full, 2 half
  velmora::Int alignment = 0;  // 0 left, 1 centre, 2 right
  // The printer's resolution; 0 dots per mm while it has reported none.
  velmora::Int width_mm = 0;
  velmora::Int dots_per_mm = 0;
};

// The bytes of the job's commands other than the picture: made by the module functions the
// job is made of, in a memory port, so every command is counted as the job will hold it.
long long OtherCommandBytes(const JobSettings &settings);

// The bytes of a picture of `width` x `height` pixels, one pixel per dot, as uncompressed
// raster (GS v 0 bands of 24 rows).
long long RasterBytes(long long width, long long height);

// The most rows of `width` pixels a job with `other_bytes` of other commands holds.
long long RowsThatFit(long long width, long long other_bytes);

// Why a picture of `width` x `height` pixels printed one pixel per dot on paper `paper_dots`
// wide (0: not known) makes no job with `other_bytes` of other commands, and what would print.
std::string JobNotMadeAdvice(long long width, long long height, long long paper_dots,
                             long long other_bytes);

}  // namespace velmora_print
