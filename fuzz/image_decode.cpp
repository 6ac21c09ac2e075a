// Encoded images from outside: header check, decode, scale, binarise and frame, and the public
// image type with its PNG form, must never crash, leak or allocate past the size limits,
// whatever the bytes. A picture prints the same from its bytes and from the image's PNG form,
// transparency included.
//
// Inflation bombs too: when bits 2-3 of byte 2 are both set, the bytes after the three
// parameter bytes describe a PNG made to order (PngCraft): byte 3 width - 1 and byte 4
// height - 1 (6 bits each), byte 5 the bit depth and colour type, byte 6 bit 0 interlaced, byte
// 7 how far past what the picture needs its data inflates (0: not at all; n: n * 128 KiB more),
// byte 8 the palette's length. The decoder stays within its budget, which is the bound of its
// header; it refuses data that inflates past that bound and decodes a picture whose data is
// what it needs (all samples 0).
#include <cstdlib>
#include <vector>

#include "FuzzHarness.h"
#include "PngCraft.h"
#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/MonoImageConversion.h"
#include "nzcommon/imgprocess/RasterFraming.h"
#include "velmora/image.hpp"
#include "velmora/orvantis_imgutils.h"

using namespace velmora::imgprocess;
using velmora::fuzz::Require;

namespace {

void CheckInflation(const uint8_t *data, size_t size) {
  if (size < 6) return;
  // Bit depth and colour type pairs a PNG may have.
  static constexpr uint8_t kKinds[][2] = {{1, 0}, {2, 0},  {4, 0},  {8, 0}, {16, 0},
                                          {8, 2}, {16, 2}, {1, 3},  {2, 3}, {4, 3},
                                          {8, 3}, {8, 4},  {16, 4}, {8, 6}, {16, 6}};
  const auto &kind = kKinds[data[2] % std::size(kKinds)];
  const velmora::vprinter::PngHeader header{1u + data[0] % 64, 1u + data[1] % 64, kind[0], kind[1],
                                            static_cast<uint8_t>(data[3] & 1)};
  const uint64_t past = uint64_t{data[4]} << 17;
  const size_t entries = header.colour_type == 3 ? data[5] : 0;
  const std::vector<uint8_t> palette(3 * entries, 0x80);
  const auto png = velmora::vprinter::PngOfZeros(
      header, velmora::vprinter::PngDataBytes(header) + past, palette);
  DecoderUse use;
  const auto decoded = DecodeImage(png.data(), png.size(), &use);
  // The decoder ran (with a budget) unless the header was refused first (no palette, say).
  const ImageSize announced{static_cast<int>(header.width), static_cast<int>(header.height)};
  Require(use.peak <= use.budget);
  Require(use.budget == 0 ||
          use.budget == DecoderBudget(png.size(), announced, header.depth == 16));
  const bool exact = past == 0 && (header.colour_type != 3 || entries > 0);
  if (exact) Require(decoded.has_value());
  if (past > use.budget) Require(!decoded);
  Require((velmora::platform::Image::fromData(png) != nullptr) == decoded.has_value());
}

}  // namespace

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
  if ((data[2] & 0x0C) == 0x0C) {
    CheckInflation(image, image_size);
    return 0;
  }

  const auto mono = EncodedImageToMono(image, image_size, dstw, dsth, method);
  if (mono) {
    Require(mono->width >= 1 && mono->height >= 1 &&
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
    Require(again != nullptr && again->size().width == picture->size().width &&
            again->size().height == picture->size().height);
    // Printed through its PNG form (as the image print job does), the picture gives the dots of
    // its own bytes: transparency, grey and colour are laid on paper the same way on both paths.
    const auto printed = EncodedImageToMono(png->data(), png->size(), dstw, dsth, method);
    Require(printed.has_value() == mono.has_value() && (!mono || printed->bits == mono->bits));
  }
  return 0;
}
