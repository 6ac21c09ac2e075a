// The platform image: made from pixels, from encoded bytes and from files; its PNG form decodes
// back to the same pixels.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "velmora/image.hpp"

namespace {

using velmora::platform::Image;
using Bytes = std::vector<std::uint8_t>;

// A 3 x 2 RGBA picture with distinct pixels, transparency included.
const Bytes kRgba = {255, 0,  0,  255, 0,  255, 0,  255, 0,  0,  255, 128,
                     10,  20, 30, 0,   40, 50,  60, 255, 70, 80, 90,  200};

TEST(PlatformImage, PngFormDecodesToTheSamePixelsAndSize) {
  const auto image = Image::fromPixels(kRgba, 3, 2, Image::PixelFormat::RGBA);
  ASSERT_NE(image, nullptr);
  const auto png = image->pngRepresentation();
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(Bytes(png->begin(), png->begin() + 8),
            (Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
  const auto decoded = Image::fromData(*png);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->size().width, 3);
  EXPECT_EQ(decoded->size().height, 2);
  // Same pixels: encoding the decoded image gives the same PNG.
  EXPECT_EQ(decoded->pngRepresentation(), png);

  // Two grey rows of 3 pixels, each padded to 5 bytes; the last row needs no padding.
  EXPECT_EQ(
      Image::fromPixels({1, 2, 3, 99, 99, 4, 5, 6}, 3, 2, Image::PixelFormat::Gray, 5)
          ->pngRepresentation(),
      Image::fromPixels({1, 2, 3, 4, 5, 6}, 3, 2, Image::PixelFormat::Gray)->pngRepresentation());
}

TEST(PlatformImage, BadInputGivesNoImage) {
  EXPECT_EQ(Image::fromPixels({1, 2, 3, 4, 5}, 3, 2, Image::PixelFormat::Gray), nullptr);
  EXPECT_EQ(Image::fromPixels({1, 2, 3, 4, 5, 6}, 3, 2, Image::PixelFormat::Gray, 2), nullptr);
  EXPECT_EQ(Image::fromPixels({}, 0, 0, Image::PixelFormat::RGB), nullptr);
  EXPECT_EQ(Image::fromPixels({1}, 1, -1, Image::PixelFormat::Gray), nullptr);
  // A stride so large that the rows' extent overflows.
  EXPECT_EQ(
      Image::fromPixels({1, 2, 3, 4, 5, 6}, 3, 3, Image::PixelFormat::Gray, std::size_t{1} << 63),
      nullptr);
  EXPECT_EQ(Image::fromData({}), nullptr);
  EXPECT_EQ(Image::fromData({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}), nullptr);
  // A PNG cut short.
  auto png = *Image::fromPixels(kRgba, 3, 2, Image::PixelFormat::RGBA)->pngRepresentation();
  png.resize(png.size() / 2);
  EXPECT_EQ(Image::fromData(png), nullptr);
  EXPECT_EQ(Image::fromFile("/nonexistent/velmora.png"), nullptr);
  EXPECT_EQ(Image::fromFile("/"), nullptr);  // a directory
  // The empty image has no PNG form.
  EXPECT_FALSE(Image().pngRepresentation().has_value());
}

TEST(PlatformImage, FromFile) {
  const auto png =
      *Image::fromPixels({0, 255, 255, 0}, 2, 2, Image::PixelFormat::Gray)->pngRepresentation();
  const std::string path =
      ::testing::TempDir() + "velmora_image_" + std::to_string(::getpid()) + ".png";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char *>(png.data()), static_cast<std::streamsize>(png.size()));
  const auto image = Image::fromFile(path);
  std::remove(path.c_str());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->pngRepresentation(), png);
}

}  // namespace
