// Every image function through the module interface to the virtual printer over loopback TCP:
// the printer decodes what arrived and lays it out on paper, written as a PNG to look at.
#include <gtest/gtest.h>

#include <cstdio>

#include "PaperRenderer.h"
#include "RasterDecoder.h"
#include "VirtualTcpPrinter.h"
#include "imaging/ImageFixtures.h"
#include "support/PortTest.h"
#include "support/Wait.h"
#include "velmora/velmora.hpp"

namespace velmora::test {
namespace {

using vprinter::RasterPiece;

constexpr auto kDither = VP_ImageBinarizationMethod_Dithering;
constexpr auto kThreshold = VP_ImageBinarizationMethod_Thresholding;
constexpr auto kDiffusion = VP_ImageBinarizationMethod_ErrorDiffusion;
constexpr auto kRgba = VP_ImagePixelsFormat_BYTEORDERED_RGBA32;

class VirtualPrinterImages : public PortTest {
 protected:
  void TearDown() override {
    std::remove(path.c_str());
    PortTest::TearDown();
  }
  const MonoBitmap picture = BlackWhitePattern(120, 40, 31);  // 15 bytes a row
  const std::vector<uint8_t> png = ToPng(picture);
  const std::vector<uint8_t> rgba = ToPixels(picture, 4);
  const std::string path = WriteTempFile("vp.png", png);
};

TEST_F(VirtualPrinterImages, EveryImageFunctionReachesThePaper) {
  vprinter::VirtualTcpPrinter printer;
  ASSERT_TRUE(printer.Start());
  const Int h = velmora::VP_Port_OpenTcp("", "127.0.0.1", printer.port(), 3000, 0);
  ASSERT_NE(h, 0);
  const Int n = static_cast<Int>(png.size());
  const Int len = static_cast<Int>(rgba.size());
  const auto none = VP_ImageCompressionMethod_None;

  // Receipt: three sources, three compressions.
  EXPECT_TRUE(velmora::VP_Pos_PrintRasterImageFromFile(h, 0, 0, path, kDiffusion, none));
  EXPECT_TRUE(velmora::VP_Pos_PrintRasterImageFromData(h, 0, 0, png, n, kDither,
                                                       VP_ImageCompressionMethod_Level1));
  EXPECT_TRUE(velmora::VP_Pos_PrintRasterImageFromPixels(
      h, rgba, len, 120, 40, 480, kRgba, kThreshold, VP_ImageCompressionMethod_Level2));
  const std::string qr_text = "VELMORA-QR-0001";
  EXPECT_EQ(::VP_Pos_PrintQRCodeUseImageCmd(reinterpret_cast<void *>(h), 3, 0, VP_QRCodeECC_M,
                                            qr_text.c_str()),
            1);
  // A page with two pictures.
  EXPECT_TRUE(velmora::VP_Page_SelectPageModeEx(h, 0, 0, 0, 0, 400, 200));
  EXPECT_TRUE(velmora::VP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, path, kDiffusion));
  EXPECT_TRUE(velmora::VP_Page_DrawRasterImageFromData(h, -3, -3, 240, 0, png, n, kDither));
  EXPECT_TRUE(velmora::VP_Page_DrawRasterImageFromPixels(h, -2, 60, rgba, len, 120, 40, 480, kRgba,
                                                         kThreshold));
  EXPECT_TRUE(velmora::VP_Page_PrintPage(h));
  // A label with three pictures.
  EXPECT_TRUE(velmora::VP_Label_PageBegin(h, 0, 0, 400, 240, VP_Label_Rotation_0));
  EXPECT_TRUE(velmora::VP_Label_DrawImageFromFile(h, 8, 8, 0, 0, path, kDiffusion, none));
  EXPECT_TRUE(velmora::VP_Label_DrawImageFromData(h, 200, 8, 0, 80, png, n, kDither,
                                                  VP_ImageCompressionMethod_Level2));
  EXPECT_TRUE(velmora::VP_Label_DrawImageFromPixels(h, 8, 120, rgba, len, 120, 40, 480, kRgba,
                                                    kThreshold, none));
  EXPECT_TRUE(velmora::VP_Label_PagePrint(h, 1));
  // A sentinel that marks the end of everything sent.
  const std::vector<uint8_t> end = {0x1B, 0x40};
  EXPECT_EQ(velmora::VP_Port_Write(h, end, 2, 1000), 2);

