#pragma once

#include <optional>
#include <string>
#include <vector>

#include "PaperLayout.h"

namespace velmora::vprinter {

// Writes the paper as an 8-bit grey PNG, one pixel per dot: black dots black, paper white, a
// cut a dashed grey row. False when the file cannot be written or the paper is empty.
bool WritePng(const Paper &paper, const std::string &path);

// Encodes width x height pixels of 1..4 channels (grey, grey + alpha, RGB, RGBA; rows packed)
// as PNG; empty on failure. Tests use it to make image files.
std::vector<uint8_t> EncodePng(int width, int height, int channels, const uint8_t *pixels);
// The same as a baseline JPEG.
std::vector<uint8_t> EncodeJpeg(int width, int height, int channels, const uint8_t *pixels);

// Decodes what a printer with paper `paper_width` dots wide (0: as wide as needed) received and
// writes the paper as a PNG; the paper laid out, or none on a malformed raster command or a
// write failure.
std::optional<Paper> RenderReceivedToPng(const std::vector<uint8_t> &received,
                                         const std::string &path, int paper_width = 0);

}  // namespace velmora::vprinter
