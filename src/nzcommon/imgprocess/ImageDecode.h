#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

struct ImageSize {
  int width = 0;
  int height = 0;
};

// Reads a whole encoded image file; nullopt when it cannot be read or is larger than
// kMaxEncodedImageBytes.
std::optional<std::vector<uint8_t>> ReadImageFile(const char *path);

// The size an encoded image announces in its header, without decoding it; nullopt when the
// data is no image of a supported format (PNG, JPEG, BMP, GIF).
std::optional<ImageSize> ReadImageSize(const uint8_t *data, size_t size);

// Decodes an encoded image and converts it to grey. Refuses, before decoding, an image whose
// header announces a size outside IsAcceptableImageSize.
std::optional<GreyImage> DecodeToGrey(const uint8_t *data, size_t size);

}  // namespace velmora::imgprocess
