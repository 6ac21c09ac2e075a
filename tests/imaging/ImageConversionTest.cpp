#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include <unistd.h>

#include "ImageFixtures.h"
#include "PngCraft.h"
#include "nzcommon/imgprocess/AreaScaler.h"
#include "nzcommon/imgprocess/Binarizer.h"
#include "nzcommon/imgprocess/ImageDecode.h"
#include "nzcommon/imgprocess/ImageFile.h"
#include "nzcommon/imgprocess/MonoImageConversion.h"
#include "nzcommon/imgprocess/PixelConversion.h"
#include "velmora/image.hpp"
#include "velmora/orvantis_imgutils.h"

namespace velmora::test {
namespace {

using namespace velmora::imgprocess;

TEST(ImageConversion, BlackAndWhitePngComesOutBitExactWithEveryMethod) {
  const MonoBitmap picture = BlackWhitePattern(203, 77, 1);
  for (int channels : {1, 3, 4}) {
    const auto png = ToPng(picture, channels);
    for (int method = 0; method <= 2; ++method) {
      SCOPED_TRACE(testing::Message() << "channels " << channels << " method " << method);
      const auto mono = EncodedImageToMono(png.data(), png.size(), 0, 0, method);
      ASSERT_TRUE(mono);
      EXPECT_EQ(mono->width, 203);
      EXPECT_EQ(mono->bits, picture.bits);
    }
  }
}

TEST(ImageConversion, SolidImagesKeepTheirColourWithEveryMethod) {
  // Every pixel lies at the mean: a solid black picture stays black, a white one white.
  for (const uint8_t shade : {0, 255}) {
    const auto png = GreyPng(40, 9, std::vector<uint8_t>(40 * 9, shade));
    for (int method = 0; method <= 2; ++method) {
      const auto mono = EncodedImageToMono(png.data(), png.size(), 0, 0, method);
      ASSERT_TRUE(mono);
      EXPECT_EQ(mono->bits, std::vector<uint8_t>(5 * 9, shade == 0 ? 0xFF : 0)) << method;
    }
  }
}

TEST(ImageConversion, EveryPixelFormatGivesTheSameBits) {
  const MonoBitmap picture = BlackWhitePattern(37, 21, 2);
  const int w = picture.width, h = picture.height;
  // Bytes a pixel and where the alpha byte is, for formats 3 to 9 (grey, RGB, BGR, ARGB, RGBA,
  // ABGR, BGRA).
  const int bytes_per_pixel[] = {1, 3, 3, 4, 4, 4, 4}, alpha_at[] = {-1, -1, -1, 0, 3, 0, 3};
  for (int format = 1; format <= 9; ++format) {
    const int bpp = format <= 2 ? 0 : bytes_per_pixel[format - 3];
    const int stride = format <= 2 ? (w + 7) / 8 + 3 : w * bpp + 5;  // padded rows
    std::vector<uint8_t> buffer(static_cast<size_t>(stride) * h, 0xAA);
    for (int y = 0; y < h; ++y) {
      uint8_t *row = buffer.data() + static_cast<size_t>(y) * stride;
      if (format <= 2) std::fill(row, row + (w + 7) / 8, 0);
      for (int x = 0; x < w; ++x) {
        const bool black = picture.black(x, y);
        if (format <= 2) {
          if (black) row[x / 8] |= format == 1 ? 0x80 >> (x % 8) : 1 << (x % 8);
          continue;
        }
        for (int c = 0; c < bpp; ++c) {
          row[x * bpp + c] = c == alpha_at[format - 3] || !black ? 255 : 0;
        }
      }
    }
    for (int method = 0; method <= 2; ++method) {
      SCOPED_TRACE(testing::Message() << "format " << format << " method " << method);
      const auto mono = PixelsToMono(buffer.data(), w, h, stride, format, method);
      ASSERT_TRUE(mono);
      EXPECT_EQ(mono->bits, picture.bits);
    }
  }
}

TEST(ImageConversion, ColourChannelsAndAlphaAreReadInTheirOwnOrder) {
  // One pure-red pixel: its grey is 77 * 255 / 256 rounded = 77, whatever the byte order.
  const struct {
    int format;
    std::vector<uint8_t> pixel;
  } cases[] = {{4, {255, 0, 0}},      {5, {0, 0, 255}},      {6, {255, 255, 0, 0}},
               {7, {255, 0, 0, 255}}, {8, {255, 0, 0, 255}}, {9, {0, 0, 255, 255}}};
  for (const auto &c : cases) {
    const auto grey =
        PixelsToGrey(c.pixel.data(), 1, 1, static_cast<int>(c.pixel.size()), c.format);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->pixels[0], 77) << "format " << c.format;
  }
  // Transparent black lies on white paper: white. Half-transparent black: mid grey.
  const uint8_t clear[] = {0, 0, 0, 0}, half[] = {0, 0, 0, 128};
  EXPECT_EQ(PixelsToGrey(clear, 1, 1, 4, 7)->pixels[0], 255);
  EXPECT_EQ(PixelsToGrey(half, 1, 1, 4, 7)->pixels[0], 127);
}

TEST(ImageConversion, MethodsShadeMidGreyDifferently) {
  GreyImage grey{64, 64, std::vector<uint8_t>(64 * 64, 0)};
  for (int i = 0; i < 64 * 64; ++i) grey.pixels[i] = static_cast<uint8_t>((i % 64) * 4);  // ramp
  // A left-to-right ramp from black to white: each method blackens about half the dots, but
  // the threshold does it as one solid half and the dithers spread them.
  for (int method = 0; method <= 2; ++method) {
    const auto mono = Binarize(grey, method);
    ASSERT_TRUE(mono);
    int black = 0;
    for (uint8_t b : mono->bits) black += __builtin_popcount(b);
    EXPECT_NEAR(black, 64 * 32, 64 * 3) << method;
    const bool solid_left = mono->row(10)[0] == 0xFF && mono->row(11)[0] == 0xFF &&
                            mono->row(10)[1] == 0xFF && mono->row(10)[2] == 0xFF;
    EXPECT_EQ(solid_left, method == 1) << method;
  }
  EXPECT_NE(Binarize(grey, 0)->bits, Binarize(grey, 2)->bits);
}

TEST(ImageConversion, AreaAveragingKeepsThinLinesWhenShrinking) {
  // A one-dot black line in white, shrunk to half: the line survives as grey.
  GreyImage grey{8, 2, std::vector<uint8_t>(16, 255)};
  grey.pixels[3] = grey.pixels[11] = 0;
  const auto half = ScaleAreaAverage(grey, 4, 1);
  ASSERT_TRUE(half);
  EXPECT_EQ(half->pixels, (std::vector<uint8_t>{255, 128, 255, 255}));

  // Three to two: each output covers one whole and half of the neighbouring source pixel.
  GreyImage three{3, 1, {0, 255, 0}};
  EXPECT_EQ(ScaleAreaAverage(three, 2, 1)->pixels, (std::vector<uint8_t>{85, 85}));
  // Enlarging repeats pixels; a seam falling inside a pixel blends.
  GreyImage two{2, 1, {0, 255}};
  EXPECT_EQ(ScaleAreaAverage(two, 4, 1)->pixels, (std::vector<uint8_t>{0, 0, 255, 255}));
  EXPECT_EQ(ScaleAreaAverage(two, 3, 1)->pixels, (std::vector<uint8_t>{0, 128, 255}));
  // Both axes at once: a 2 x 2 checker is one mid-grey pixel.
  GreyImage checker{2, 2, {0, 255, 255, 0}};
  EXPECT_EQ(ScaleAreaAverage(checker, 1, 1)->pixels, (std::vector<uint8_t>{128}));
  EXPECT_FALSE(ScaleAreaAverage(checker, 0, 1));
}

TEST(ImageConversion, TargetSizeRule) {
  const ImageSize image{200, 50};
  auto resolved = [&](int w, int h) {
    const auto s = ResolveTargetSize(w, h, image);
    return s ? std::make_pair(s->width, s->height) : std::make_pair(-1, -1);
  };
  EXPECT_EQ(resolved(0, 0), std::make_pair(200, 50));
  EXPECT_EQ(resolved(-3, -1), std::make_pair(200, 50));
  EXPECT_EQ(resolved(0, 100), std::make_pair(400, 100));
  EXPECT_EQ(resolved(101, -7), std::make_pair(101, 25));  // 101 * 50 / 200, integer division
  EXPECT_EQ(resolved(3, 0), std::make_pair(-1, -1));      // 3 * 50 / 200 = 0
  EXPECT_EQ(resolved(70000, 1), std::make_pair(-1, -1));  // wider than a command can say
  EXPECT_EQ(resolved(10, 10), std::make_pair(10, 10));
  // Both given, a picture is stretched to them.
  const auto png = ToPng(BlackWhitePattern(30, 20, 3));
  const auto mono = EncodedImageToMono(png.data(), png.size(), 16, 40, 1);
  ASSERT_TRUE(mono);
  EXPECT_EQ(std::make_pair(mono->width, mono->height), std::make_pair(16, 40));
}

TEST(ImageConversion, BadInputIsRefused) {
  // The flat image functions' table has the rest of the bad input.
  const auto png = ToPng(BlackWhitePattern(16, 16, 4));
  EXPECT_FALSE(EncodedImageToMono(png.data(), png.size(), 0, 0, -1));
  EXPECT_FALSE(EncodedImageToMono(png.data(), 0, 0, 0, 0));
  const uint8_t pixels[64] = {};
  EXPECT_FALSE(PixelsToMono(pixels, 4, 4, 16, 7, 3));
  EXPECT_FALSE(PixelsToMono(nullptr, 4, 4, 16, 7, 0));
  EXPECT_TRUE(PixelsToMono(pixels, 4, 4, 16, 7, 0));
}

TEST(ImageConversion, OversizeImageIsRefusedFromItsHeader) {
  // A small file that announces 36 million pixels: refused, though it would decode.
  const auto big = OneBitBmp(6000, 6000);
  ASSERT_TRUE(ReadImageSize(big.data(), big.size()));
  EXPECT_FALSE(DecodeToGrey(big.data(), big.size()));
  EXPECT_EQ(platform::Image::fromData(big), nullptr);
  // Its file still tells its size.
  const std::string path = WriteTempFile("big.bmp", big);
  const auto size = platform::Image::sizeOfFile(path);
  std::remove(path.c_str());
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 6000);
  EXPECT_EQ(size->height, 6000);
  EXPECT_FALSE(platform::Image::sizeOfFile(path));
  // The same kind of file within the limits decodes.
  const auto wide = OneBitBmp(6000, 10);
  const auto grey = DecodeToGrey(wide.data(), wide.size());
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey->width, 6000);
  EXPECT_EQ(grey->pixels[5999], 255);

  // PNG headers past the limits are refused at once; the size of one taller than 65535 is read.
  for (const auto &[w, h] : {std::pair{65535, 65535}, std::pair{640, 70000}}) {
    auto png = ToPng(BlackWhitePattern(8, 8, 5));
    for (int i = 0; i < 4; ++i) {
      png[16 + i] = static_cast<uint8_t>(w >> (24 - 8 * i));
      png[20 + i] = static_cast<uint8_t>(h >> (24 - 8 * i));
    }
    EXPECT_FALSE(DecodeToGrey(png.data(), png.size()));
    if (w == 640) {
      EXPECT_EQ(ReadImageSize(png.data(), png.size())->height, 70000);
    }
  }
  // A valid picture of few pixels but a side past 65535, which no command can carry.
  const vprinter::PngHeader tall{1, 70000};
  const auto tall_png = vprinter::PngOfZeros(tall, vprinter::PngDataBytes(tall));
  EXPECT_FALSE(DecodeToGrey(tall_png.data(), tall_png.size()));
}

