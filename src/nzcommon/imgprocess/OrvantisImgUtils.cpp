// The exported image utilities: thin C entries over the conversion pipeline.
#include "velmora/orvantis_imgutils.h"

#include <cstdlib>
#include <cstring>

#include "nzcommon/imgprocess/MonoImageConversion.h"

namespace {

using velmora::imgprocess::MonoBitmap;

unsigned char *HandOver(const std::optional<MonoBitmap> &bitmap, unsigned int *mono_size,
                        unsigned int *mono_stride) {
  if (!bitmap || bitmap->bits.empty()) return nullptr;
  auto *copy = static_cast<unsigned char *>(std::malloc(bitmap->bits.size()));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, bitmap->bits.data(), bitmap->bits.size());
  if (mono_size != nullptr) *mono_size = static_cast<unsigned int>(bitmap->bits.size());
  if (mono_stride != nullptr) *mono_stride = static_cast<unsigned int>(bitmap->stride);
  return copy;
}

template <typename Body>
unsigned char *Guard(Body &&body) noexcept {
  try {
    return body();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

extern "C" {

VP_API unsigned char *Orvantis_ImgUtils_ConvertImageDataToMonoFormat(
    const unsigned char *data, unsigned int data_size, int dstw, int dsth, int binarization_method,
    unsigned int *mono_size, unsigned int *mono_stride) {
  return Guard([&] {
    if (dstw < 1 || dsth < 1) return static_cast<unsigned char *>(nullptr);
    return HandOver(
        velmora::imgprocess::EncodedImageToMono(data, data_size, dstw, dsth, binarization_method),
        mono_size, mono_stride);
  });
}

VP_API unsigned char *Orvantis_ImgUtils_ConvertImagePixelsToMonoFormat(
    const unsigned char *img_data, int img_width, int img_height, int img_stride, int img_format,
    int binarization_method, unsigned int *mono_size, unsigned int *mono_stride) {
  return Guard([&] {
    return HandOver(velmora::imgprocess::PixelsToMono(img_data, img_width, img_height, img_stride,
                                                      img_format, binarization_method),
                    mono_size, mono_stride);
  });
}

}  // extern "C"
