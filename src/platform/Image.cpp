#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "nzcommon/imgprocess/StbImage.h"
#include "platform/PngEncoder.h"
#include "velmora/image.hpp"

namespace velmora::platform {
namespace {

int ChannelsOf(Image::PixelFormat format) {
  switch (format) {
    case Image::PixelFormat::Gray:
      return 1;
    case Image::PixelFormat::GrayAlpha:
      return 2;
    case Image::PixelFormat::RGB:
      return 3;
    case Image::PixelFormat::RGBA:
      return 4;
  }
  return 0;
}

// The encoders take sizes as int: a row and the whole image must stay within that range.
bool SizeFits(int width, int height, int channels) {
  if (width <= 0 || height <= 0 || channels < 1 || channels > 4) return false;
  const long long row = static_cast<long long>(width) * channels;
  return row <= INT_MAX && row * height <= INT_MAX;
}

}  // namespace

std::shared_ptr<Image> Image::fromFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return nullptr;
  const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)),
                                       std::istreambuf_iterator<char>());
  if (file.bad()) return nullptr;
  return fromData(data);
}

std::shared_ptr<Image> Image::fromData(const std::vector<std::uint8_t> &data) {
  if (data.empty() || data.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;
  int width = 0;
  int height = 0;
  int channels = 0;
  unsigned char *decoded =
      velmora_stbi_load(data.data(), static_cast<int>(data.size()), &width, &height, &channels);
  if (decoded == nullptr) return nullptr;
  std::shared_ptr<Image> image;
  if (SizeFits(width, height, channels)) {
    image = std::make_shared<Image>();
    image->width_ = width;
    image->height_ = height;
    image->channels_ = channels;
    image->pixels_.assign(decoded, decoded + static_cast<std::size_t>(width) * height * channels);
  }
  velmora_stbi_free(decoded);
  return image;
}

std::shared_ptr<Image> Image::fromPixels(const std::vector<std::uint8_t> &pixels, int width,
                                         int height, PixelFormat format, std::size_t stride) {
  const int channels = ChannelsOf(format);
  if (!SizeFits(width, height, channels)) return nullptr;
  const std::size_t row = static_cast<std::size_t>(width) * channels;
  if (stride == 0) stride = row;
  if (stride < row) return nullptr;
  // The last row needs only its own bytes, not a whole stride.
  const std::size_t needed = stride * (static_cast<std::size_t>(height) - 1) + row;
  if (pixels.size() < needed) return nullptr;
  auto image = std::make_shared<Image>();
  image->width_ = width;
  image->height_ = height;
  image->channels_ = channels;
  image->pixels_.resize(row * height);
  for (int y = 0; y < height; ++y) {
    std::memcpy(image->pixels_.data() + row * y, pixels.data() + stride * y, row);
  }
  return image;
}

std::optional<std::vector<std::uint8_t>> Image::pngRepresentation() const {
  if (pixels_.empty()) return std::nullopt;
  int size = 0;
  unsigned char *png =
      velmora_platform_png_encode(pixels_.data(), width_, height_, channels_, &size);
  if (png == nullptr) return std::nullopt;
  std::vector<std::uint8_t> bytes(png, png + (size > 0 ? size : 0));
  velmora_platform_png_free(png);
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

ImageSize Image::size() const {
  return ImageSize{static_cast<double>(width_), static_cast<double>(height_)};
}

}  // namespace velmora::platform
