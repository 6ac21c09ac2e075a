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

// The memory the decoder may hold at once for a picture of `encoded_size` bytes that announces
// `size`: the encoded bytes twice (a PNG's data is gathered in a buffer that doubles as it
// grows), kDecoderStages times the picture's pixels at 4 bytes (8 for 16-bit PNG samples) over
// its size rounded up to blocks of 16 x 16 (the most the stages of any format keep side by
// side: an interlaced PNG's inflated data, a pass and the picture; a progressive JPEG's
// coefficients and planes), and kDecoderTableBytes. A PNG whose data inflates far past what its
// width, height and depth need reaches this bound and is refused there.
inline constexpr size_t kDecoderStages = 5;
inline constexpr size_t kDecoderTableBytes = size_t{1} << 20;
size_t DecoderBudget(size_t encoded_size, const ImageSize &size, bool sixteen_bit);

// What one decode was allowed and took at most, in bytes.
struct DecoderUse {
  size_t budget = 0;
  size_t peak = 0;
};

// The one way encoded pictures reach the decoder. Refuses, before decoding, data larger than
// kMaxEncodedImageBytes, a header that announces a size outside IsAcceptableImageSize, and a
// JPEG that JpegIsSafeToDecode refuses; while decoding, what would take the decoder past its
// DecoderBudget; afterwards, a result of another size than announced, and a picture that uses a
// colour past its palette (see PaletteGuard.h). `use` (may be null) gets the decoder's memory.
std::optional<DecodedImage> DecodeImage(const uint8_t *data, size_t size,
                                        DecoderUse *use = nullptr);

// DecodeImage, converted to grey; transparent parts lie on white paper, as caller pixels do.
std::optional<GreyImage> DecodeToGrey(const uint8_t *data, size_t size);

}  // namespace velmora::imgprocess