  ASSERT_TRUE(printer.printer().WaitUntil(
      [](const vprinter::Bytes &b) {
        return b.size() >= 2 && b[b.size() - 2] == 0x1B && b.back() == 0x40;
      },
      ScaledMs(10000)));
  EXPECT_TRUE(velmora::VP_Port_Close(h));

  const auto received = printer.printer().Received();
  const auto decoded = vprinter::DecodeRasterCommands(received);
  ASSERT_EQ(decoded.error, "");
  EXPECT_EQ(decoded.sheets, 2);
  int receipt_pieces = 0;
  std::vector<const RasterPiece *> page, label;
  for (const auto &piece : decoded.pieces) {
    if (piece.kind == RasterPiece::Kind::kPage)
      page.push_back(&piece);
    else if (piece.kind == RasterPiece::Kind::kLabel || piece.kind == RasterPiece::Kind::kLabelJbig)
      label.push_back(&piece);
    else
      ++receipt_pieces;
  }
  // GS v 0: 2 bands; run-length: 40 lines; JBIG: 1 band; the QR symbol: GS v 0 bands.
  EXPECT_GT(receipt_pieces, 2 + 40 + 1);
  ASSERT_EQ(page.size(), 3u);
  EXPECT_EQ(page[0]->bitmap.bits, picture.bits);
  EXPECT_EQ(page[1]->bitmap.width, 240);  // scaled to 240 x 80, at the end of both axes
  EXPECT_EQ(page[1]->x, 400 - 240);
  EXPECT_EQ(page[1]->y, 200 - 80);
  EXPECT_EQ(page[2]->x, (400 - 120) / 2);
  EXPECT_EQ(page[2]->y, 60);
  ASSERT_EQ(label.size(), 3u);
  EXPECT_EQ(label[0]->bitmap.bits, picture.bits);
  EXPECT_EQ(label[1]->kind, RasterPiece::Kind::kLabelJbig);
  EXPECT_EQ(label[1]->bitmap.height, 80);
  EXPECT_EQ(label[2]->y, 120);

  // The whole paper, for a person to look at; its QR symbol scans.
  const std::string paper = TempPath("paper.png");
  ASSERT_TRUE(vprinter::RenderReceivedToPng(received, paper));
  EXPECT_EQ(ScanQr(paper), qr_text);
  if (const char *keep = std::getenv("VELMORA_KEEP_PAPER")) {
    std::rename(paper.c_str(), keep);
  } else {
    std::remove(paper.c_str());
  }
}

TEST_F(VirtualPrinterImages, WrappersRefuseArraysTooShort) {
  const Int n = static_cast<Int>(png.size());
  const auto none = VP_ImageCompressionMethod_None;
  const Int h = velmora::VP_Port_OpenMemoryBuffer(1 << 20);
  ASSERT_NE(h, 0);
  // Counts beyond the array never reach the flat layer.
  EXPECT_FALSE(velmora::VP_Pos_PrintRasterImageFromData(h, 0, 0, png, n + 1, kDither, none));
  EXPECT_FALSE(velmora::VP_Page_DrawRasterImageFromPixels(
      h, 0, 0, rgba, static_cast<Int>(rgba.size()) + 1, 120, 40, 480, kRgba, kDither));
  EXPECT_FALSE(velmora::VP_Label_DrawImageFromData(h, 0, 0, 0, 0, png, -1, kDither, none));
  // A position that does not fit an int.
  EXPECT_FALSE(
      velmora::VP_Label_DrawImageFromData(h, Int{1} << 40, 0, 0, 0, png, n, kDither, none));
  EXPECT_TRUE(velmora::VP_Port_GetMemoryBufferData(h).empty());
  // An empty array with size 0 reaches the flat layer, which finds no picture in it.
  EXPECT_FALSE(velmora::VP_Page_DrawRasterImageFromData(h, 0, 0, 0, 0, {}, 0, kDither));
  // And a good call goes through.
  EXPECT_TRUE(velmora::VP_Label_DrawImageFromData(h, 0, 0, 0, 0, png, n, kDither, none));
  EXPECT_EQ(velmora::VP_Port_GetMemoryBufferData(h).size(), 13u + 15 * 40);
  EXPECT_TRUE(velmora::VP_Port_Close(h));
}

}  // namespace
}  // namespace velmora::test
