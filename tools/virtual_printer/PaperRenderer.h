#pragma once

#include <string>

#include "RasterDecoder.h"

namespace velmora::vprinter {

// Lays decoded raster pieces out as the printer would put them on paper: receipt pieces one
// below the other at the left edge; the pieces of one page or label at their x, y inside a
// sheet that starts below what was printed before it.
Bitmap LayOutPaper(const DecodedRaster &decoded);

// Writes a bitmap as an 8-bit grey PNG (black dots black, paper white) with a white margin of
// `margin` pixels, so that a person can look at it and a QR reader can scan it. False when the
// file cannot be written or the bitmap is empty.
bool WritePng(const Bitmap &bitmap, const std::string &path, int margin = 16);

// Encodes width x height pixels of 1..4 channels (grey, grey + alpha, RGB, RGBA; rows packed)
// as PNG; empty on failure. Tests use it to make image files.
std::vector<uint8_t> EncodePng(int width, int height, int channels, const uint8_t *pixels);
// The same as a baseline JPEG.
std::vector<uint8_t> EncodeJpeg(int width, int height, int channels, const uint8_t *pixels);

// Decodes what a printer received and writes the paper as a PNG; false on a malformed raster
// command, an empty paper or a write failure.
bool RenderReceivedToPng(const std::vector<uint8_t> &received, const std::string &path);

}  // namespace velmora::vprinter
