// The picture an application hands to the printing helpers: decoded once from an encoded file
// or byte array (PNG, JPEG, BMP, GIF) or made from raw pixels, kept as 8-bit pixels with
// 1 to 4 channels, transparency included (printed, transparent parts lie on white paper). Its
// size is in points, one point per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "velmora/vp_common.h"

namespace velmora::platform {

struct ImageSize {
  double width = 0;
  double height = 0;
};

class VP_API Image {
 public:
  // Layout of raw pixels, 8 bits per channel.
  enum class PixelFormat { Gray, GrayAlpha, RGB, RGBA };

  // An image without pixels: size 0 x 0, and no PNG form.
  Image() = default;
  virtual ~Image() = default;

  // Both decode as the library's printing functions do, with their limits: null when the file
  // cannot be read or is no regular file (a directory or a FIFO is refused without being
  // opened), or the bytes are no image of a known format, are damaged, exceed 256 MiB, announce
  // more than 65535 pixels a side or 2^25 pixels in all, inflate past what the picture's size
  // needs, or use a colour past the picture's palette.
  static std::shared_ptr<Image> fromFile(const std::string &path);
  static std::shared_ptr<Image> fromData(const std::vector<std::uint8_t> &data);
  // The size an encoded image file announces, read from its header without decoding it, so
  // also for a picture past the pixel limits above; none when the file cannot be read or holds no
  // image of a known format.
  static std::optional<ImageSize> sizeOfFile(const std::string &path);
  // `height` rows of `width` pixels, each row starting `stride` bytes after the one before (0:
  // rows packed). Null when a size is not positive, the size is past the decoder's limits (65535
  // pixels a side, 2^25 in all), or the array is too short for the rows.
  static std::shared_ptr<Image> fromPixels(const std::vector<std::uint8_t> &pixels, int width,
                                           int height, PixelFormat format, std::size_t stride = 0);

  // The image encoded as PNG; none for an image without pixels or when encoding fails.
  virtual std::optional<std::vector<std::uint8_t>> pngRepresentation() const;
  // Width and height in points.
  virtual ImageSize size() const;

 private:
  int width_ = 0;
  int height_ = 0;
  int channels_ = 0;
  std::vector<std::uint8_t> pixels_;  // rows packed
};

}  // namespace velmora::platform
