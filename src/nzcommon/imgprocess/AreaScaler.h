#pragma once

#include <optional>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

// Scales a grey image to width x height by area averaging: every output pixel is the mean of
// the source area it covers, each source pixel weighted by the exact fraction it overlaps.
// Shrinking keeps thin lines and small text as grey strokes instead of dropping them, as
// point sampling would; enlarging repeats pixels with blended seams. The same size is a copy.
// nullopt when the target size is outside IsAcceptableImageSize.
std::optional<GreyImage> ScaleAreaAverage(const GreyImage &source, int width, int height);

}  // namespace velmora::imgprocess
