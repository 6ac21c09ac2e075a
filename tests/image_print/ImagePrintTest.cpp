// The flat image functions through a memory port: what they write decodes back to the picture.
#include <gtest/gtest.h>

#include <cstdio>

#include "RasterDecoder.h"
#include "imaging/ImageFixtures.h"
#include "support/MemoryPort.h"
#include "support/PortTest.h"
#include "velmora/velmora.h"

namespace velmora::test {
namespace {

using vprinter::DecodeRasterCommands;
using vprinter::RasterPiece;

constexpr auto kDither = VP_ImageBinarizationMethod_Dithering;
constexpr auto kDiffusion = VP_ImageBinarizationMethod_ErrorDiffusion;

class ImagePrint : public PortTest {
 protected:
  void SetUp() override {
    png = ToPng(picture);
    path = WriteTempFile("print.png", png);
    rgba = ToPixels(picture, 4);
  }
  void TearDown() override {
    std::remove(path.c_str());
    PortTest::TearDown();
  }

  // The receipt pictures the port received, stacked; the port is emptied.
  std::vector<uint8_t> TakeReceiptBits() {
    const auto decoded = DecodeRasterCommands(port.Bytes());
    port.Clear();
    EXPECT_EQ(decoded.error, "");
    return vprinter::StackReceiptPieces(decoded).bits;
  }

  const MonoBitmap picture = BlackWhitePattern(203, 61, 21);  // 26 bytes a row
  std::vector<uint8_t> png, rgba;
  std::string path;
  MemoryPort port;
};

TEST_F(ImagePrint, ReceiptPicturesFromEverySourceAndCompressionDecodeBack) {
  void *h = port.handle();
  for (int c = 0; c <= 2; ++c) {
    const auto compression = static_cast<VP_ImageCompressionMethod>(c);
    SCOPED_TRACE(c);
    EXPECT_EQ(VP_Pos_PrintRasterImageFromFile(h, 0, 0, path.c_str(), kDiffusion, compression), 1);
    EXPECT_EQ(TakeReceiptBits(), picture.bits);
    EXPECT_EQ(VP_Pos_PrintRasterImageFromData(
                  h, -1, -1, png.data(), static_cast<unsigned>(png.size()), kDither, compression),
              1);
    EXPECT_EQ(TakeReceiptBits(), picture.bits);
    EXPECT_EQ(
        VP_Pos_PrintRasterImageFromPixels(h, rgba.data(), static_cast<unsigned>(rgba.size()), 203,
                                          61, 203 * 4, VP_ImagePixelsFormat_BYTEORDERED_RGBA32,
                                          VP_ImageBinarizationMethod_Thresholding, compression),
        1);
    EXPECT_EQ(TakeReceiptBits(), picture.bits);
  }
}

TEST_F(ImagePrint, OneSizeGivenTheOtherFollowsTheAspectRatio) {
  // 203 x 61 at width 100: height 100 * 61 / 203 = 30; rows of 13 bytes, bands of 24 and 6.
  ASSERT_EQ(VP_Pos_PrintRasterImageFromData(port.handle(), 100, 0, png.data(),
                                            static_cast<unsigned>(png.size()), kDiffusion,
                                            VP_ImageCompressionMethod_None),
            1);
  const auto bytes = port.Bytes();
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8),
            (std::vector<uint8_t>{0x1D, 0x76, 0x30, 0x00, 13, 0, 24, 0}));
  EXPECT_EQ(bytes.size(), 8u + 13 * 24 + 8 + 13 * 6);
  port.Clear();
  // Height given: width 20 * 203 / 61 = 66.
  ASSERT_EQ(VP_Label_DrawImageFromFile(port.handle(), 0, 0, 0, 20, path.c_str(), kDither,
                                       VP_ImageCompressionMethod_None),
            1);
  const auto label = DecodeRasterCommands(port.Bytes());
  ASSERT_EQ(label.pieces.size(), 1u);
  EXPECT_EQ(label.pieces[0].bitmap.width, 72);  // 9 bytes a row
  EXPECT_EQ(label.pieces[0].bitmap.height, 20);
}

