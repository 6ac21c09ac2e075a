#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

using Bytes = std::vector<uint8_t>;

// Lines per band of the uncompressed and the JBIG receipt raster commands.
inline constexpr int kGsV0BandLines = 24;
inline constexpr int kJbigBandLines = 255;

// Receipt raster, compression 0: GS v 0 (1D 76 30 00 xL xH yL yH data) per band of 24 lines,
// x = bytes per row, y = lines in the band.
void AppendGsV0Bands(Bytes &out, const MonoBitmap &bitmap);

// Receipt raster, compression 1: one 1F 28 50 pL pH xL xH data per line, p = 2 + the data's
// length, x = bytes per row, data = the row in PackBits run-length code.
void AppendRunLengthLines(Bytes &out, const MonoBitmap &bitmap);

// Receipt raster, compression 2: one 1F 28 4A xL xH yL yH n1 n2 n3 n4 data per band of 255
// lines, x = bytes per row, y = lines in the band, n = the data's length (32 bits), data = the
// band as one T.85 image entity.
void AppendJbigBands(Bytes &out, const MonoBitmap &bitmap);

// The whole receipt raster command for a compression method 0..2; nullopt for another.
std::optional<Bytes> FrameReceiptRaster(const MonoBitmap &bitmap, int compression);

// Page-mode raster: GS 8 L p1..p4 30 70 30 01 01 31 xL xH yL yH data (store the graphics,
// p = 10 + data length, x and y in dots, rows of (x + 7) / 8 bytes), then GS ( L 02 00 30 32
// (print the stored graphics into the page at the current position).
Bytes FramePageRaster(const MonoBitmap &bitmap);

// Label raster at x, y (low 16 bits): compression 0 writes 1A 21 01 x y w h 00 00 rows,
// compression 2 writes 1A 21 FF x y w h n1..n4 T.85 data; w = bytes per row * 8. nullopt for
// another compression or a row wider than 16 bits of dots.
std::optional<Bytes> FrameLabelRaster(int x, int y, const MonoBitmap &bitmap, int compression);

// PackBits run-length code of one row: a control byte c, then c + 1 literal bytes when
// c < 128, or one byte repeated 257 - c times when c > 128.
void AppendPackBits(Bytes &out, const uint8_t *data, int count);

}  // namespace velmora::imgprocess