TEST(ImageConversion, FilesAreReadWhole) {
  const auto png = ToPng(BlackWhitePattern(24, 24, 6));
  const std::string path = WriteTempFile("image.png", png);
  EXPECT_EQ(ReadImageFile(path.c_str()), png);
  // Empty, or past the limit (a sparse file: nothing is written), a file is not read.
  for (const off_t size : {off_t{0}, off_t{kMaxEncodedImageBytes} + 1}) {
    ASSERT_EQ(truncate(path.c_str(), size), 0);
    EXPECT_FALSE(ReadImageFile(path.c_str())) << size;
  }
  std::remove(path.c_str());
  EXPECT_FALSE(ReadImageFile("/"));
}

TEST(ImageConversion, ExportedUtilitiesHandOverMallocedRasters) {
  const MonoBitmap picture = BlackWhitePattern(50, 30, 7);
  const auto png = ToPng(picture);
  const auto rgba = ToPixels(picture, 4);
  const unsigned png_size = static_cast<unsigned>(png.size());
  unsigned size = 0, stride = 0;
  auto expect_picture = [&](unsigned char *mono) {
    ASSERT_NE(mono, nullptr);
    EXPECT_EQ(size, 7u * 30);
    EXPECT_EQ(stride, 7u);
    EXPECT_TRUE(std::equal(picture.bits.begin(), picture.bits.end(), mono));
    std::free(mono);
    size = stride = 0;
  };
  expect_picture(Orvantis_ImgUtils_ConvertImageDataToMonoFormat(png.data(), png_size, 50, 30, 1,
                                                                &size, &stride));
  expect_picture(Orvantis_ImgUtils_ConvertImagePixelsToMonoFormat(rgba.data(), 50, 30, 200, 7, 2,
                                                                  &size, &stride));
  EXPECT_EQ(Orvantis_ImgUtils_ConvertImageDataToMonoFormat(png.data(), png_size, 0, 30, 1, &size,
                                                           &stride),
            nullptr);
  EXPECT_EQ(Orvantis_ImgUtils_ConvertImagePixelsToMonoFormat(rgba.data(), 50, 30, 200, 0, 2, &size,
                                                             &stride),
            nullptr);
}

}  // namespace
}  // namespace velmora::test
