// PNG files made to order, for tests and fuzzing: any header and palette, with image data that
// inflates to given bytes or to a given number of zero bytes. No other encoder writes a picture
// whose data does not match its header, or a palette shorter than its indices need.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora::vprinter {

// The fields of a PNG's IHDR chunk.
struct PngHeader {
  uint32_t width = 1;
  uint32_t height = 1;
  uint8_t depth = 8;        // bits per sample
  uint8_t colour_type = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  uint8_t interlace = 0;    // 1: Adam7
};

// The bytes the image data of `header` inflates to: for each pass (seven when interlaced) and
// each of its rows, one filter byte and the row's samples.
uint64_t PngDataBytes(const PngHeader &header);

// A PNG whose image data inflates to `data`, kept uncompressed. `palette` holds the PLTE
// chunk's RGB entries (none when empty).
std::vector<uint8_t> PngOf(const PngHeader &header, const std::vector<uint8_t> &data,
                           const std::vector<uint8_t> &palette = {});

// A PNG whose image data inflates to `zeros` zero bytes, about 13 bits for every 258: a picture
// of zero samples when `zeros` is PngDataBytes(header), an inflation bomb when far more.
std::vector<uint8_t> PngOfZeros(const PngHeader &header, uint64_t zeros,
                                const std::vector<uint8_t> &palette = {});

}  // namespace velmora::vprinter
