// What the image print job and the platform image take: transparent parts print white, a speed
// the command cannot carry is refused rather than sent cut to 16 bits, and no image is made that
// no job could print.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "convenience/ConnectorSupport.h"

namespace {

using velmora::Int;
using velmora::VLPrintCommon;
using velmora::platform::Image;
using Bytes = std::vector<std::uint8_t>;

// 8 x 2 RGBA: a black row over a row of black made fully transparent.
std::shared_ptr<Image> BlackOverTransparent() {
  Bytes rgba(8 * 2 * 4, 0);
  for (int x = 0; x < 8; ++x) rgba[x * 4 + 3] = 255;
  return Image::fromPixels(rgba, 8, 2, Image::PixelFormat::RGBA);
}

using ImageJobLimits = velmora::test::ConnectedPrinterTest;

TEST_F(ImageJobLimits, TransparentPartsOfThePicturePrintWhite) {
  const auto connector = Connect();
  const std::size_t before = ReceivedSize();
  const auto result = VLPrintCommon::printImage(connector, BlackOverTransparent(), 2, 0, 0, 0, 0,
                                                -1, false, 0, 0, 0);
  EXPECT_TRUE(result->printResult);
  // The job ends with its picture: black over white.
  const Bytes &raster = velmora::test::kTwoRowsRaster;
  const Bytes received = ReceivedSince(connector, before);
  ASSERT_GE(received.size(), raster.size());
  EXPECT_TRUE(std::equal(raster.rbegin(), raster.rend(), received.rbegin()));
}

// The speed command carries 16 bits: a larger speed is refused with the job, so the record never
// names a speed the printer did not get. Each row: asked, then what the record says
// (speed, bytes) and whether the printer got the job.
TEST_F(ImageJobLimits, ASpeedBeyondSixteenBitsIsRefusedWithTheJob) {
  const auto connector = Connect();
  const auto picture = velmora::test::TwoRows();
  const struct {
    Int asked;
    bool sent;
    Bytes prefix;
  } cases[] = {{65535, true, {0x1F, 0x28, 0x73, 0x02, 0x00, 0xFF, 0xFF}},
               {65536, false, {}},
               {70000, false, {}},
               {Int{1} << 40, false, {}}};
  for (const auto &c : cases) {
    const std::size_t before = ReceivedSize();
    const auto result =
        VLPrintCommon::printImage(connector, picture, 2, 0, 0, 0, c.asked, -1, false, 0, 0, 0);
    const Bytes job = ReceivedSince(connector, before);
    EXPECT_EQ(result->printResult, c.sent) << c.asked;
    EXPECT_EQ(result->settedPrintSpeed, c.sent ? c.asked : 0) << c.asked;
    EXPECT_EQ(result->writeDataSize, static_cast<Int>(job.size())) << c.asked;
    EXPECT_EQ(job.empty(), !c.sent) << c.asked;
    ASSERT_GE(job.size(), c.prefix.size()) << c.asked;
    EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), job.begin())) << c.asked;
  }
}

// The platform image takes the sizes the decoder takes: at most 65535 a side, 2^25 pixels.
TEST(PlatformImageLimits, FromPixelsTakesTheDecodersSizes) {
  const struct {
    int width, height;
    bool made;
  } cases[] = {{65535, 1, true},
               {70000, 1, false},
               {1, 65536, false},
               {8192, 4096, true},
               {8192, 4097, false}};
  for (const auto &c : cases) {
    const Bytes grey(static_cast<std::size_t>(c.width) * c.height, 255);
    EXPECT_EQ(Image::fromPixels(grey, c.width, c.height, Image::PixelFormat::Gray) != nullptr,
              c.made)
        << c.width << " x " << c.height;
  }
}

}  // namespace
