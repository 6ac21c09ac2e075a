// Symbols as pictures; that a printed one scans back to its text is checked with the flat
// function that prints it.
#include <gtest/gtest.h>

#include <string>

#include "nzcommon/imgprocess/QrRaster.h"

namespace velmora::test {
namespace {

using namespace velmora::imgprocess;

TEST(QrRaster, SizeFollowsVersionModuleAndQuietZone) {
  // Version 1 is 21 modules; with 4 modules of quiet zone each side, 29 modules of 5 dots.
  const auto symbol = RenderQrCode("A1", 1, 1, 5);
  ASSERT_TRUE(symbol);
  EXPECT_EQ(symbol->width, 145);
  EXPECT_EQ(symbol->height, 145);
  // The quiet zone is white; the finder pattern's corner module right inside it is black, whole,
  // and the module inside the corner white.
  EXPECT_FALSE(symbol->black(19, 19));
  EXPECT_TRUE(symbol->black(20, 20));
  EXPECT_TRUE(symbol->black(24, 24));
  EXPECT_FALSE(symbol->black(25, 25));
  // A higher version is larger.
  EXPECT_EQ(RenderQrCode("A1", 5, 1, 1)->width, 37 + 8);
}

TEST(QrRaster, BadParametersAreRefused) {
  EXPECT_FALSE(RenderQrCode("", 0, 1, 4));
  EXPECT_FALSE(RenderQrCode(nullptr, 0, 1, 4));
  EXPECT_FALSE(RenderQrCode("x", 41, 1, 4));
  EXPECT_FALSE(RenderQrCode("x", -1, 1, 4));
  EXPECT_FALSE(RenderQrCode("x", 0, 0, 4));
  EXPECT_FALSE(RenderQrCode("x", 0, 5, 4));
  EXPECT_FALSE(RenderQrCode("x", 0, 1, 0));
  EXPECT_FALSE(RenderQrCode("x", 0, 1, 2000));  // wider than a command can say
  const std::string too_long(3000, 'x');
  EXPECT_FALSE(RenderQrCode(too_long.c_str(), 0, 4, 1));  // beyond version 40 at level H
}

}  // namespace
}  // namespace velmora::test
