#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

// The size rule of the image functions: with both requested sizes <= 0 the image's own size;
// with one <= 0 that one is derived from the other by the image's aspect ratio (integer
// division); nullopt unless both end up at least 1 and within IsAcceptableImageSize.
std::optional<ImageSize> ResolveTargetSize(int dstw, int dsth, ImageSize image);

// Encoded image (PNG, JPEG, BMP, GIF) -> decoded, scaled to the resolved target size by
// area averaging, grey, binarised. nullopt on any failure; the method is checked and the header
// read before anything is decoded.
std::optional<MonoBitmap> EncodedImageToMono(const uint8_t *data, size_t size, int dstw, int dsth,
                                             int method);

// Caller pixels (formats 1..9) -> grey -> binarised, at their own size.
std::optional<MonoBitmap> PixelsToMono(const uint8_t *pixels, int width, int height, int stride,
                                       int format, int method);

}  // namespace velmora::imgprocess
