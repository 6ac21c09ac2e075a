#include "nzcommon/imgprocess/ImageDecode.h"

#include <climits>

#include "nzcommon/imgprocess/JpegGuard.h"
#include "nzcommon/imgprocess/PixelConversion.h"
#include "nzcommon/imgprocess/StbImage.h"

namespace velmora::imgprocess {

namespace {

bool FitsDecoder(size_t size) {
  return size > 0 && size <= static_cast<size_t>(kMaxEncodedImageBytes) && size <= INT_MAX;
}

}  // namespace

void DecoderPixelsFree::operator()(unsigned char *pixels) const {
  velmora_stbi_free(pixels);
}

std::optional<ImageSize> ReadImageSize(const uint8_t *data, size_t size) {
  if (data == nullptr || !FitsDecoder(size)) return std::nullopt;
  // The header reader builds JPEG Huffman tables too, so the guard comes first.
  if (!JpegIsSafeToDecode(data, size)) return std::nullopt;
  ImageSize result;
  if (!velmora_stbi_info(data, static_cast<int>(size), &result.width, &result.height)) {
    return std::nullopt;
  }
  return result;
}

std::optional<DecodedImage> DecodeImage(const uint8_t *data, size_t size) {
  const auto announced = ReadImageSize(data, size);
  if (!announced || !IsAcceptableImageSize(announced->width, announced->height)) {
    return std::nullopt;
  }
  DecodedImage image;
  image.pixels.reset(velmora_stbi_load(data, static_cast<int>(size), &image.width, &image.height,
                                       &image.channels));
  // The decoder must deliver what the header announced; anything else is refused.
  if (!image.pixels || image.width != announced->width || image.height != announced->height ||
      image.channels < 1 || image.channels > 4) {
    return std::nullopt;
  }
  return image;
}

std::optional<GreyImage> DecodeToGrey(const uint8_t *data, size_t size) {
  const auto decoded = DecodeImage(data, size);
  if (!decoded) return std::nullopt;
  GreyImage grey;
  grey.width = decoded->width;
  grey.height = decoded->height;
  grey.pixels.resize(static_cast<size_t>(grey.width) * grey.height);
  if (!DecodedPixelsToGrey(decoded->pixels.get(), decoded->channels, grey.pixels.data(),
                           grey.pixels.size())) {
    return std::nullopt;
  }
  return grey;
}

}  // namespace velmora::imgprocess
