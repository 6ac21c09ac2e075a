#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

// The three ways a caller hands over a picture, each turned into dots by the size rule and a
// binarisation method. nullopt on any failure, before anything is sent.

// An encoded image file.
std::optional<MonoBitmap> MonoFromFile(const char *path, int dstw, int dsth, int method);

// An encoded image of `size` bytes in memory.
std::optional<MonoBitmap> MonoFromData(const uint8_t *data, size_t size, int dstw, int dsth,
                                       int method);

// `height` rows of `width` pixels of `format`, `stride` bytes apart, at their own size. The
// buffer must hold them: `length` below (height - 1) * stride + one row is refused rather than
// read past.
std::optional<MonoBitmap> MonoFromPixels(const uint8_t *pixels, size_t length, int width,
                                         int height, int stride, int format, int method);

}  // namespace velmora::imgprocess
