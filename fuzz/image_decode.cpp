// Encoded images from outside: header check, decode, scale, binarise and frame, and the public
// image type with its PNG form, must never crash, leak or allocate past the size limits,
// whatever the bytes. A picture prints the same from its bytes and from the image's PNG form,
// transparency included.
#include <cstdlib>
#include <vector>

#include "FuzzHarness.h"
#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/MonoImageConversion.h"
#include "nzcommon/imgprocess/RasterFraming.h"
#include "velmora/image.hpp"
#include "velmora/orvantis_imgutils.h"

using namespace velmora::imgprocess;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  // Three parameter bytes, then the image. Sizes stay small so that the fuzzer spends its
  // time in the decoder; signed, so that the <= 0 size rule is exercised.
  const int dstw = static_cast<int8_t>(data[0]);
  const int dsth = static_cast<int8_t>(data[1]);
  const int method = data[2] % 4;        // 3 is out of range
  const int compression = data[2] / 64;  // 3 is out of range
  const uint8_t *image = data + 3;
  const size_t image_size = size - 3;

  const auto mono = EncodedImageToMono(image, image_size, dstw, dsth, method);
  if (mono) {
    velmora::fuzz::Require(mono->width >= 1 && mono->height >= 1 &&
                           mono->bits.size() == size_t(mono->stride) * mono->height);
    (void)FrameReceiptRaster(*mono, compression);
    (void)FrameLabelRaster(dstw, dsth, *mono, compression);
  }
  unsigned mono_size = 0, stride = 0;
  unsigned char *raster = Orvantis_ImgUtils_ConvertImageDataToMonoFormat(
      image, static_cast<unsigned>(image_size), dstw, dsth, method, &mono_size, &stride);
  std::free(raster);
  const auto picture =
      velmora::platform::Image::fromData(std::vector<uint8_t>(image, image + image_size));
  // The PNG form of small pictures only: encoding a large one takes long and finds nothing new.
  if (picture != nullptr && picture->size().width * picture->size().height <= 65536) {
    const auto png = picture->pngRepresentation();
    // What the image holds goes out as a PNG that decodes again to the same size.
    const auto again = png ? velmora::platform::Image::fromData(*png) : nullptr;
    velmora::fuzz::Require(again != nullptr && again->size().width == picture->size().width &&
                           again->size().height == picture->size().height);
    // Printed through its PNG form (as the image print job does), the picture gives the dots of
    // its own bytes: transparency, grey and colour are laid on paper the same way on both paths.
    const auto printed = EncodedImageToMono(png->data(), png->size(), dstw, dsth, method);
    velmora::fuzz::Require(printed.has_value() == mono.has_value() &&
                           (!mono || printed->bits == mono->bits));
  }
  return 0;
}
