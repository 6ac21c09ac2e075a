// Pictures with transparency: whichever way they come in (caller pixels, PNG, GIF, a file, the
// platform image), transparent parts lie on white paper and every path gives the same dots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ImageFixtures.h"
#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/PixelConversion.h"
#include "support/MemoryPort.h"
#include "velmora/image.hpp"
#include "velmora/vp_image.h"

namespace velmora::test {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::Image;

constexpr int kWidth = 24, kHeight = 6;

// A logo on a transparent background: the background is black with alpha 0 (as drawing programs
// leave it), then a black bar, a dark red bar at alpha 160 and a grey bar at alpha 80.
Bytes TransparentLogo() {
  Bytes rgba(static_cast<size_t>(kWidth) * kHeight * 4, 0);
  for (int y = 1; y < kHeight - 1; ++y) {
    for (int x = 2; x < kWidth - 2; ++x) {
      uint8_t *p = &rgba[(static_cast<size_t>(y) * kWidth + x) * 4];
      if (x < 8) {
        p[3] = 255;
      } else if (x < 15) {
        p[0] = 120, p[3] = 160;
      } else {
        p[0] = p[1] = p[2] = 90, p[3] = 80;
      }
    }
  }
  return rgba;
}

// Grey and alpha of each pixel: the same logo in a grey + alpha image.
Bytes GreyAlphaOf(const Bytes &rgba) {
  Bytes ga;
  for (size_t i = 0; i < rgba.size(); i += 4) {
    ga.push_back(rgba[i + 2]);  // the grey bar's value; 0 elsewhere
    ga.push_back(rgba[i + 3]);
  }
  return ga;
}

// A 2 x 1 GIF of two black pixels, the first of them transparent.
const Bytes kGif = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0,
                    // Two colours, both black; then index 0 made transparent.
                    0, 0, 0, 0, 0, 0, 0x21, 0xF9, 4, 1, 0, 0, 0, 0,
                    // The image: 2 x 1 at 0, 0; LZW codes clear, 0, 1, end.
                    0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 2, 0x44, 0x0A, 0, 0x3B};

Bytes GreyOf(const Bytes &encoded) {
  const auto grey = imgprocess::DecodeToGrey(encoded.data(), encoded.size());
  return grey ? grey->pixels : Bytes{};
}

TEST(TransparentPicture, DecodedPicturesLieOnWhitePaperAsCallerPixelsDo) {
  const Bytes rgba = TransparentLogo(), ga = GreyAlphaOf(rgba);
  const auto from_pixels = [](const Bytes &pixels, int width, int format, int bytes_per_pixel) {
    return imgprocess::PixelsToGrey(pixels.data(), width,
                                    static_cast<int>(pixels.size()) / (width * bytes_per_pixel),
                                    width * bytes_per_pixel, format)
        ->pixels;
  };
  const Bytes logo = from_pixels(rgba, kWidth, 7, 4);
  // Transparent background white, the opaque bar black, the others between.
  EXPECT_EQ(logo[0], 255);
  EXPECT_EQ(logo[kWidth + 2], 0);
  EXPECT_EQ(logo[kWidth + 8], 118);   // red 120 is grey 36, at 160/255 over white
  EXPECT_EQ(logo[kWidth + 15], 203);  // grey 90 at 80/255 over white
  const struct {
    const char *what;
    Bytes encoded, expected;
  } cases[] = {
      {"RGBA PNG", vprinter::EncodePng(kWidth, kHeight, 4, rgba.data()), logo},
      {"grey + alpha PNG", vprinter::EncodePng(kWidth, kHeight, 2, ga.data()),
       [&] {
         // The grey image's own pixels laid over white: its grey channel with alpha as RGBA.
         Bytes as_rgba;
         for (size_t i = 0; i < ga.size(); i += 2) {
           as_rgba.insert(as_rgba.end(), {ga[i], ga[i], ga[i], ga[i + 1]});
         }
         return from_pixels(as_rgba, kWidth, 7, 4);
       }()},
      {"GIF with a transparent colour", kGif, Bytes{255, 0}},
  };
  for (const auto &c : cases) EXPECT_EQ(GreyOf(c.encoded), c.expected) << c.what;
}

// The same logo through every picture entry of the flat interface and the platform image: the
// same raster bytes as from the caller's own RGBA pixels.
TEST(TransparentPicture, EveryPathPrintsTheSameDots) {
  const Bytes rgba = TransparentLogo();
  const Bytes png = vprinter::EncodePng(kWidth, kHeight, 4, rgba.data());
  const std::string path = WriteTempFile("transparent.png", png);
  const auto pixel_image = Image::fromPixels(rgba, kWidth, kHeight, Image::PixelFormat::RGBA);
  const auto data_image = Image::fromData(png);
  const auto file_image = Image::fromFile(path);
  ASSERT_TRUE(pixel_image && data_image && file_image);

  MemoryPort port;
  void *h = port.handle();
  const auto method = VP_ImageBinarizationMethod_ErrorDiffusion;
  const auto none = VP_ImageCompressionMethod_None;
  const auto print_data = [&](const Bytes &data) {
    return ::VP_Pos_PrintRasterImageFromData(h, 0, 0, data.data(),
                                             static_cast<unsigned>(data.size()), method, none);
  };
  ASSERT_EQ(::VP_Pos_PrintRasterImageFromPixels(
                h, rgba.data(), static_cast<unsigned>(rgba.size()), kWidth, kHeight, kWidth * 4,
                VP_ImagePixelsFormat_BYTEORDERED_RGBA32, method, none),
            1);
  const Bytes expected = port.Bytes();
  // GS v 0 and its size, then dots: some black (the logo), some white (the background).
  ASSERT_EQ(expected.size(), 8u + 3 * kHeight);
  ASSERT_TRUE(std::any_of(expected.begin() + 8, expected.end(), [](uint8_t b) { return b != 0; }));
  ASSERT_TRUE(
      std::any_of(expected.begin() + 8, expected.end(), [](uint8_t b) { return b != 0xFF; }));
  const struct {
    const char *what;
    std::function<int()> print;
  } cases[] = {
      {"PNG data", [&] { return print_data(png); }},
      {"PNG file",
       [&] { return ::VP_Pos_PrintRasterImageFromFile(h, 0, 0, path.c_str(), method, none); }},
      {"image from pixels", [&] { return print_data(*pixel_image->pngRepresentation()); }},
      {"image from data", [&] { return print_data(*data_image->pngRepresentation()); }},
      {"image from file", [&] { return print_data(*file_image->pngRepresentation()); }},
  };
  for (const auto &c : cases) {
    port.Clear();
    EXPECT_EQ(c.print(), 1) << c.what;
    EXPECT_EQ(port.Bytes(), expected) << c.what;
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace velmora::test
