#include "nzcommon/imgprocess/Binarizer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora::imgprocess {

namespace {

inline void SetBlack(uint8_t *row, int x) {
  row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

constexpr uint8_t kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

// Black where grey < (2b + 1) * 255 / 128 for Bayer level b: thresholds lie strictly between
// 0 and 255, so 0 is always black and 255 always white.
void OrderedDither(const GreyImage &grey, MonoBitmap &out) {
  for (int y = 0; y < grey.height; ++y) {
    const uint8_t *src = grey.row(y);
    uint8_t *dst = out.row(y);
    const uint8_t *levels = kBayer8[y & 7];
    for (int x = 0; x < grey.width; ++x) {
      if (src[x] * 128 < (2 * levels[x & 7] + 1) * 255) SetBlack(dst, x);
    }
  }
}

// Black below the mean. A pixel exactly at the mean (a uniform image) is black only when it is
// dark, so a solid black image stays black and a solid white one stays white.
void MeanThreshold(const GreyImage &grey, MonoBitmap &out) {
  uint64_t sum = 0;
  for (uint8_t value : grey.pixels) sum += value;
  const uint64_t count = grey.pixels.size();
  for (int y = 0; y < grey.height; ++y) {
    const uint8_t *src = grey.row(y);
    uint8_t *dst = out.row(y);
    for (int x = 0; x < grey.width; ++x) {
      const uint64_t scaled = uint64_t{src[x]} * count;
      if (scaled < sum || (scaled == sum && src[x] < 128)) SetBlack(dst, x);
    }
  }
}

// Floyd-Steinberg, left to right, threshold 128. Errors are kept in sixteenths in two rows
// with one guard cell on each side.
void ErrorDiffusion(const GreyImage &grey, MonoBitmap &out) {
  const int w = grey.width;
  std::vector<int32_t> current(static_cast<size_t>(w) + 2, 0);
  std::vector<int32_t> next(static_cast<size_t>(w) + 2, 0);
  for (int y = 0; y < grey.height; ++y) {
    const uint8_t *src = grey.row(y);
    uint8_t *dst = out.row(y);
    for (int x = 0; x < w; ++x) {
      const int32_t value = src[x] + (current[x + 1] + 8) / 16;
      int32_t error;
      if (value < 128) {
        SetBlack(dst, x);
        error = value;
      } else {
        error = value - 255;
      }
      current[x + 2] += error * 7;
      next[x] += error * 3;
      next[x + 1] += error * 5;
      next[x + 2] += error;
    }
    current.swap(next);
    std::fill(next.begin(), next.end(), 0);
  }
}

}  // namespace

std::optional<MonoBitmap> Binarize(const GreyImage &grey, int method) {
  if (!IsValidBinarizationMethod(method)) return std::nullopt;
  MonoBitmap out(grey.width, grey.height);
  switch (static_cast<BinarizationMethod>(method)) {
    case BinarizationMethod::kOrderedDither:
      OrderedDither(grey, out);
      break;
    case BinarizationMethod::kMeanThreshold:
      MeanThreshold(grey, out);
      break;
    case BinarizationMethod::kErrorDiffusion:
      ErrorDiffusion(grey, out);
      break;
  }
  return out;
}

}  // namespace velmora::imgprocess
