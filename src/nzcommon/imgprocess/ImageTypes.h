#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::imgprocess {

// Limits that keep a hostile or mistaken image from exhausting memory. The printer commands
// carry 16-bit sizes, so no side may exceed 65535 dots; the pixel cap bounds what one decode
// or one scaled image may allocate (128 MiB of RGBA at most).
inline constexpr int kMaxImageSide = 65535;
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 25;
// Encoded files larger than this are refused before they are read.
inline constexpr int64_t kMaxEncodedImageBytes = int64_t{256} << 20;

// True when a width x height image may be decoded or built.
inline bool IsAcceptableImageSize(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

// Binarisation methods of the image functions.
enum class BinarizationMethod : int { kOrderedDither = 0, kMeanThreshold = 1, kErrorDiffusion = 2 };
// Compression of receipt raster images.
enum class CompressionMethod : int { kNone = 0, kRunLength = 1, kJbig = 2 };
// Layouts of caller pixel buffers (byte order in memory).
enum class PixelsFormat : int {
  kMonoMsbFirst = 1,
  kMonoLsbFirst = 2,
  kGray8 = 3,
  kRgb = 4,
  kBgr = 5,
  kArgb = 6,
  kRgba = 7,
  kAbgr = 8,
  kBgra = 9,
};

inline bool IsValidBinarizationMethod(int method) {
  return method >= 0 && method <= 2;
}
inline bool IsValidPixelsFormat(int format) {
  return format >= 1 && format <= 9;
}

// 8-bit grey image, one byte per pixel, rows packed (0 = black, 255 = white).
struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  uint8_t *row(int y) { return pixels.data() + static_cast<size_t>(y) * width; }
  const uint8_t *row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
};

// 1-bit raster: most significant bit leftmost, 1 = black, rows (width + 7) / 8 bytes apart.
struct MonoBitmap {
  int width = 0;
  int height = 0;
  int stride = 0;
  std::vector<uint8_t> bits;

  MonoBitmap() = default;
  MonoBitmap(int w, int h)
      : width(w), height(h), stride((w + 7) / 8), bits(static_cast<size_t>(stride) * h, 0) {}

  uint8_t *row(int y) { return bits.data() + static_cast<size_t>(y) * stride; }
  const uint8_t *row(int y) const { return bits.data() + static_cast<size_t>(y) * stride; }
  bool black(int x, int y) const { return (row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
};

}  // namespace velmora::imgprocess