TEST_F(ImagePrint, BadInputReturnsZeroAndWritesNothing) {
  void *h = port.handle();
  const auto none = VP_ImageCompressionMethod_None;
  const unsigned size = static_cast<unsigned>(png.size());
  const auto oversize = OneBitBmp(6000, 6000);
  const std::vector<uint8_t> noise(300, 0x42);
  const struct {
    const char *what;
    int result;
  } cases[] = {
      {"missing file",
       VP_Pos_PrintRasterImageFromFile(h, 0, 0, "/nonexistent/x.png", kDither, none)},
      {"null path", VP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, nullptr, kDither)},
      {"directory", VP_Label_DrawImageFromFile(h, 0, 0, 0, 0, "/", kDither, none)},
      {"undecodable", VP_Pos_PrintRasterImageFromData(h, 0, 0, noise.data(), 300, kDither, none)},
      {"cut short", VP_Page_DrawRasterImageFromData(h, 0, 0, 0, 0, png.data(), size / 2, kDither)},
      {"null data", VP_Pos_PrintRasterImageFromData(h, 0, 0, nullptr, size, kDither, none)},
      {"method 3",
       VP_Pos_PrintRasterImageFromData(h, 0, 0, png.data(), size,
                                       static_cast<VP_ImageBinarizationMethod>(3), none)},
      {"compression 3", VP_Pos_PrintRasterImageFromData(h, 0, 0, png.data(), size, kDither,
                                                        static_cast<VP_ImageCompressionMethod>(3))},
      {"label compression 1", VP_Label_DrawImageFromData(h, 0, 0, 0, 0, png.data(), size, kDither,
                                                         VP_ImageCompressionMethod_Level1)},
      {"derived height 0",
       VP_Pos_PrintRasterImageFromData(h, 3, 0, png.data(), size, kDither, none)},
      {"too wide", VP_Pos_PrintRasterImageFromData(h, 70000, 10, png.data(), size, kDither, none)},
      {"oversize header",
       VP_Label_DrawImageFromData(h, 0, 0, 0, 0, oversize.data(),
                                  static_cast<unsigned>(oversize.size()), kDither, none)},
      {"format 0",
       VP_Pos_PrintRasterImageFromPixels(h, rgba.data(), 203 * 61 * 4, 203, 61, 812,
                                         static_cast<VP_ImagePixelsFormat>(0), kDither, none)},
      {"format 10",
       VP_Page_DrawRasterImageFromPixels(h, 0, 0, rgba.data(), 203 * 61 * 4, 203, 61, 812,
                                         static_cast<VP_ImagePixelsFormat>(10), kDither)},
      {"width 0",
       VP_Page_DrawRasterImageFromPixels(h, 0, 0, rgba.data(), 203 * 61 * 4, 0, 61, 812,
                                         VP_ImagePixelsFormat_BYTEORDERED_RGBA32, kDither)},
      {"buffer too short",
       VP_Label_DrawImageFromPixels(h, 0, 0, rgba.data(), 203 * 61 * 4 - 1, 203, 61, 812,
                                    VP_ImagePixelsFormat_BYTEORDERED_RGBA32, kDither, none)},
      {"stride below a row",
       VP_Pos_PrintRasterImageFromPixels(h, rgba.data(), 203 * 61 * 4, 203, 61, 811,
                                         VP_ImagePixelsFormat_BYTEORDERED_RGBA32, kDither, none)},
      {"empty QR text", VP_Pos_PrintQRCodeUseImageCmd(h, 4, 0, VP_QRCodeECC_M, "")},
      {"QR level 0", VP_Pos_PrintQRCodeUseImageCmd(h, 4, 0, static_cast<VP_QRCodeECC>(0), "x")},
      {"null handle",
       VP_Pos_PrintRasterImageFromData(nullptr, 0, 0, png.data(), size, kDither, none)},
      {"dead handle",
       VP_Page_DrawRasterImageFromData(&port, 0, 0, 0, 0, png.data(), size, kDither)},
  };
  for (const auto &c : cases) EXPECT_EQ(c.result, 0) << c.what;
  EXPECT_TRUE(port.Bytes().empty());
}

