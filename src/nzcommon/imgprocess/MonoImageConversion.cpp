#include "nzcommon/imgprocess/MonoImageConversion.h"

#include <utility>

#include "nzcommon/imgprocess/AreaScaler.h"
#include "nzcommon/imgprocess/Binarizer.h"
#include "nzcommon/imgprocess/PixelConversion.h"

namespace velmora::imgprocess {

std::optional<ImageSize> ResolveTargetSize(int dstw, int dsth, ImageSize image) {
  int64_t width = dstw;
  int64_t height = dsth;
  if (width <= 0 && height <= 0) {
    width = image.width;
    height = image.height;
  } else if (width <= 0) {
    if (image.height <= 0) return std::nullopt;
    width = height * image.width / image.height;
  } else if (height <= 0) {
    if (image.width <= 0) return std::nullopt;
    height = width * image.height / image.width;
  }
  if (!IsAcceptableImageSize(width, height)) return std::nullopt;
  return ImageSize{static_cast<int>(width), static_cast<int>(height)};
}

std::optional<MonoBitmap> EncodedImageToMono(const uint8_t *data, size_t size, int dstw, int dsth,
                                             int method) {
  if (!IsValidBinarizationMethod(method)) return std::nullopt;
  const auto announced = ReadImageSize(data, size);
  if (!announced) return std::nullopt;
  const auto target = ResolveTargetSize(dstw, dsth, *announced);
  if (!target) return std::nullopt;
  auto grey = DecodeToGrey(data, size);
  if (!grey) return std::nullopt;
  if (grey->width == target->width && grey->height == target->height) {
    return Binarize(*grey, method);
  }
  const auto scaled = ScaleAreaAverage(*grey, target->width, target->height);
  if (!scaled) return std::nullopt;
  grey.reset();
  return Binarize(*scaled, method);
}

std::optional<MonoBitmap> PixelsToMono(const uint8_t *pixels, int width, int height, int stride,
                                       int format, int method) {
  if (!IsValidBinarizationMethod(method)) return std::nullopt;
  const auto grey = PixelsToGrey(pixels, width, height, stride, format);
  if (!grey) return std::nullopt;
  return Binarize(*grey, method);
}

}  // namespace velmora::imgprocess
