#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

struct ImageSize {
  int width = 0;
  int height = 0;
};

// The size an encoded image announces in its header, without decoding it; nullopt when the
// data is no image of a supported format (PNG, JPEG, BMP, GIF).
std::optional<ImageSize> ReadImageSize(const uint8_t *data, size_t size);

// Pixels as the decoder hands them over, freed by it.
struct DecoderPixelsFree {
  void operator()(unsigned char *pixels) const;
};
using DecoderPixels = std::unique_ptr<unsigned char, DecoderPixelsFree>;

// An encoded image decoded to 8-bit pixels with its own channels (alpha kept), rows packed.
struct DecodedImage {
  int width = 0;
  int height = 0;
  int channels = 0;  // 1 grey, 2 grey + alpha, 3 RGB, 4 RGBA
  DecoderPixels pixels;
};

// The one way encoded pictures reach the decoder. Refuses, before decoding, data larger than
// kMaxEncodedImageBytes, a header that announces a size outside IsAcceptableImageSize, and a
// JPEG that JpegIsSafeToDecode refuses; afterwards, a result of another size than announced.
std::optional<DecodedImage> DecodeImage(const uint8_t *data, size_t size);

// DecodeImage, converted to grey; transparent parts lie on white paper, as caller pixels do.
std::optional<GreyImage> DecodeToGrey(const uint8_t *data, size_t size);

}  // namespace velmora::imgprocess
