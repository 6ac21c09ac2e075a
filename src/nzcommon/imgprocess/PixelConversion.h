#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

// Luminance of packed 8-bit RGB pixels (weights 77/150/29 of 256: black stays 0, white 255).
void RgbToGrey(const uint8_t *rgb, uint8_t *grey, size_t pixel_count);

// Packed 8-bit pixels as the decoder gives them (`channels` 1 grey, 2 grey + alpha, 3 RGB,
// 4 RGBA) to grey, alpha laid over white paper exactly as in PixelsToGrey. False for another
// channel count.
bool DecodedPixelsToGrey(const uint8_t *pixels, int channels, uint8_t *grey, size_t pixel_count);

// Bytes one row of `width` pixels of `format` takes; 0 for an unknown format.
int64_t PixelsRowBytes(int format, int64_t width);

// Bytes a caller buffer must hold for `height` rows `stride` bytes apart.
int64_t PixelsBufferBytes(int format, int64_t width, int64_t height, int64_t stride);

// Converts a caller pixel buffer (formats 1..9) to grey. In the 1-bit formats a set bit is
// black; pixels with alpha are laid over white paper. nullopt for an unknown format, a size
// outside IsAcceptableImageSize, a stride shorter than one row, or a null buffer.
std::optional<GreyImage> PixelsToGrey(const uint8_t *pixels, int width, int height, int stride,
                                      int format);

}  // namespace velmora::imgprocess
