#include "nzcommon/imgprocess/PixelConversion.h"

#include <algorithm>

namespace velmora::imgprocess {

namespace {

inline uint8_t Luminance(unsigned r, unsigned g, unsigned b) {
  return static_cast<uint8_t>((77 * r + 150 * g + 29 * b + 128) >> 8);
}

// A pixel with coverage `alpha` laid over white paper.
inline uint8_t OverWhite(uint8_t grey, unsigned alpha) {
  return static_cast<uint8_t>((grey * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Byte positions of the colour channels and alpha in a 4-byte pixel.
struct Layout4 {
  int r, g, b, a;
};

constexpr Layout4 kRgbaLayout{0, 1, 2, 3};

void FourChannelsToGrey(const uint8_t *src, uint8_t *dst, size_t count, Layout4 l) {
  for (size_t x = 0; x < count; ++x, src += 4) {
    dst[x] = OverWhite(Luminance(src[l.r], src[l.g], src[l.b]), src[l.a]);
  }
}

void ConvertRow(const uint8_t *src, uint8_t *dst, int width, PixelsFormat format) {
  switch (format) {
    case PixelsFormat::kMonoMsbFirst:
      for (int x = 0; x < width; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;
      return;
    case PixelsFormat::kMonoLsbFirst:
      for (int x = 0; x < width; ++x) dst[x] = (src[x >> 3] >> (x & 7)) & 1 ? 0 : 255;
      return;
    case PixelsFormat::kGray8:
      for (int x = 0; x < width; ++x) dst[x] = src[x];
      return;
    case PixelsFormat::kRgb:
      RgbToGrey(src, dst, static_cast<size_t>(width));
      return;
    case PixelsFormat::kBgr:
      for (int x = 0; x < width; ++x, src += 3) dst[x] = Luminance(src[2], src[1], src[0]);
      return;
    default:
      break;
  }
  Layout4 l{};
  switch (format) {
    case PixelsFormat::kArgb:
      l = {1, 2, 3, 0};
      break;
    case PixelsFormat::kRgba:
      l = kRgbaLayout;
      break;
    case PixelsFormat::kAbgr:
      l = {3, 2, 1, 0};
      break;
    default:
      l = {2, 1, 0, 3};
      break;  // BGRA
  }
  FourChannelsToGrey(src, dst, static_cast<size_t>(width), l);
}

}  // namespace

void RgbToGrey(const uint8_t *rgb, uint8_t *grey, size_t pixel_count) {
  for (size_t i = 0; i < pixel_count; ++i, rgb += 3) grey[i] = Luminance(rgb[0], rgb[1], rgb[2]);
}

bool DecodedPixelsToGrey(const uint8_t *pixels, int channels, uint8_t *grey, size_t pixel_count) {
  switch (channels) {
    case 1:
      std::copy(pixels, pixels + pixel_count, grey);
      return true;
    case 2:
      for (size_t i = 0; i < pixel_count; ++i, pixels += 2)
        grey[i] = OverWhite(pixels[0], pixels[1]);
      return true;
    case 3:
      RgbToGrey(pixels, grey, pixel_count);
      return true;
    case 4:
      FourChannelsToGrey(pixels, grey, pixel_count, kRgbaLayout);
      return true;
    default:
      return false;
  }
}

int64_t PixelsRowBytes(int format, int64_t width) {
  if (!IsValidPixelsFormat(format) || width < 0) return 0;
  switch (static_cast<PixelsFormat>(format)) {
    case PixelsFormat::kMonoMsbFirst:
    case PixelsFormat::kMonoLsbFirst:
      return (width + 7) / 8;
    case PixelsFormat::kGray8:
      return width;
    case PixelsFormat::kRgb:
    case PixelsFormat::kBgr:
      return width * 3;
    default:
      return width * 4;
  }
}

int64_t PixelsBufferBytes(int format, int64_t width, int64_t height, int64_t stride) {
  if (height < 1) return 0;
  return (height - 1) * stride + PixelsRowBytes(format, width);
}

std::optional<GreyImage> PixelsToGrey(const uint8_t *pixels, int width, int height, int stride,
                                      int format) {
  if (pixels == nullptr || !IsValidPixelsFormat(format) || !IsAcceptableImageSize(width, height) ||
      stride < PixelsRowBytes(format, width)) {
    return std::nullopt;
  }
  GreyImage grey;
  grey.width = width;
  grey.height = height;
  grey.pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    ConvertRow(pixels + static_cast<size_t>(y) * stride, grey.row(y), width,
               static_cast<PixelsFormat>(format));
  }
  return grey;
}

}  // namespace velmora::imgprocess
