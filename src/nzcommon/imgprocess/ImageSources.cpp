#include "nzcommon/imgprocess/ImageSources.h"

#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/ImageFile.h"
#include "nzcommon/imgprocess/MonoImageConversion.h"
#include "nzcommon/imgprocess/PixelConversion.h"

namespace velmora::imgprocess {

std::optional<MonoBitmap> MonoFromFile(const char *path, int dstw, int dsth, int method) {
  if (!IsValidBinarizationMethod(method)) return std::nullopt;
  const auto bytes = ReadImageFile(path);
  if (!bytes) return std::nullopt;
  return EncodedImageToMono(bytes->data(), bytes->size(), dstw, dsth, method);
}

std::optional<MonoBitmap> MonoFromData(const uint8_t *data, size_t size, int dstw, int dsth,
                                       int method) {
  return EncodedImageToMono(data, size, dstw, dsth, method);
}

std::optional<MonoBitmap> MonoFromPixels(const uint8_t *pixels, size_t length, int width,
                                         int height, int stride, int format, int method) {
  if (!IsValidPixelsFormat(format) || !IsAcceptableImageSize(width, height)) return std::nullopt;
  const int64_t needed = PixelsBufferBytes(format, width, height, stride);
  if (needed <= 0 || static_cast<uint64_t>(needed) > length) return std::nullopt;
  return PixelsToMono(pixels, width, height, stride, format, method);
}

}  // namespace velmora::imgprocess
