#include "nzcommon/imgprocess/ImageDecode.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "nzcommon/imgprocess/JpegGuard.h"
#include "nzcommon/imgprocess/PaletteGuard.h"
#include "nzcommon/imgprocess/PixelConversion.h"
#include "nzcommon/imgprocess/StbImage.h"

namespace velmora::imgprocess {

namespace {

bool FitsDecoder(size_t size) {
  return size > 0 && size <= static_cast<size_t>(kMaxEncodedImageBytes) && size <= INT_MAX;
}

// PNG samples of 16 bits take the decoder twice the room of 8-bit ones (the bit depth is byte 24,
// in the IHDR chunk that comes first).
bool IsSixteenBitPng(const uint8_t *data, size_t size) {
  static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return size > 24 && std::equal(std::begin(kSignature), std::end(kSignature), data) &&
         data[24] == 16;
}

}  // namespace

size_t DecoderBudget(size_t encoded_size, const ImageSize &size, bool sixteen_bit) {
  const auto blocks = [](int side) { return (static_cast<size_t>(side) + 15) / 16 * 16; };
  const size_t pixel_bytes = sixteen_bit ? 8 : 4;
  return 2 * encoded_size +
         kDecoderStages * pixel_bytes * blocks(size.width) * blocks(size.height) +
         kDecoderTableBytes;
}

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

std::optional<DecodedImage> DecodeImage(const uint8_t *data, size_t size, DecoderUse *use) {
  const auto announced = ReadImageSize(data, size);
  if (!announced || !IsAcceptableImageSize(announced->width, announced->height)) {
    return std::nullopt;
  }
  const auto filled = FillShortPalette(data, size);
  const uint8_t *input = filled ? filled->data.data() : data;
  const size_t input_size = filled ? filled->data.size() : size;  // at most 1 KiB more
  // A filled palette adds no image data: the budget is that of the bytes as they came.
  const size_t budget = DecoderBudget(size, *announced, IsSixteenBitPng(data, size));
  DecodedImage image;
  size_t peak = 0;
  image.pixels.reset(velmora_stbi_load(input, static_cast<int>(input_size), budget, &image.width,
                                       &image.height, &image.channels, &peak));
  if (use != nullptr) *use = DecoderUse{budget, peak};
  // The decoder must deliver what the header announced; anything else is refused.
  if (!image.pixels || image.width != announced->width || image.height != announced->height ||
      image.channels < 1 || image.channels > 4) {
    return std::nullopt;
  }
  if (filled && ShowsFill(*filled, image.pixels.get(),
                          static_cast<size_t>(image.width) * image.height, image.channels)) {
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
