#include <climits>
#include <cstring>
#include <utility>

#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/ImageFile.h"
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

// Both go through the library's one guarded decoder, with the limits of the printing functions.
std::shared_ptr<Image> Image::fromFile(const std::string &path) {
  const auto data = imgprocess::ReadImageFile(path.c_str());
  if (!data) return nullptr;
  return fromData(*data);
}

std::optional<ImageSize> Image::sizeOfFile(const std::string &path) {
  const auto data = imgprocess::ReadImageFile(path.c_str());
  if (!data) return std::nullopt;
  const auto size = imgprocess::ReadImageSize(data->data(), data->size());
  if (!size) return std::nullopt;
  return ImageSize{static_cast<double>(size->width), static_cast<double>(size->height)};
}

std::shared_ptr<Image> Image::fromData(const std::vector<std::uint8_t> &data) {
  auto decoded = imgprocess::DecodeImage(data.data(), data.size());
  if (!decoded || !SizeFits(decoded->width, decoded->height, decoded->channels)) return nullptr;
  auto image = std::make_shared<Image>();
  image->width_ = decoded->width;
  image->height_ = decoded->height;
  image->channels_ = decoded->channels;
  const unsigned char *pixels = decoded->pixels.get();
  image->pixels_.assign(pixels, pixels + static_cast<std::size_t>(decoded->width) *
                                             decoded->height * decoded->channels);
  return image;
}

std::shared_ptr<Image> Image::fromPixels(const std::vector<std::uint8_t> &pixels, int width,
                                         int height, PixelFormat format, std::size_t stride) {
  const int channels = ChannelsOf(format);
  // Only what the decoder would make: a larger picture could never be printed.
  if (!imgprocess::IsAcceptableImageSize(width, height) || !SizeFits(width, height, channels)) {
    return nullptr;
  }
  const std::size_t row = static_cast<std::size_t>(width) * channels;
  if (stride == 0) stride = row;
  if (stride < row) return nullptr;
  // The last row needs only its own bytes, not a whole stride; an extent past the range of a
  // size cannot be in the array.
  std::size_t needed = 0;
  if (__builtin_mul_overflow(stride, static_cast<std::size_t>(height) - 1, &needed) ||
      __builtin_add_overflow(needed, row, &needed) || pixels.size() < needed) {
    return nullptr;
  }
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