TEST_F(ImagePrint, PagePicturesArePlacedInTheKeptArea) {
  void *h = port.handle();
  ASSERT_EQ(VP_Page_SetPageArea(h, 0, 0, 576, 400), 1);
  ASSERT_EQ(VP_Page_SetPageDrawDirection(h, static_cast<VP_Page_DrawDirection>(0)), 1);
  port.Clear();
  // Centred across (x1 = (576 - 203) / 2 = 186), at the end of the area downward (y1 = 339):
  // ESC $ 186, GS $ 339 + 61 = 400, then the graphics.
  ASSERT_EQ(VP_Page_DrawRasterImageFromData(h, -2, -3, 0, 0, png.data(),
                                            static_cast<unsigned>(png.size()), kDiffusion),
            1);
  const auto bytes = port.Bytes();
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 11),
            (std::vector<uint8_t>{0x1B, 0x24, 186, 0, 0x1D, 0x24, 0x90, 0x01, 0x1D, 0x38, 0x4C}));
  const auto decoded = DecodeRasterCommands(bytes);
  ASSERT_EQ(decoded.error, "");
  ASSERT_EQ(decoded.pieces.size(), 1u);
  EXPECT_EQ(decoded.pieces[0].kind, RasterPiece::Kind::kPage);
  EXPECT_EQ(decoded.pieces[0].x, 186);
  EXPECT_EQ(decoded.pieces[0].y, 339);
  EXPECT_EQ(decoded.pieces[0].bitmap.bits, picture.bits);
  port.Clear();

  // Pixels at a fixed place.
  ASSERT_EQ(VP_Page_DrawRasterImageFromPixels(h, 10, 20, rgba.data(),
                                              static_cast<unsigned>(rgba.size()), 203, 61, 812,
                                              VP_ImagePixelsFormat_BYTEORDERED_RGBA32, kDither),
            1);
  const auto fixed = DecodeRasterCommands(port.Bytes());
  ASSERT_EQ(fixed.pieces.size(), 1u);
  EXPECT_EQ(fixed.pieces[0].x, 10);
  EXPECT_EQ(fixed.pieces[0].y, 20);
}

TEST_F(ImagePrint, LabelPicturesCarryTheirPositionAndDecodeBack) {
  void *h = port.handle();
  ASSERT_EQ(VP_Label_DrawImageFromPixels(h, 12, 34, rgba.data(), static_cast<unsigned>(rgba.size()),
                                         203, 61, 812, VP_ImagePixelsFormat_BYTEORDERED_RGBA32,
                                         kDither, VP_ImageCompressionMethod_None),
            1);
  const auto bytes = port.Bytes();
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 13),
            (std::vector<uint8_t>{0x1A, 0x21, 0x01, 12, 0, 34, 0, 0xD0, 0, 61, 0, 0, 0}));
  ASSERT_EQ(VP_Label_DrawImageFromFile(h, 5, 6, 0, 0, path.c_str(), kDiffusion,
                                       VP_ImageCompressionMethod_Level2),
            1);
  const auto decoded = DecodeRasterCommands(port.Bytes());
  ASSERT_EQ(decoded.error, "");
  ASSERT_EQ(decoded.pieces.size(), 2u);
  EXPECT_EQ(decoded.pieces[1].kind, RasterPiece::Kind::kLabelJbig);
  EXPECT_EQ(decoded.pieces[1].x, 5);
  for (const auto &piece : decoded.pieces) EXPECT_EQ(piece.bitmap.bits, picture.bits);
}

TEST_F(ImagePrint, QrCodeImageScansBack) {
  const char *text = "velmora receipt 0042 / total 12.50 EUR";
  ASSERT_EQ(VP_Pos_PrintQRCodeUseImageCmd(port.handle(), 4, 0, VP_QRCodeECC_Q, text), 1);
  const auto decoded = DecodeRasterCommands(port.Bytes());
  ASSERT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.pieces[0].kind, RasterPiece::Kind::kGsV0);
  const std::string png_path = TempPath("qr.png");
  ASSERT_TRUE(vprinter::WritePng(vprinter::StackReceiptPieces(decoded), png_path));
  EXPECT_EQ(ScanQr(png_path), text);
  std::remove(png_path.c_str());
}

}  // namespace
}  // namespace velmora::test
